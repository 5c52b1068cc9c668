// The progress window of an interactive removal: a status line, the item being removed and a
// bar over the log's removal step count. The work runs on the window's own thread, so pending
// messages are handled after each step to keep the window drawn.
#include "progress.h"

#include <commctrl.h>

#include "common/format.h"
#include "common/progress_range.h"
#include "resource.h"
#include "uninstall_state.h"

static INT_PTR CALLBACK ProgressProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)window;
    (void)lParam;
    // Closing is not offered while files are being removed; the low four bits of a system
    // command are the system's own.
    return message == WM_INITDIALOG || (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_CLOSE);
}

static void HandlePendingMessages(void)
{
    MSG message;
    while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
        if (IsDialogMessageA(uninstall.progressWindow, &message))
            continue;
        (void)TranslateMessage(&message); // says only whether a character was made
        (void)DispatchMessageA(&message); // the window procedure's result means nothing here
    }
}

int WaitWhileHandlingMessages(HANDLE object)
{
    for (;;) {
        DWORD result = MsgWaitForMultipleObjects(1, &object, FALSE, INFINITE, QS_ALLINPUT);
        if (result == WAIT_OBJECT_0)
            return 1;
        if (result != WAIT_OBJECT_0 + 1)
            return 0;
        HandlePendingMessages();
    }
}

int OpenProgressWindow(void)
{
    if (uninstall.commandLine.silent)
        return 1;
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_PROGRESS_CLASS};
    if (!InitCommonControlsEx(&controls))
        return 0;
    HWND window = CreateDialogParamA(uninstall.module, MAKEINTRESOURCEA(IDD_PROGRESS), NULL,
                                     ProgressProc, 0);
    if (!window)
        return 0;
    uninstall.progressWindow = window;
    uninstall.progressBar = GetDlgItem(window, IDC_PROGRESS_BAR);
    uninstall.statusLine = GetDlgItem(window, IDC_STATUS_LINE);
    uninstall.detailLine = GetDlgItem(window, IDC_DETAIL_LINE);
    char format[STRING_SIZE];
    char caption[STRING_SIZE];
    if (LoadStringA(uninstall.module, IDS_CAPTION, format, sizeof(format)) &&
        FormatText(caption, sizeof(caption), format, uninstall.plan.displayName))
        (void)SetWindowTextA(window, caption); // the template's caption stays otherwise
    uint32_t steps = uninstall.plan.removalSteps ? uninstall.plan.removalSteps : 1;
    uninstall.stepsPerPosition = GetStepsPerPosition(steps);
    (void)SendMessageA(uninstall.progressBar, PBM_SETRANGE, 0,
                       MAKELPARAM(0, steps / uninstall.stepsPerPosition)); // the old range
    (void)SendMessageA(uninstall.progressBar, PBM_SETSTEP, 1, 0); // returns the old step
    (void)ShowWindow(window, SW_SHOW); // says only whether it was visible before
    HandlePendingMessages();
    return 1;
}

void SetRemovalStatus(UINT id, const char* detail)
{
    if (!uninstall.progressWindow)
        return;
    char text[STRING_SIZE];
    if (!LoadStringA(uninstall.module, id, text, sizeof(text)))
        text[0] = 0;
    (void)SetWindowTextA(uninstall.statusLine, text); // a missed text does not stop the removal
    (void)SetWindowTextA(uninstall.detailLine, detail);
    HandlePendingMessages();
}

void StepRemoval(void)
{
    if (!uninstall.progressWindow)
        return;
    if (++uninstall.stepsTaken % uninstall.stepsPerPosition == 0)
        (void)SendMessageA(uninstall.progressBar, PBM_STEPIT, 0, 0); // returns the old position
    HandlePendingMessages();
}

void CloseProgressWindow(void)
{
    if (uninstall.progressWindow)
        (void)DestroyWindow(uninstall.progressWindow); // the process ends soon after
    uninstall.progressWindow = NULL;
}
