// The progress services of the install steps: the status line, changed on the wizard's thread
// through SendMessage, and the detail line and paced bar, noted for the Installing page.
#include <windows.h>

#include "common/text.h"
#include "core/wizard_state.h"
#include "install/install_control.h"
#include "install/install_engine.h"
#include "install/install_progress.h"

void SetStatus(UINT stringId, const char* detail)
{
    char status[STATUS_TEXT_SIZE];
    if (!LoadStringA(wizard.wizardModule, stringId, status, STATUS_TEXT_SIZE))
        status[0] = 0;
    SetDetail(detail);
    (void)SendMessageA(wizard.statusLine, WM_SETTEXT, 0, (LPARAM)status); // cannot fail
}

void SetDetail(const char* text)
{
    EnterCriticalSection(&wizard.progressLock);
    (void)CopyTextBounded(wizard.detailText, DETAIL_TEXT_SIZE, text); // a longer text is cut
    wizard.detailChanged = TRUE;
    LeaveCriticalSection(&wizard.progressLock);
}

BOOL StepProgress(void)
{
    if (IsPacedStep(wizard.stepDelay))
        Sleep(wizard.stepDelay);
    (void)InterlockedIncrement(&wizard.progressSteps);
    // Passed after the step, so that a halted worker has shown all it has done.
    return PassInstallGate();
}
