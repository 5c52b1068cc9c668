// The names of the locks that keep two runs for one product apart, shared by the wizard and
// the uninstaller so that both spell a product's lock alike.
#include "common/product_locks.h"

#include "common/text.h"

static const char* const LOCK_PREFIXES[] = {"Quillset setup of ", "Quillset removal of "};

void MakeProductLockName(ProductLock lock, const char* displayName, char* name)
{
    const char* prefix = LOCK_PREFIXES[lock];
    size_t prefixLength = GetTextLength(prefix);
    CopyBytes(name, prefix, prefixLength);
    (void)CopyTextBounded(name + prefixLength, PRODUCT_LOCK_NAME_SIZE - prefixLength,
                          displayName); // a name cut short still locks
    for (char* at = name + prefixLength; *at; ++at) {
        if (*at == '\\')
            *at = '/';
    }
}
