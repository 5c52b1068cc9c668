// The Start Menu page: the program folder typed or picked inside the user's Start Menu, and
// the four choices (no folder, Desktop, Quick Launch and Startup icons) kept across visits.
#include <windows.h>
#include <shlobj.h>

#include "common/path_routines.h"
#include "common/text.h"
#include "core/folder_values.h"
#include "core/menu_folder.h"
#include "core/wizard.h"
#include "core/wizard_state.h"
#include "install/install_progress.h"
#include "ui/frame.h"
#include "ui/pages.h"
#include "ui/resource.h"

// A choice shows as it was left; one the package cannot serve is unavailable.
static void SetUpChoice(HWND page, int boxId, BOOL chosen, BOOL available)
{
    if (chosen)
        (void)CheckDlgButton(page, boxId, BST_CHECKED); // the box exists in the template
    else if (!available)
        (void)EnableWindow(GetDlgItem(page, boxId), FALSE); // gives the old state
}

// Without a Start Menu no program folder can be made: its controls stay unavailable.
static void DisableMenuFolder(HWND page)
{
    static const int CONTROLS[] = {IDC_NO_MENU_FOLDER, IDC_PATH_EDIT, IDC_BROWSE};
    for (int control : CONTROLS)
        (void)EnableWindow(GetDlgItem(page, control), FALSE); // gives the old state
}

static void FillStartMenuPage(HWND page)
{
    wizard.menuFolderEdit = GetDlgItem(page, IDC_PATH_EDIT);
    (void)SendMessageA(wizard.menuFolderEdit, EM_LIMITTEXT, PATH_SIZE - 1, 0);
    (void)SetWindowTextA(wizard.menuFolderEdit, wizard.menuFolder); // the state holds it
    if (wizard.noMenuFolder)
        (void)CheckDlgButton(page, IDC_NO_MENU_FOLDER, BST_CHECKED); // exists in the template
    // An icon is offered only where its folder is known, so that the choice cannot fail late.
    SetUpChoice(page, IDC_DESKTOP_ICON, wizard.desktopIcon,
                GetHeaderField(FIELD_DESKTOP_SHORTCUT) && folderValues[FOLDER_DESKTOP_DIR]);
    SetUpChoice(page, IDC_QUICK_LAUNCH_ICON, wizard.quickLaunchIcon, wizard.quickLaunchDir != NULL);
    SetUpChoice(page, IDC_STARTUP_ICON, wizard.startupIcon,
                GetHeaderField(FIELD_STARTUP_SHORTCUT) && folderValues[FOLDER_STARTUP_MENU]);
    if (!folderValues[FOLDER_START_MENU])
        DisableMenuFolder(page);
}

// True when the folder's first component is the Start Menu folder's own name.
static BOOL IsInStartMenu(const char* folder)
{
    const char* startMenu = folderValues[FOLDER_START_MENU];
    char component[PATH_SIZE];
    return startMenu && CopyFirstComponent(folder, component) &&
           lstrcmpiA(component, startMenu + wizard.menuFolderOffset) == 0;
}

// A folder chosen inside the Start Menu becomes relative and gets the default group name.
static void BrowseMenuFolder(void)
{
    char chosen[PATH_SIZE];
    const char* group = GetPackageText(FIELD_MENU_FOLDER);
    if (!BrowseForFolder(IDS_START_MENU_PICKER, CSIDL_STARTMENU, chosen, group))
        return;
    if (!MakeMenuFolderRelative(chosen, folderValues[FOLDER_START_MENU],
                                wizard.menuFolderOffset, group, wizard.menuFolder)) {
        ShowSetupError(IDS_INVALID_MENU_FOLDER, NULL);
        return;
    }
    (void)SetWindowTextA(wizard.menuFolderEdit, wizard.menuFolder); // the state holds it
    wizard.menuFolderChanged = TRUE;
}

static BOOL IsChecked(HWND page, int boxId)
{
    return IsDlgButtonChecked(page, boxId) == BST_CHECKED;
}

// The choices are kept in both directions and before any check, so a refusal keeps them.
static void StoreStartMenuPage(HWND page)
{
    wizard.noMenuFolder = IsChecked(page, IDC_NO_MENU_FOLDER);
    wizard.desktopIcon = IsChecked(page, IDC_DESKTOP_ICON);
    wizard.quickLaunchIcon = IsChecked(page, IDC_QUICK_LAUNCH_ICON);
    wizard.startupIcon = IsChecked(page, IDC_STARTUP_ICON);
    if (SendMessageA(wizard.menuFolderEdit, EM_GETMODIFY, 0, 0)) {
        ReadPathEdit(wizard.menuFolderEdit, wizard.menuFolder);
        wizard.menuFolderChanged = TRUE;
    }
}

static BOOL AcceptStartMenuPage(HWND page)
{
    StoreStartMenuPage(page);
    // A folder that is not to be made is checked once it is wanted again.
    if (!wizard.menuFolderChanged || wizard.noMenuFolder)
        return TRUE;
    if (HasInvalidPathChars(wizard.menuFolder)) {
        ShowSetupError(IDS_INVALID_PATH_CHARS, NULL);
        return FALSE;
    }
    // The folder becomes absolute when the installation starts, and is made then.
    if (!IsInStartMenu(wizard.menuFolder) ||
        !IsMakeableMenuFolder(wizard.menuFolder, wizard.menuFolderOffset,
                              MeasureLongestMenuLink(wizard.package))) {
        ShowSetupError(IDS_INVALID_MENU_FOLDER, NULL);
        return FALSE;
    }
    wizard.menuFolderChanged = FALSE;
    return TRUE;
}

INT_PTR CALLBACK StartMenuPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)lParam;
    switch (message) {
    case WM_INITDIALOG:
        FillStartMenuPage(page);
        return 1;
    case WM_COMMAND:
        if (LOWORD(wParam) != IDC_BROWSE)
            return 0;
        BrowseMenuFolder();
        return 1;
    case WM_PAGE_BACK:
        StoreStartMenuPage(page);
        return 1;
    case WM_PAGE_NEXT:
        return AcceptStartMenuPage(page);
    }
    return 0;
}
