// Reads the uninstall log that a folder holds with the uninstaller's own reader: whether it
// belongs to another product, what an earlier installation of this one made, and whether the
// product is installed elsewhere.
#include "install/installed_product.h"

#include <shlobj.h>

#include "common/memory.h"
#include "common/text.h"
#include "common/uninstall_log_carry.h"
#include "common/uninstall_log_walks.h"
#include "common/win32/command_preparation.h"
#include "common/win32/log_file.h"
#include "common/win32/registry_values.h"
#include "core/wizard.h"
#include "core/wizard_state.h"
#include "install/install_engine.h"
#include "install/shell_notify.h"
#include "package/package_layout.h"

// The folder's log as the uninstaller would accept it, in `plan`, which points into `*bytes`.
static BOOL ReadInstalledLog(const char* folder, unsigned char** bytes, UninstallPlan* plan)
{
    LogFault fault;
    return LoadLogFile(folder, bytes, plan, &fault, NULL) == LOG_LOADED;
}

BOOL FindOtherProduct(const char* folder, const char* productName, char* otherName, size_t size)
{
    unsigned char* bytes;
    UninstallPlan plan;
    BOOL other = ReadInstalledLog(folder, &bytes, &plan) &&
                 lstrcmpiA(plan.displayName, productName) != 0;
    if (other)
        (void)CopyTextBounded(otherName, size, plan.displayName); // a cut name still tells
    MemFree(bytes);
    return other;
}

// The folder value of the product's Uninstall entry into `location` (PATH_SIZE); false when
// there is no entry or no such value.
static BOOL ReadEntryLocation(char* location)
{
    char keyPath[KEY_PATH_SIZE];
    return MakeUninstallKeyPath(keyPath) &&
           ReadTextValue(GetUninstallRoot(), keyPath, UNINSTALL_LOCATION_VALUE, location,
                         PATH_SIZE) == 1;
}

// True when `folder` holds the uninstaller that the Uninstall entry starts.
static BOOL HoldsUninstaller(const char* folder)
{
    char path[PATH_SIZE];
    return CopyTextBounded(path, sizeof(path), folder) && AppendPath(path, UNINSTALLER_NAME) &&
           NamesExistingFile(path);
}

BOOL FindInstallationElsewhere(const char* folder, char* location)
{
    // An installation that can no longer be removed from its folder is none to keep.
    if (!ReadEntryLocation(location) || !lstrcmpiA(location, folder) ||
        !HoldsUninstaller(location))
        return FALSE;
    // The same folder by another spelling (a short name) is refused too, so that the next log
    // records it as the first one did.
    unsigned char* bytes;
    UninstallPlan plan;
    BOOL elsewhere = ReadInstalledLog(location, &bytes, &plan) &&
                     !lstrcmpiA(plan.displayName, wizard.productName);
    MemFree(bytes);
    return elsewhere;
}

void LoadEarlierInstallation(void)
{
    unsigned char* bytes;
    // A log copied along with a folder records the folder it came from: not this one's.
    if (ReadInstalledLog(wizard.installDir, &bytes, &wizard.earlierPlan) &&
        !lstrcmpiA(wizard.earlierPlan.displayName, wizard.productName) &&
        !lstrcmpiA(wizard.earlierPlan.destination.path, wizard.installDir)) {
        wizard.earlierLog = bytes;
        return;
    }
    MemFree(bytes);
    wizard.earlierLog = NULL;
}

void ReleaseEarlierInstallation(void)
{
    MemFree(wizard.earlierLog);
    wizard.earlierLog = NULL;
}

DWORD FindEarlierExistingLength(BOOL menuRecord, const char* path, DWORD existingLength)
{
    if (!wizard.earlierLog)
        return existingLength;
    const LogFolder* earlier =
        menuRecord ? &wizard.earlierPlan.menuFolder : &wizard.earlierPlan.destination;
    // The folders that both paths share and that existed before this run were made by the
    // earlier one from its existing length on.
    if (earlier->path && earlier->existingLength < existingLength &&
        existingLength <= MeasureSharedFolders(earlier->path, path))
        return earlier->existingLength;
    return existingLength;
}

BOOL IsEarlierFile(const char* path)
{
    if (!wizard.earlierLog)
        return FALSE;
    FileListWalk walk;
    RemovalKind kind;
    BeginFileListWalk(&walk, &wizard.earlierPlan);
    while (NextRemovalEntry(&walk, &kind)) {
        if (kind == REMOVE_FILE && !lstrcmpiA(walk.path, path))
            return TRUE;
    }
    return FALSE;
}

void CarryEarlierMenuFolderOver(void)
{
    const LogFolder* earlier = &wizard.earlierPlan.menuFolder;
    if (wizard.earlierLog && earlier->path && DirectoryExists(earlier->path))
        AppendFolderRecord(&wizard.uninstallLog, LOG_MENU_RECORD, earlier->existingLength,
                           earlier->path);
}

static int IsPresent(const char* path)
{
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

BOOL CarryEarlierFilesOver(void)
{
    return !wizard.earlierLog || CarryEarlierFiles(&wizard.uninstallLog, &wizard.earlierPlan,
                                                   wizard.installDir, IsPresent);
}

// The earlier installation's Start Menu folder when this one makes another in its place, else
// null.
static const char* FindReplacedMenuFolder(void)
{
    const char* earlier = wizard.earlierPlan.menuFolder.path;
    if (!wizard.earlierLog || !earlier || wizard.noMenuFolder ||
        !lstrcmpiA(earlier, wizard.menuFolder))
        return NULL;
    return earlier;
}

// Whether an earlier link that this installation did not make again stays, and so is carried:
// one that lies in the Start Menu folder that this installation replaces is deleted first, as
// no log would name its folder.
static int KeepEarlierShortcut(const char* path)
{
    const char* replaced = FindReplacedMenuFolder();
    // A link that stays is carried, and the removal tries again.
    if (replaced && IsPathInside(path, replaced) && DeleteFileA(path))
        NotifyShell(SHCNE_DELETE, path);
    return IsPresent(path);
}

// Removes the levels of the replaced Start Menu folder that the earlier installation made and
// that are empty now, up to the new folder or one that holds it.
static void TrimReplacedMenuFolder(void)
{
    const char* replaced = FindReplacedMenuFolder();
    char level[PATH_SIZE];
    if (!replaced || !CopyTextBounded(level, PATH_SIZE, replaced))
        return;
    size_t existing = wizard.earlierPlan.menuFolder.existingLength;
    size_t length = GetTextLength(level);
    BOOL removed = FALSE;
    while (length > existing && lstrcmpiA(level, wizard.menuFolder) &&
           !IsPathInside(wizard.menuFolder, level) && RemoveDirectoryA(level)) {
        removed = TRUE;
        length = CutToParentFolder(level, length, existing);
    }
    if (removed)
        NotifyShell(SHCNE_UPDATEDIR, level);
}

void CarryEarlierShortcutsOver(BOOL linksMade)
{
    if (!wizard.earlierLog)
        return;
    CarryEarlierShortcuts(&wizard.uninstallLog, &wizard.earlierPlan,
                          linksMade ? KeepEarlierShortcut : IsPresent);
    if (linksMade)
        TrimReplacedMenuFolder();
}
