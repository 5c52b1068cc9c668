// The uninstaller's entry routine: it stands in for a language runtime's start-up code, which
// the uninstaller does without, and ends the process with the removal's exit code.
#include <windows.h>

#include "uninstall_state.h"

int RunUninstall(void);

extern "C" void UninstallEntry(void)
{
    uninstall.processHeap = GetProcessHeap();
    uninstall.module = GetModuleHandleA(NULL);
    if (!uninstall.processHeap || !uninstall.module)
        ExitProcess(EXIT_REFUSED);
    ExitProcess((UINT)RunUninstall());
}
