// The check of the other side's lock, shared by the wizard and the uninstaller: a setup and a
// removal of one product at once would remove the files that the setup has just written.
#include "common/win32/product_lock_check.h"

#include "common/win32/product_event.h"

BOOL IsProductLockInBeing(ProductLock lock, const char* displayName)
{
    char name[PRODUCT_LOCK_NAME_SIZE];
    MakeProductLockName(lock, displayName, name);
    return IsOpenedObjectInBeing(OpenMutexA(SYNCHRONIZE, FALSE, name));
}
