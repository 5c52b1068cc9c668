// The product that a folder already holds, as its uninstall log names it, so that a second
// product is not installed over the first one's log.
#pragma once

#include <windows.h>

enum {
    PRODUCT_NAME_SIZE = 256,        // a product's name with version, as the Destination page shows it
};

// True when `folder` holds an "uninst.dat" that the uninstaller would accept and that names a
// product other than `productName` (compared as Windows compares registry key names); its
// name then goes into `otherName` of `size` bytes, cut to fit. A missing, unreadable or
// damaged log names no product.
BOOL FindOtherProduct(const char* folder, const char* productName, char* otherName, size_t size);
