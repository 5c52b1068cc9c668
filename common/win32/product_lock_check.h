// Whether a setup or a removal of a product is under way, told by its lock: the wizard and the
// uninstaller each refuse to start while the other holds the product's lock.
#pragma once

#include <windows.h>

#include "common/product_locks.h"

// TRUE while the mutex named for `lock` of the product `displayName` exists, even one that this
// process may not open. Only a setup or removal that goes on keeps it in being: a refused one
// closes its handle before its message, and a mutex goes with its last handle.
BOOL IsProductLockInBeing(ProductLock lock, const char* displayName);
