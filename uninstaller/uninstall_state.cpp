// The uninstaller's one state record, zero-filled at start as a plain global.
// The heap routines of the shared code find the process heap through it.
#include "common/memory.h"
#include "uninstall_state.h"

UninstallState uninstall;

void* GetMemoryHeap(void)
{
    return uninstall.processHeap;
}
