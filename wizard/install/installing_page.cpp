// The Installing page: counts the progress steps, makes the Start Menu folder absolute, starts
// the install worker, shows its progress and, on its report, moves on or shows the failure.
#include <windows.h>
#include <commctrl.h>

#include "common/progress_range.h"
#include "common/text.h"
#include "core/folder_values.h"
#include "core/wizard.h"
#include "core/wizard_state.h"
#include "install/install_control.h"
#include "install/install_engine.h"
#include "install/install_progress.h"
#include "install/installing_page.h"
#include "ui/frame.h"
#include "ui/resource.h"

enum {
    PROGRESS_TIMER = 1,
    PROGRESS_REFRESH_MS = 50,   // often enough to follow, seldom enough to cost nothing
};

// The Start Menu folder's parent in front of the relative folder chosen on the page.
static BOOL MakeMenuFolderAbsolute(void)
{
    const char* startMenu = folderValues[FOLDER_START_MENU];
    size_t relativeLength = GetTextLength(wizard.menuFolder);
    if (!startMenu || wizard.menuFolderOffset + relativeLength >= PATH_SIZE)
        return FALSE;
    char relative[PATH_SIZE];
    CopyBytes(relative, wizard.menuFolder, relativeLength + 1);
    CopyBytes(wizard.menuFolder, startMenu, wizard.menuFolderOffset);
    CopyBytes(wizard.menuFolder + wizard.menuFolderOffset, relative, relativeLength + 1);
    return TRUE;
}

static void StartInstallation(HWND page)
{
    ClearLogHeader(&wizard.uninstallLog);
    wizard.progressBar = GetDlgItem(page, IDC_PROGRESS_BAR);
    wizard.statusLine = GetDlgItem(page, IDC_STATUS_LINE);
    wizard.detailLine = GetDlgItem(page, IDC_DETAIL_LINE);

    // A folder that cannot be made absolute is not made; the counts below then leave it out.
    if (!wizard.noMenuFolder && !MakeMenuFolderAbsolute())
        wizard.noMenuFolder = TRUE;
    InstallChoices choices = {wizard.noMenuFolder, wizard.desktopIcon, wizard.quickLaunchIcon,
                              wizard.startupIcon};
    SetLogHeaderField(&wizard.uninstallLog, LOG_REMOVAL_STEPS,
                      CountRemovalSteps(wizard.package, &choices));
    uint32_t total = CountTotalSteps(wizard.package, &choices);
    wizard.stepDelay = GetStepDelay(total);
    wizard.stepsPerPosition = GetStepsPerPosition(total);
    (void)SendMessageA(wizard.progressBar, PBM_SETRANGE, 0,
                       MAKELPARAM(0, total / wizard.stepsPerPosition));

    // The worker notes its progress under the lock from its first step on. Without the worker
    // the page stays with an empty bar until the user cancels.
    InitializeCriticalSection(&wizard.progressLock);
    if (!StartInstallWorker(page)) {
        DeleteCriticalSection(&wizard.progressLock);
        return;
    }
    // Without the timer the bar and the detail line show the outcome only.
    (void)SetTimer(page, PROGRESS_TIMER, PROGRESS_REFRESH_MS, NULL);
}

// The detail line and the bar as the worker has noted them.
static void ShowInstallProgress(void)
{
    char detail[DETAIL_TEXT_SIZE];
    EnterCriticalSection(&wizard.progressLock);
    BOOL detailChanged = wizard.detailChanged;
    if (detailChanged)
        CopyBytes(detail, wizard.detailText, DETAIL_TEXT_SIZE);
    wizard.detailChanged = FALSE;
    LeaveCriticalSection(&wizard.progressLock);
    if (detailChanged)
        (void)SetWindowTextA(wizard.detailLine, detail); // a static always takes its text
    LONG steps = wizard.progressSteps;
    if (steps != wizard.shownSteps) {
        (void)SendMessageA(wizard.progressBar, PBM_SETPOS,
                           (WPARAM)((DWORD)steps / wizard.stepsPerPosition), 0); // the old position
        wizard.shownSteps = steps;
    }
}

void EndProgressDisplay(void)
{
    (void)KillTimer(wizard.pageWindow, PROGRESS_TIMER); // fails only when it never started
    ShowInstallProgress();
    DeleteCriticalSection(&wizard.progressLock);
}

void CompleteInstallation(UINT resultCode)
{
    if (resultCode == 0) {
        ShowNextPage();
        return;
    }
    ShowSetupError(resultCode, NULL);
    (void)DestroyWindow(wizard.frameWindow); // its WM_DESTROY ends the message loop
}

INT_PTR CALLBACK InstallingPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)lParam;
    switch (message) {
    case WM_INITDIALOG:
        StartInstallation(page);
        return TRUE;
    case WM_PAGE_NEXT:
        return TRUE;
    case WM_INSTALL_DONE:
        HandleInstallReport((UINT)wParam);
        return TRUE;
    case WM_TIMER:
        if (wParam != PROGRESS_TIMER)
            return FALSE;
        ShowInstallProgress();
        return TRUE;
    }
    return FALSE;
}
