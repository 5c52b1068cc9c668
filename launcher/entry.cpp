// The launcher's entry routine: it stands in for a language runtime's start-up code, which
// the launcher does without, and hands over to the main routine.
#include "launcher.h"

HANDLE processHeap;

typedef void (*StartupRoutine)();

// Routines to run before the main routine, in order; the launcher has none.
static StartupRoutine const startupRoutines[] = {nullptr};

extern "C" void LauncherEntry()
{
    processHeap = GetProcessHeap();
    if (processHeap == nullptr) {
        ExitProcess(0);  // without memory nothing can be inflated
    }
    for (const StartupRoutine* routine = startupRoutines; *routine != nullptr; ++routine) {
        (*routine)();
    }
    ExitProcess(WinMain(GetModuleHandleA(nullptr), nullptr, nullptr, SW_SHOWDEFAULT));
}
