// The check of the other side's lock, shared by the wizard and the uninstaller: a setup and a
// removal of one product at once would remove the files that the setup has just written.
#include "common/win32/product_lock_check.h"

BOOL IsProductLockInBeing(ProductLock lock, const char* displayName)
{
    char name[PRODUCT_LOCK_NAME_SIZE];
    MakeProductLockName(lock, displayName, name);
    HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, name);
    if (mutex) {
        (void)CloseHandle(mutex); // only its existence mattered
        return TRUE;
    }
    // One that this process may not open exists all the same: the other runs with other
    // rights (elevated, or as another user).
    return GetLastError() == ERROR_ACCESS_DENIED;
}
