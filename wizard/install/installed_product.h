// The product that a folder already holds, as its uninstall log names it: a second product is
// not installed over the first one's log, and a reinstall keeps what the first one made.
#pragma once

#include <windows.h>

#include "common/uninstall_log_reader.h"

enum {
    PRODUCT_NAME_SIZE = 256,        // a product's name with version, as the Destination page shows it
};

// True when `folder` holds an "uninst.dat" that the uninstaller would accept and that names a
// product other than `productName` (compared as Windows compares registry key names); its
// name then goes into `otherName` of `size` bytes, cut to fit. A missing, unreadable or
// damaged log names no product.
BOOL FindOtherProduct(const char* folder, const char* productName, char* otherName, size_t size);

// The length of the part of `path` (the destination, or with `menuRecord` the Start Menu folder)
// that existed before this product was first installed into `installDir`: when the folder's
// log is this product's and records the same folder, its existing length if shorter, else
// `existingLength`. A reinstall that took the first one's folders for existing ones would
// leave them behind at the removal.
DWORD FindEarlierExistingLength(const char* installDir, const char* productName,
                                BOOL menuRecord, const char* path, DWORD existingLength);
