// The progress services of the install steps: the status and detail lines and the paced
// progress bar, each changed on the wizard's thread through SendMessage.
#include <windows.h>
#include <commctrl.h>

#include "core/wizard_state.h"
#include "install/install_engine.h"
#include "install/install_progress.h"

void SetStatus(UINT stringId, const char* detail)
{
    char status[STATUS_TEXT_SIZE];
    if (!LoadStringA(wizard.wizardModule, stringId, status, STATUS_TEXT_SIZE))
        status[0] = 0;
    (void)SendMessageA(wizard.statusLine, WM_SETTEXT, 0, (LPARAM)status); // cannot fail
    SetDetail(detail);
}

void SetDetail(const char* text)
{
    (void)SendMessageA(wizard.detailLine, WM_SETTEXT, 0, (LPARAM)text); // cannot fail
}

BOOL StepProgress(void)
{
    if (IsPacedStep(wizard.stepDelay))
        Sleep(wizard.stepDelay);
    if (!PassInstallGate())
        return FALSE;
    (void)SendMessageA(wizard.progressBar, PBM_STEPIT, 0, 0); // gives the previous position
    return TRUE;
}
