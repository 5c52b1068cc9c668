// Registration of the common-control classes that the wizard's pages use: through
// InitCommonControlsEx where the system has it, else the older InitCommonControls.
#include <windows.h>
#include <commctrl.h>

#include "core/wizard.h"

typedef BOOL(WINAPI* InitCommonControlsExRoutine)(const INITCOMMONCONTROLSEX* classes);

void InitCommonControlsForWizard(DWORD classes)
{
    HMODULE commonControls = LoadLibraryA("ComCtl32.dll");
    InitCommonControlsExRoutine initEx =
        commonControls ? (InitCommonControlsExRoutine)(void*)GetProcAddress(commonControls,
                                                                            "InitCommonControlsEx")
                       : NULL;
    if (initEx) {
        INITCOMMONCONTROLSEX record = {sizeof(record), classes};
        (void)initEx(&record); // a class that fails to register shows as an empty control
    } else {
        InitCommonControls();
    }
    if (commonControls)
        (void)FreeLibrary(commonControls); // the statically imported copy stays loaded
}
