// The shortcut step: shell links on the Desktop, in Quick Launch and Startup and in the
// Start Menu folder, made through the shell link object and logged by their paths.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include "common/path_routines.h"
#include "common/text.h"
#include "core/folder_values.h"
#include "core/wizard_state.h"
#include "install/install_engine.h"
#include "install/installed_product.h"
#include "install/shell_notify.h"
#include "package/package_reader.h"
#include "ui/resource.h"

static const char DETAIL_ELLIPSIS[] = "...";


// Expands the entry's target and working directory into the link; the link is still saved
// when a value does not fit, without that value.
static void DescribeLink(IShellLinkA* link, const ShortcutEntry* entry)
{
    int command = GetShowCommand(entry->showMode);
    (void)link->SetShowCmd(command < 0 ? SW_SHOWNORMAL : command); // results not examined
    char expanded[PATH_SIZE];
    if (ExpandFolderVariables(entry->target, expanded))
        (void)link->SetPath(expanded);
    if (entry->workingDir[0] && ExpandFolderVariables(entry->workingDir, expanded))
        (void)link->SetWorkingDirectory(expanded);
}

// Saves the link as `linkPath` with ".lnk"; TRUE when it was saved and logged.
static BOOL SaveLink(IShellLinkA* link, char* linkPath)
{
    size_t length = GetTextLength(linkPath);
    if (length + sizeof(LINK_EXTENSION) > PATH_SIZE)
        return FALSE;
    CopyBytes(linkPath + length, LINK_EXTENSION, sizeof(LINK_EXTENSION));
    WCHAR widePath[PATH_SIZE];
    if (!MultiByteToWideChar(CP_ACP, 0, linkPath, -1, widePath, PATH_SIZE))
        return FALSE;
    IPersistFile* file = NULL;
    if (FAILED(link->QueryInterface(IID_IPersistFile, (void**)&file)))
        return FALSE;
    BOOL saved = SUCCEEDED(file->Save(widePath, TRUE));
    if (saved) {
        NotifyShell(SHCNE_CREATE, linkPath);
        (void)AppendToLog(&wizard.uninstallLog, linkPath, LOG_WHOLE_TEXT); // a loss shows later
    }
    (void)file->Release(); // gives the remaining references
    return saved;
}

static BOOL CreateShortcut(const ShortcutEntry* entry, const char* folder)
{
    if (!folder)
        return FALSE; // the chosen place does not exist on this system
    char linkPath[PATH_SIZE];
    if (!CopyTextBounded(linkPath, PATH_SIZE, folder) || !AppendPath(linkPath, entry->name))
        return FALSE;
    char detail[DETAIL_TEXT_SIZE];
    CopyBytes(detail, DETAIL_ELLIPSIS, sizeof(DETAIL_ELLIPSIS));
    (void)CopyTextBounded(detail + sizeof(DETAIL_ELLIPSIS) - 1, PATH_SIZE,
                          linkPath + (FindLastSeparator(folder) - folder)); // fits: a path
    SetDetail(detail);

    IShellLinkA* link = NULL;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                (void**)&link)))
        return FALSE;
    DescribeLink(link, entry);
    BOOL saved = SaveLink(link, linkPath);
    (void)link->Release();
    return saved;
}

// One single shortcut when its option is set; FALSE when it failed or the worker stops.
static BOOL CreateChosenShortcut(BOOL chosen, PackageField field, const char* folder)
{
    if (!chosen)
        return TRUE;
    ShortcutEntry entry;
    (void)ReadTrustedShortcutEntry(wizard.package + GetHeaderField(field), &entry); // no list
    return CreateShortcut(&entry, folder) && StepProgress();
}

static BOOL CreateMenuShortcuts(void)
{
    if (wizard.noMenuFolder)
        return TRUE;
    for (const unsigned char* at = wizard.package + GetHeaderField(FIELD_MENU_LIST); ReadU16(at);) {
        ShortcutEntry entry;
        at = ReadTrustedShortcutEntry(at, &entry);
        if (entry.startMenuFlag && !(CreateShortcut(&entry, wizard.menuFolder) && StepProgress()))
            return FALSE;
    }
    return TRUE;
}

void EndShortcutList(BOOL linksMade)
{
    CarryEarlierShortcutsOver(linksMade);
    (void)AppendLogByte(&wizard.uninstallLog, LOG_END); // a loss shows at the save
}

UINT CreateShortcuts(void)
{
    SetStatus(IDS_CREATING_ICONS, "");
    NoteLogSection(&wizard.uninstallLog, LOG_SHORTCUT_LIST);
    BOOL created = CreateChosenShortcut(wizard.desktopIcon, FIELD_DESKTOP_SHORTCUT,
                                        folderValues[FOLDER_DESKTOP_DIR]) &&
                   CreateChosenShortcut(wizard.quickLaunchIcon, FIELD_QUICK_LAUNCH_SHORTCUT,
                                        wizard.quickLaunchDir) &&
                   CreateChosenShortcut(wizard.startupIcon, FIELD_STARTUP_SHORTCUT,
                                        folderValues[FOLDER_STARTUP_MENU]) &&
                   CreateMenuShortcuts();
    // Also after a failure, so that the section is whole for a reinstall that ends here.
    EndShortcutList(created);
    return created ? 0 : IDS_SHORTCUT_FAILED;
}
