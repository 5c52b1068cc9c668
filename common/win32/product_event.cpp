// The running-product check shared by the wizard and the uninstaller: the product holds a
// named event while it runs, and only its existence counts.
#include "common/win32/product_event.h"

BOOL IsOpenedObjectInBeing(HANDLE opened)
{
    if (opened) {
        (void)CloseHandle(opened); // only its existence mattered
        return TRUE;
    }
    return GetLastError() == ERROR_ACCESS_DENIED;
}

BOOL IsProductEventHeld(const char* eventName)
{
    return IsOpenedObjectInBeing(OpenEventA(EVENT_ALL_ACCESS, FALSE, eventName));
}
