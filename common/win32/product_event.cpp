// The running-product check shared by the wizard and the uninstaller: the product holds a
// named event while it runs, and only its existence counts.
#include "common/win32/product_event.h"

BOOL IsProductEventHeld(const char* eventName)
{
    HANDLE event = OpenEventA(EVENT_ALL_ACCESS, FALSE, eventName);
    if (event) {
        (void)CloseHandle(event); // only its existence mattered
        return TRUE;
    }
    // An event that this process may not open exists all the same: the product runs with
    // other rights (elevated, or as another user).
    return GetLastError() == ERROR_ACCESS_DENIED;
}
