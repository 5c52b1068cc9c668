// The one instance of the wizard state. Zero-filled at load; the wizard initialisation sets
// the starting values that are not zero.
#include "common/memory.h"
#include "core/wizard_state.h"

WizardState wizard;

void* GetMemoryHeap(void)
{
    return wizard.processHeap;
}
