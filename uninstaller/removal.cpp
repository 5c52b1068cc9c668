// Removing what the log lists: the uninstall command, shortcuts, files and directories,
// registry keys and the created folder trees. Nothing outside the plan is touched; an item
// already gone counts as removed.
#include "removal.h"

#include <windows.h>

#include "common/command_quoting.h"
#include "common/folder_variables.h"
#include "common/format.h"
#include "common/memory.h"
#include "common/path_routines.h"
#include "common/registry_keys.h"
#include "common/text.h"
#include "common/uninstall_log_builder.h"
#include "common/uninstall_log_walks.h"
#include "common/win32/command_preparation.h"
#include "common/win32/log_file.h"
#include "common/win32/registry_values.h"
#include "log_file.h"
#include "messages.h"
#include "progress.h"
#include "resource.h"
#include "uninstall_state.h"

// Added to the name of a file in use, which waits under the longer name for the restart.
static const char SCHEDULED_SUFFIX[] = ".removed-at-restart";

enum {
    ENTRY_NAME_SIZE = 256,          // a registry key name, NUL included
    KEY_TREE_DEPTH = 16,            // subkey levels below a key of the log that are deleted
};

static const char LOCAL_MACHINE_NAME[] = "HKEY_LOCAL_MACHINE\\%s";
static const char CURRENT_USER_NAME[] = "HKEY_CURRENT_USER\\%s";

static int IsGone(DWORD error)
{
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// A shortcut, file or folder of the log that is still there and will not go at a restart.
static void NoteItemLeft(const char* path)
{
    NoteFailure(path);
    ++uninstall.itemsLeft;
}

void RunUninstallCommand(void)
{
    const char* command = uninstall.plan.uninstallCommand;
    if (!command)
        return;
    // Only the two folders that the log records are known here.
    FolderValues folderValues = {};
    folderValues[FOLDER_INSTALL_DIR] = uninstall.plan.destination.path;
    folderValues[FOLDER_MENU_FOLDER] = uninstall.plan.menuFolder.path;
    char commandLine[COMMAND_LINE_SIZE];
    SetRemovalStatus(IDS_STATUS_COMMAND, "");
    if (!PrepareCommandLine(folderValues, command, commandLine)) {
        NoteCommandNotRun(command);
        StepRemoval();
        return;
    }
    STARTUPINFOA startup;
    FillBytes(&startup, 0, sizeof(startup));
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process;
    if (!CreateProcessA(NULL, commandLine, NULL, NULL, FALSE, CREATE_DEFAULT_ERROR_MODE, NULL,
                        uninstall.plan.destination.path, &startup, &process)) {
        NoteCommandNotRun(commandLine);
        StepRemoval();
        return;
    }
    // The progress window keeps handling its messages: a command that sends a message to
    // every window, as a settings broadcast does, would otherwise wait for it for ever.
    if (WaitWhileHandlingMessages(process.hProcess))
        MarkUninstallCommandRun();
    else
        NoteFailure(commandLine);
    (void)CloseHandle(process.hThread); // nothing to do if closing fails
    (void)CloseHandle(process.hProcess);
    StepRemoval();
}

int DeleteUnprotected(const char* path)
{
    if (DeleteFileA(path) || IsGone(GetLastError()))
        return 1;
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || !SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL))
        return 0;
    if (DeleteFileA(path))
        return 1;
    (void)SetFileAttributesA(path, attributes); // the file stays as it was, where that works
    return 0;
}

// The folder value of the Uninstall entry `keyPath` below `root` into `location` (PATH_SIZE):
// 1 when read, 0 when there is none, -1 when it is no text that a destination could be.
static int ReadInstallLocation(HKEY root, const char* keyPath, char* location)
{
    return ReadTextValue(root, keyPath, UNINSTALL_LOCATION_VALUE, location, PATH_SIZE);
}

// True when the Uninstall entry `name` below `root` names an installation in another folder
// whose log lists `link`.
static int ListsLink(HKEY root, const char* name, const char* link)
{
    char keyPath[KEY_PATH_SIZE];
    char location[PATH_SIZE];
    if (!MakeProductKeyPath(keyPath, sizeof(keyPath), PRODUCT_KEY_UNINSTALL, name) ||
        ReadInstallLocation(root, keyPath, location) != 1 ||
        !lstrcmpiA(location, uninstall.plan.destination.path))
        return 0;
    unsigned char* bytes;
    UninstallPlan plan;
    LogFault fault;
    int listed = 0;
    if (LoadLogFile(location, &bytes, &plan, &fault, NULL) == LOG_LOADED &&
        !lstrcmpiA(plan.destination.path, location)) {
        TextListWalk walk;
        BeginShortcutWalk(&walk, &plan);
        while (!listed && NextShortcut(&walk))
            listed = !lstrcmpiA(walk.text, link);
    }
    MemFree(bytes);
    return listed;
}

// True when another installation, found through the installed programs' list, lists `link`
// too: two products that name a link alike both log it, and the link stays for the one that
// remains, whichever of them made it last.
static int IsListedElsewhere(const char* link)
{
    static const HKEY ROOTS[] = {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE};
    char entries[KEY_PATH_SIZE];
    if (!MakeProductKeyPath(entries, sizeof(entries), PRODUCT_KEY_UNINSTALL, ""))
        return 0;
    entries[GetTextLength(entries) - 1] = 0; // the key itself, without its trailing separator
    for (HKEY root : ROOTS) {
        HKEY list;
        if (RegOpenKeyExA(root, entries, 0, KEY_ENUMERATE_SUB_KEYS, &list) != ERROR_SUCCESS)
            continue;
        int listed = 0;
        char name[ENTRY_NAME_SIZE];
        for (DWORD index = 0; !listed; ++index) {
            DWORD length = sizeof(name);
            LONG result = RegEnumKeyExA(list, index, name, &length, NULL, NULL, NULL, NULL);
            if (result == ERROR_MORE_DATA)
                continue; // longer than any product's name
            if (result != ERROR_SUCCESS)
                break;
            listed = ListsLink(root, name, link);
        }
        (void)RegCloseKey(list); // nothing to do if closing fails
        if (listed)
            return 1;
    }
    return 0;
}

void RemoveShortcuts(void)
{
    TextListWalk walk;
    BeginShortcutWalk(&walk, &uninstall.plan);
    SetRemovalStatus(IDS_STATUS_SHORTCUTS, "");
    while (NextShortcut(&walk)) {
        SetRemovalStatus(IDS_STATUS_SHORTCUTS, walk.text);
        if (!IsListedElsewhere(walk.text) && !DeleteUnprotected(walk.text))
            NoteItemLeft(walk.text);
        StepRemoval();
    }
}

// Notes `path` as one that goes at the next restart, in a growing buffer of paths like the
// log's own; one that cannot be noted for want of memory only keeps its folders until then.
static void NoteScheduled(const char* path)
{
    (void)AppendToLog(&uninstall.scheduled, path, LOG_WHOLE_TEXT);
}

// True when `path` goes at the next restart, as a file or a folder.
static int IsScheduled(const char* path)
{
    const UninstallLog* set = &uninstall.scheduled;
    const char* paths = (const char*)set->buffer;
    for (uint32_t at = 0; at < set->logLength; at += (uint32_t)GetTextLength(paths + at) + 1) {
        if (!lstrcmpiA(paths + at, path))
            return 1;
    }
    return 0;
}

// `path` with SCHEDULED_SUFFIX into `moved` (PATH_SIZE); 0 when that is too long.
static int MakeScheduledName(const char* path, char* moved)
{
    size_t length = GetTextLength(path);
    if (length + sizeof(SCHEDULED_SUFFIX) > PATH_SIZE)
        return 0;
    CopyBytes(moved, path, length);
    CopyBytes(moved + length, SCHEDULED_SUFFIX, sizeof(SCHEDULED_SUFFIX));
    return 1;
}

// A running program cannot be deleted but can be renamed: it waits for the restart under its
// scheduled name, so that a file installed at its own name before the restart does not go with
// it. 0 when it cannot be renamed, or when the new name cannot be scheduled, after which it
// takes its own name back.
static int ScheduleUnderNewName(const char* path, const char* moved)
{
    if (!MoveFileExA(path, moved, MOVEFILE_REPLACE_EXISTING))
        return 0;
    if (MoveFileExA(moved, NULL, MOVEFILE_DELAY_UNTIL_REBOOT))
        return 1;
    (void)MoveFileExA(moved, path, 0); // just renamed, so it goes back; else it is left either way
    return 0;
}

static void RemoveFile(const char* path)
{
    char moved[PATH_SIZE];
    int named = MakeScheduledName(path, moved);
    if (DeleteUnprotected(path)) {
        // An earlier run, or this one before its cleanup copy, may have left it for the restart
        // under that name; it counts as going then when its folder is looked at.
        if (named && GetFileAttributesA(moved) != INVALID_FILE_ATTRIBUTES)
            NoteScheduled(moved);
        return;
    }
    // A file in use goes when Windows restarts, where the user's rights allow scheduling it.
    if (named && ScheduleUnderNewName(path, moved)) {
        NoteScheduledRemoval(path);
        NoteScheduled(moved);
    } else if (MoveFileExA(path, NULL, MOVEFILE_DELAY_UNTIL_REBOOT)) {
        NoteScheduledRemoval(path);
        NoteScheduled(path);
    } else {
        NoteItemLeft(path);
    }
}

// True for the running program and for "uninst.dat" at the top of the destination. The log
// names the folder that the program runs from (compared as files when it was read), so the
// program is known by its name there, in whatever form the folder's path started it.
static int IsOwnFile(const char* path)
{
    const char* ownNames[] = {FindLastComponent(uninstall.modulePath), UNINSTALL_LOG_NAME};
    for (const char* name : ownNames) {
        char ownPath[PATH_SIZE];
        if (CopyTextBounded(ownPath, sizeof(ownPath), uninstall.plan.destination.path) &&
            AppendPath(ownPath, name) && !lstrcmpiA(path, ownPath))
            return 1;
    }
    return 0;
}

// 1 when everything that `folder` holds goes at the next restart, 0 when something stays, -1
// when the folder cannot be looked into. With `skipOwnFiles`, the program and the log, which
// the cleanup copy removes, do not count.
static int HoldsOnlyScheduled(const char* folder, int skipOwnFiles)
{
    char path[PATH_SIZE];
    if (!CopyTextBounded(path, sizeof(path), folder) || !AppendPath(path, "*"))
        return -1;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(path, &found);
    if (search == INVALID_HANDLE_VALUE)
        return -1;
    const char* ownName = FindLastComponent(uninstall.modulePath);
    int onlyScheduled = 1;
    do {
        const char* name = found.cFileName;
        if (!lstrcmpA(name, ".") || !lstrcmpA(name, "..") ||
            (skipOwnFiles && (!lstrcmpiA(name, ownName) || !lstrcmpiA(name, UNINSTALL_LOG_NAME))))
            continue;
        onlyScheduled = CopyTextBounded(path, sizeof(path), folder) && AppendPath(path, name) &&
                        IsScheduled(path);
    } while (onlyScheduled && FindNextFileA(search, &found));
    (void)FindClose(search); // nothing to do if closing fails
    return onlyScheduled;
}

// A read-only folder, which a product may install, refuses to be removed on Windows: its
// attribute is cleared for one more try, and set again when the folder stays all the same.
static int RemoveDirectoryUnprotected(const char* path)
{
    if (RemoveDirectoryA(path))
        return 1;
    DWORD error = GetLastError();
    DWORD attributes = GetFileAttributesA(path);
    if (error != ERROR_ACCESS_DENIED || attributes == INVALID_FILE_ATTRIBUTES ||
        !(attributes & FILE_ATTRIBUTE_READONLY) ||
        !SetFileAttributesA(path, attributes & ~FILE_ATTRIBUTE_READONLY)) {
        SetLastError(error);
        return 0;
    }
    if (RemoveDirectoryA(path))
        return 1;
    error = GetLastError();
    (void)SetFileAttributesA(path, attributes); // the folder stays as it was, where that works
    SetLastError(error);
    return 0;
}

// A folder that still holds something stays and is listed: the user's files are no failure.
// One that holds only what goes at the next restart goes then too (Windows removes a folder
// at the restart only if it is empty by then), and its parents may follow it.
static int RemoveFolder(const char* path)
{
    if (RemoveDirectoryUnprotected(path))
        return 1;
    DWORD error = GetLastError();
    if (IsGone(error))
        return 1;
    if (error != ERROR_DIR_NOT_EMPTY) {
        NoteItemLeft(path);
        return 0;
    }
    if (HoldsOnlyScheduled(path, 0) == 1 && MoveFileExA(path, NULL, MOVEFILE_DELAY_UNTIL_REBOOT)) {
        NoteScheduled(path); // not listed: the files in it are
        return 1;
    }
    NoteKeptFolder(path);
    return 0;
}

void RemoveFileList(int skipOwnFiles)
{
    FileListWalk walk;
    RemovalKind kind;
    BeginFileListWalk(&walk, &uninstall.plan);
    SetRemovalStatus(IDS_STATUS_FILES, "");
    while (NextRemovalEntry(&walk, &kind)) {
        if (kind == REMOVE_DIRECTORY) {
            (void)RemoveFolder(walk.path); // one that stays is listed or left for the restart
            continue;
        }
        if (skipOwnFiles && IsOwnFile(walk.path)) {
            StepRemoval();
            continue;
        }
        SetRemovalStatus(IDS_STATUS_FILES, walk.path);
        RemoveFile(walk.path);
        StepRemoval();
    }
}

// True for a listed key that is no longer this installation's: the product's Uninstall entry
// when an installation of the same product into another folder has since taken it over (its
// folder value names that folder), or an App Paths key that another program has taken over
// (it names a program outside the destination). A key without that value is taken as this
// installation's.
static int IsTakenOver(HKEY root, const char* keyPath)
{
    return NamesDestination(root, keyPath, uninstall.plan.destination.path) == 0;
}

// Deletes the key `path` below `root` with its subkeys, which belong to the product's entry
// as much as its values do (a product may add some to its Uninstall entry), and which would
// keep RegDeleteKey from deleting the key. Deeper subkeys than any entry holds are not
// followed, and their key stays.
static LONG DeleteKeyTree(HKEY root, const char* path, int depth)
{
    // A key whose subkeys cannot be listed may still have none, and its deletion tells.
    HKEY key;
    if (RegOpenKeyExA(root, path, 0, KEY_ENUMERATE_SUB_KEYS, &key) == ERROR_SUCCESS) {
        char name[ENTRY_NAME_SIZE];
        DWORD nameSize = sizeof(name);
        // Always the first subkey, as each one found is deleted before the next is looked for.
        while (depth < KEY_TREE_DEPTH &&
               RegEnumKeyExA(key, 0, name, &nameSize, NULL, NULL, NULL, NULL) == ERROR_SUCCESS &&
               DeleteKeyTree(key, name, depth + 1) == ERROR_SUCCESS)
            nameSize = sizeof(name);
        (void)RegCloseKey(key); // a handle that does not close holds nothing the deletion needs
    }
    return RegDeleteKeyA(root, path);
}

// A key that stays is named with its root, as the registry editor shows it.
static void NoteKeyLeft(HKEY root, const char* path)
{
    char named[KEY_PATH_SIZE + sizeof(LOCAL_MACHINE_NAME)];
    (void)FormatText(named, sizeof(named), root == HKEY_LOCAL_MACHINE ? LOCAL_MACHINE_NAME : CURRENT_USER_NAME,
                     path); // a cut name still reads
    NoteItemLeft(named);
}

// Deletes the log's keys of `kind` that are still this installation's; false when one stays.
static int RemoveKeysOfKind(ProductKeyKind kind)
{
    int removed = 1;
    TextListWalk walk;
    BeginRegistryWalk(&walk, &uninstall.plan);
    while (NextRegistryKey(&walk)) {
        HKEY root = GetLogRootKey(walk.root);
        if (GetProductKeyKind(walk.text) != kind || IsTakenOver(root, walk.text))
            continue;
        LONG result = DeleteKeyTree(root, walk.text, 0);
        if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND) {
            NoteKeyLeft(root, walk.text);
            removed = 0;
        }
    }
    return removed;
}

int RemoveRegistryKeys(void)
{
    SetRemovalStatus(IDS_STATUS_REGISTRY, "");
    // The Uninstall entry goes last, once nothing else is left to run the uninstaller for.
    int removed = RemoveKeysOfKind(PRODUCT_KEY_APP_PATHS) && RemoveKeysOfKind(PRODUCT_KEY_UNINSTALL);
    StepRemoval();
    return removed;
}

void TrimFolder(const LogFolder* folder)
{
    if (!folder->path)
        return;
    char path[PATH_SIZE];
    if (!CopyTextBounded(path, sizeof(path), folder->path))
        return;
    SetRemovalStatus(IDS_STATUS_FOLDERS, path);
    size_t length = GetTextLength(path);
    while (length > folder->existingLength) {
        if (!RemoveFolder(path))
            return;
        length = CutToParentFolder(path, length, folder->existingLength);
    }
}

void CheckDestinationLeftovers(void)
{
    // A destination that cannot be looked into, most often one already gone, is not reported.
    if (HoldsOnlyScheduled(uninstall.plan.destination.path, 1) == 0)
        NoteKeptFolder(uninstall.plan.destination.path);
}
