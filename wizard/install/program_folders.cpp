// The first real step: the destination directory and the Start Menu folder with all their
// missing parents, each tree noted in the uninstall log with the part that existed before.
#include <windows.h>
#include <shlobj.h>

#include "common/path_routines.h"
#include "common/text.h"
#include "core/wizard.h"
#include "core/wizard_state.h"
#include "install/install_engine.h"
#include "install/installed_product.h"
#include "install/shell_notify.h"
#include "ui/resource.h"

// Creates every missing directory of `path`; `existingLength` gets the length of the part
// that already existed. The root, a drive's "C:\" or a share's "\\server\share" (a Start Menu
// redirected to the network), is taken to exist. Only the topmost new directory is announced
// to the shell.
static BOOL CreateDirectoryTree(const char* path, DWORD* existingLength)
{
    size_t length = GetTextLength(path);
    size_t root = MeasurePathRoot(path, length);
    if (!root || length >= PATH_SIZE)
        return FALSE;
    char prefix[PATH_SIZE];
    CopyBytes(prefix, path, length + 1);
    *existingLength = (DWORD)root;
    BOOL creating = FALSE;
    for (size_t at = root; at <= length; ++at) {
        if (at < length && !IsSeparator(path[at]))
            continue;
        prefix[at] = 0;
        if (!creating && DirectoryExists(prefix)) {
            *existingLength = (DWORD)at;
        } else if (!creating) {
            if (!CreateDirectoryA(prefix, NULL))
                return FALSE;
            NotifyShell(SHCNE_MKDIR, prefix);
            creating = TRUE;
        } else if (!CreateDirectoryA(prefix, NULL)) {
            return FALSE;
        }
        prefix[at] = path[at];
    }
    return TRUE;
}

UINT CreateProgramFolders(void)
{
    SetStatus(IDS_CREATING_DESTINATION, wizard.installDir);
    DWORD existing;
    if (!CreateDirectoryTree(wizard.installDir, &existing))
        return IDS_CANNOT_CREATE_DESTINATION;
    existing = FindEarlierExistingLength(FALSE, wizard.installDir, existing);
    AppendFolderRecord(&wizard.uninstallLog, LOG_DESTINATION_RECORD, existing, wizard.installDir);
    if (!StepProgress())
        return 0; // stopped: no Start Menu folder is made, and the next gate ends the run
    if (wizard.noMenuFolder) {
        CarryEarlierMenuFolderOver();
        return 0;
    }
    SetStatus(IDS_CREATING_MENU_FOLDER, wizard.menuFolder + wizard.menuFolderOffset);
    if (!CreateDirectoryTree(wizard.menuFolder, &existing))
        return IDS_CANNOT_CREATE_MENU_FOLDER;
    existing = FindEarlierExistingLength(TRUE, wizard.menuFolder, existing);
    AppendFolderRecord(&wizard.uninstallLog, LOG_MENU_RECORD, existing, wizard.menuFolder);
    (void)StepProgress(); // a stop is seen at the next gate
    return 0;
}
