// The Ready page: the summary of the user's choices, and the running-product check when the
// user presses Install.
#include <windows.h>

#include "core/wizard_state.h"
#include "install/program_launch.h"
#include "ui/frame.h"
#include "ui/pages.h"
#include "ui/ready_summary.h"
#include "ui/resource.h"

enum {
    LABEL_SIZE = 128,
    SUMMARY_TAB_STOP = 16,      // dialog units
};

enum Label {
    LABEL_DESTINATION,
    LABEL_MENU_FOLDER,
    LABEL_TASKS,
    LABEL_DESKTOP,      // the three tasks follow in the summary's order
    LABEL_QUICK_LAUNCH,
    LABEL_STARTUP,
    LABEL_COUNT
};

static const UINT LABEL_IDS[LABEL_COUNT] = {IDS_DESTINATION_LABEL, IDS_START_MENU_LABEL,
                                            IDS_TASKS_LABEL,       IDS_DESKTOP_TASK,
                                            IDS_QUICK_LAUNCH_TASK, IDS_STARTUP_TASK};

static void ShowSummary(HWND page)
{
    char labels[LABEL_COUNT][LABEL_SIZE];
    for (int i = 0; i < LABEL_COUNT; ++i) {
        if (!LoadStringA(wizard.wizardModule, LABEL_IDS[i], labels[i], LABEL_SIZE))
            labels[i][0] = 0;
    }
    ReadySummary summary;
    summary.installDirLabel = labels[LABEL_DESTINATION];
    summary.installDir = wizard.installDir;
    summary.menuFolderLabel = labels[LABEL_MENU_FOLDER];
    summary.menuFolder = wizard.noMenuFolder ? NULL : wizard.menuFolder;
    summary.tasksLabel = labels[LABEL_TASKS];
    const BOOL tasks[TASK_COUNT] = {wizard.desktopIcon, wizard.quickLaunchIcon, wizard.startupIcon};
    for (int task = 0; task < TASK_COUNT; ++task) {
        summary.taskLabels[task] = labels[LABEL_DESKTOP + task];
        summary.tasks[task] = tasks[task];
    }
    char text[READY_SUMMARY_SIZE];
    (void)BuildReadySummary(&summary, text, READY_SUMMARY_SIZE); // a longer summary is cut

    HWND box = GetDlgItem(page, IDC_READY_SUMMARY);
    int tabStop = SUMMARY_TAB_STOP;
    (void)SendMessageA(box, EM_SETTABSTOPS, 1, (LPARAM)&tabStop); // default stops otherwise
    (void)SetWindowTextA(box, text); // a missing box shows nothing
    LeaveDialogKeysToFrame(box);
}

INT_PTR CALLBACK ReadyPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)wParam;
    (void)lParam;
    switch (message) {
    case WM_INITDIALOG:
        ShowSummary(page);
        return 1;
    case WM_PAGE_NEXT:
        return CheckRunningInstance();
    case WM_PAGE_BACK:
        return 1;
    }
    return 0;
}
