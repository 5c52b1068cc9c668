// The registry keys that an installation makes and its removal deletes: the product's
// Uninstall entry and its program's App Paths entry, both below the CurrentVersion key.
#pragma once

#include <stddef.h>

#define CURRENT_VERSION_KEY_TEXT "Software\\Microsoft\\Windows\\CurrentVersion"
// The folder of every product's Uninstall entry, with the separator before an entry's name.
#define UNINSTALL_KEY_TEXT CURRENT_VERSION_KEY_TEXT "\\Uninstall\\"

static const char CURRENT_VERSION_KEY[] = CURRENT_VERSION_KEY_TEXT;
// The Uninstall entry's value that names the installation's folder.
static const char UNINSTALL_LOCATION_VALUE[] = "InstallLocation";

enum ProductKeyKind {
    PRODUCT_KEY_UNINSTALL,          // named by the product's name with version
    PRODUCT_KEY_APP_PATHS,          // named by the program's file name
    PRODUCT_KEY_KIND_COUNT,
};

enum {
    KEY_PATH_SIZE = 512,            // characters of a registry key path, NUL included
};

// The path of the product key of `kind` named `name`, relative to its root, into `buffer` of
// `size` bytes; 0 when it does not fit (the buffer then holds no key).
int MakeProductKeyPath(char* buffer, size_t size, ProductKeyKind kind, const char* name);

// True when the `length` characters at `key` name one product key of either kind: one plain
// name right below the Uninstall or App Paths key. Removal deletes nothing else, so that a
// damaged log cannot name a key that other software owns.
int IsProductKeyPath(const char* key, size_t length);

// The kind of product key `key`, a path for which IsProductKeyPath holds.
ProductKeyKind GetProductKeyKind(const char* key);
