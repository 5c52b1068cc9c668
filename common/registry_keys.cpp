// The product keys' paths below the CurrentVersion key, built for the installation and
// recognised for the removal by the same table.
#include "common/registry_keys.h"

#include "common/text.h"

static const char* const PRODUCT_KEY_FOLDERS[PRODUCT_KEY_KIND_COUNT] = {
    UNINSTALL_KEY_TEXT,
    CURRENT_VERSION_KEY_TEXT "\\App Paths\\",
};

int MakeProductKeyPath(char* buffer, size_t size, ProductKeyKind kind, const char* name)
{
    const char* folder = PRODUCT_KEY_FOLDERS[kind];
    size_t folderLength = GetTextLength(folder);
    if (folderLength >= size || !CopyTextBounded(buffer + folderLength, size - folderLength, name)) {
        buffer[0] = 0;
        return 0;
    }
    CopyBytes(buffer, folder, folderLength);
    return 1;
}

ProductKeyKind GetProductKeyKind(const char* key)
{
    const char* appPaths = PRODUCT_KEY_FOLDERS[PRODUCT_KEY_APP_PATHS];
    return HasPrefixIgnoringCase(key, appPaths, GetTextLength(appPaths)) ? PRODUCT_KEY_APP_PATHS
                                                                         : PRODUCT_KEY_UNINSTALL;
}

int IsProductKeyPath(const char* key, size_t length)
{
    for (const char* folder : PRODUCT_KEY_FOLDERS) {
        size_t start = GetTextLength(folder);
        if (length <= start || !HasPrefixIgnoringCase(key, folder, start))
            continue;
        if (key[length - 1] == '\\')
            return 0;
        for (size_t i = start; i < length; ++i)
            if (key[i] == '\\' && (i == start || key[i - 1] == '\\'))
                return 0;
        return 1;
    }
    return 0;
}
