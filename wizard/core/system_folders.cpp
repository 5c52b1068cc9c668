// The system folders behind the folder variables, found once at start-up: Windows, system
// and temporary directories, registry locations, the shell's special folders, Quick Launch.
#include <windows.h>
#include <shlobj.h>

#include "common/registry_keys.h"
#include "common/win32/temp_directory.h"
#include "core/folder_values.h"
#include "core/wizard.h"
#include "core/wizard_state.h"

static const char SHELL_FOLDERS_KEY[] = CURRENT_VERSION_KEY_TEXT "\\Explorer\\Shell Folders";
static const char QUICK_LAUNCH_PATH[] = "Microsoft\\Internet Explorer\\Quick Launch";

// A shell folder: the special folder asked first, the Shell Folders value as the fallback.
struct ShellFolder {
    int specialFolder;
    const char* valueName;
    FolderVariableIndex variable;
};

static const ShellFolder SHELL_FOLDERS[] = {
    {CSIDL_DESKTOPDIRECTORY, "Desktop", FOLDER_DESKTOP_DIR},
    {CSIDL_STARTMENU, "Start Menu", FOLDER_START_MENU},
    {CSIDL_PROGRAMS, "Programs", FOLDER_PROGRAMS_MENU},
    {CSIDL_STARTUP, "Startup", FOLDER_STARTUP_MENU},
    {CSIDL_SENDTO, "SendTo", FOLDER_SEND_TO_DIR},
};

// A registry value read as text whatever its type; a value without its own NUL gets one, and
// one that leaves no room for it (longer than a path) is refused.
static BOOL ReadRegistryText(HKEY key, const char* valueName, char* buffer)
{
    DWORD size = PATH_SIZE;
    if (!key || RegQueryValueExA(key, valueName, NULL, NULL, (BYTE*)buffer, &size) != ERROR_SUCCESS)
        return FALSE;
    if (size == PATH_SIZE && buffer[PATH_SIZE - 1] != 0)
        return FALSE;
    buffer[size < PATH_SIZE ? size : PATH_SIZE - 1] = 0;
    return TRUE;
}

static BOOL QueryShellFolder(HKEY key, const char* valueName, FolderVariableIndex variable)
{
    char buffer[PATH_SIZE];
    if (!ReadRegistryText(key, valueName, buffer))
        return FALSE;
    folderValues[variable] = DuplicatePath(buffer);
    return TRUE;
}

// The Shell Folders value of a folder that the shell could neither find nor make, taken only
// when that directory exists: shortcuts are written straight into it, and a Desktop or Startup
// icon offered for a folder that is not there would fail after every file is on disk.
static void QueryExistingShellFolder(HKEY key, const char* valueName, FolderVariableIndex variable)
{
    char buffer[PATH_SIZE];
    if (ReadRegistryText(key, valueName, buffer) && DirectoryExists(buffer))
        folderValues[variable] = DuplicatePath(buffer);
}

static BOOL QuerySpecialFolder(int specialFolder, FolderVariableIndex variable)
{
    LPITEMIDLIST items;
    if (FAILED(SHGetSpecialFolderLocation(NULL, specialFolder, &items)))
        return FALSE;
    char buffer[PATH_SIZE];
    BOOL found = SHGetPathFromIDListA(items, buffer);
    wizard.shellAllocator->Free(items);
    if (!found)
        return FALSE;
    folderValues[variable] = DuplicatePath(buffer);
    return TRUE;
}

// The folder that a directory query of the system gives, when it fits a path.
static void SetSystemFolder(UINT length, const char* buffer, FolderVariableIndex variable)
{
    if (length > 0 && length < PATH_SIZE)
        folderValues[variable] = DuplicatePath(buffer);
}

// Quick Launch is only looked for when the package has a Quick Launch shortcut.
static void FindQuickLaunchDir(HKEY shellFolders)
{
    char path[PATH_SIZE];
    if (GetHeaderField(FIELD_QUICK_LAUNCH_SHORTCUT) &&
        ReadRegistryText(shellFolders, "AppData", path) && AppendPath(path, QUICK_LAUNCH_PATH) &&
        DirectoryExists(path))
        wizard.quickLaunchDir = DuplicatePath(path);
}

void InitFolderVariables(void)
{
    folderValues[FOLDER_INSTALL_DIR] = wizard.installDir;
    folderValues[FOLDER_MENU_FOLDER] = wizard.menuFolder;
    folderValues[FOLDER_HANDLE] = wizard.handleText;

    char buffer[PATH_SIZE];
    SetSystemFolder(GetWindowsDirectoryA(buffer, PATH_SIZE), buffer, FOLDER_WINDOWS_DIR);
    SetSystemFolder(GetSystemDirectoryA(buffer, PATH_SIZE), buffer, FOLDER_SYSTEM_DIR);
    SetSystemFolder(GetTempDirectory(buffer, 0), buffer, FOLDER_TEMP_DIR);

    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, CURRENT_VERSION_KEY, 0, KEY_QUERY_VALUE, &key) ==
        ERROR_SUCCESS) {
        (void)QueryShellFolder(key, "ProgramFilesDir", FOLDER_PROGRAM_FILES); // unset if missing
        (void)QueryShellFolder(key, "CommonFilesDir", FOLDER_COMMON_FILES);
        (void)RegCloseKey(key); // nothing to do if closing fails
    }

    HKEY shellFolders;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, SHELL_FOLDERS_KEY, 0, KEY_QUERY_VALUE, &shellFolders) !=
        ERROR_SUCCESS)
        shellFolders = NULL;
    FindQuickLaunchDir(shellFolders);
    for (const ShellFolder& folder : SHELL_FOLDERS) {
        // A folder that neither source gives stays unset.
        if (!QuerySpecialFolder(folder.specialFolder, folder.variable))
            QueryExistingShellFolder(shellFolders, folder.valueName, folder.variable);
    }
    if (shellFolders)
        (void)RegCloseKey(shellFolders); // nothing to do if closing fails
}
