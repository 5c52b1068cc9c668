// The names of the locks that keep two runs for one product apart: its setup and its removal
// each hold a named mutex called after the product's display name. Freestanding, tested
// natively.
#pragma once

#include <stddef.h>

enum ProductLock {
    PRODUCT_SETUP_LOCK,
    PRODUCT_REMOVAL_LOCK,
};

enum {
    PRODUCT_LOCK_NAME_SIZE = 260,   // the longest name a mutex takes (MAX_PATH), NUL included
};

// The name of `lock` for the product called `displayName`, into `name` (PRODUCT_LOCK_NAME_SIZE).
// A backslash, which would make the name a path that no mutex can have, becomes a slash; a long
// name is cut, so two products alike that far only take turns.
void MakeProductLockName(ProductLock lock, const char* displayName, char* name);
