// The registry step: the product's Uninstall entry and its main program's App Paths key,
// each logged when it could be opened, the entry's values once the log is saved. Best effort:
// no registry failure stops the setup.
#include <windows.h>

#include "common/command_quoting.h"
#include "common/format.h"
#include "common/path_routines.h"
#include "common/registry_keys.h"
#include "common/text.h"
#include "common/uninstall_log_carry.h"
#include "common/uninstaller_marker.h"
#include "common/win32/registry_values.h"
#include "core/folder_values.h"
#include "core/wizard_state.h"
#include "install/install_engine.h"

static const char QUIET_COMMAND[] = "%s /S";

enum {
    QUIET_COMMAND_SIZE = COMMAND_LINE_SIZE + sizeof(QUIET_COMMAND) - sizeof("%s"), // the switch
};

// Opens or creates a product key; a key that this installation created is noted, so that it
// can be withdrawn if the installation ends without its log.
static HKEY OpenProductKey(HKEY root, const char* path, REGSAM access, DWORD* disposition)
{
    HKEY key;
    if (RegCreateKeyExA(root, path, 0, NULL, REG_OPTION_NON_VOLATILE, access, NULL, &key,
                        disposition) != ERROR_SUCCESS)
        return NULL;
    if (*disposition == REG_CREATED_NEW_KEY && wizard.createdKeyCount < CREATED_KEY_LIMIT) {
        CreatedKey* created = &wizard.createdKeys[wizard.createdKeyCount++];
        created->root = root;
        (void)CopyTextBounded(created->path, KEY_PATH_SIZE, path); // made from a key path
    }
    return key;
}

static void SetTextValue(HKEY key, const char* name, const char* text)
{
    (void)RegSetValueExA(key, name, 0, REG_SZ, (const BYTE*)text,
                         (DWORD)GetTextLength(text) + 1); // value writes are best effort
}

static void SetNumberValue(HKEY key, const char* name, DWORD number)
{
    (void)RegSetValueExA(key, name, 0, REG_DWORD, (const BYTE*)&number,
                         sizeof(number)); // value writes are best effort
}

// A value that this installation has none for goes: an earlier installation's, left in the
// key, would name that one's uninstaller or icon, and its quiet command would remove it.
static void SetOrDropTextValue(HKEY key, const char* name, const char* text)
{
    if (text)
        SetTextValue(key, name, text);
    else
        (void)RegDeleteValueA(key, name); // a value that is not there needs no deleting
}

// The values that the installed-programs list and package managers read besides the name
// and the commands: the folder, the size, the icon, and that there is no modify or repair.
static void SetListingValues(HKEY key, const char* program)
{
    SetTextValue(key, UNINSTALL_LOCATION_VALUE, wizard.installDir);
    SetNumberValue(key, "EstimatedSize", RoundUpToKilobytes(GetHeaderField(FIELD_TOTAL_SIZE)));
    SetOrDropTextValue(key, "DisplayIcon", program);
    SetNumberValue(key, "NoModify", 1);
    SetNumberValue(key, "NoRepair", 1);
}

// True when the installed uninstaller is this project's, which removes silently with "/S"; a
// vendor's own may not know the switch. Read as data: its code is never run here.
static BOOL IsSilentUninstaller(const char* path)
{
    HMODULE module = LoadLibraryExA(path, NULL, LOAD_LIBRARY_AS_DATAFILE);
    if (!module)
        return FALSE;
    BOOL marked = FindResourceA(module, MAKEINTRESOURCEA(UNINSTALLER_MARKER_ID),
                                MAKEINTRESOURCEA(UNINSTALLER_MARKER_TYPE)) != NULL;
    (void)FreeLibrary(module); // a data file holds nothing to release but its mapping
    return marked;
}

BOOL MakeUninstallKeyPath(char* keyPath)
{
    return MakeProductKeyPath(keyPath, KEY_PATH_SIZE, PRODUCT_KEY_UNINSTALL, wizard.productName);
}

HKEY GetUninstallRoot(void)
{
    return wizard.isNt ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
}

// The Uninstall key is made (or opened) and logged here; its values follow once the log is
// saved, so that an installation that ends before then leaves the entry of an earlier one,
// perhaps in another folder, as it was.
static void RegisterUninstallKey(void)
{
    char keyPath[KEY_PATH_SIZE];
    if (!MakeUninstallKeyPath(keyPath))
        return; // a name too long for a key
    DWORD disposition;
    HKEY key = OpenProductKey(GetUninstallRoot(), keyPath, KEY_SET_VALUE, &disposition);
    if (!key)
        return;
    AppendRegistryRecord(&wizard.uninstallLog,
                         wizard.isNt ? LOG_ROOT_CURRENT_USER : LOG_ROOT_LOCAL_MACHINE, keyPath);
    (void)RegCloseKey(key); // nothing to do if closing fails
}

// The launch entry's program, expanded, for the icon and the App Paths key; false for none, or
// for one that does not fit a path.
static BOOL ExpandLaunchProgram(const char** commandLine, char* program)
{
    uint32_t entry = GetHeaderField(FIELD_LAUNCH_ENTRY);
    *commandLine = entry ? (const char*)wizard.package + entry + RUN_ENTRY_HEAD : NULL;
    return *commandLine && ExpandFolderVariables(*commandLine, program);
}

void PublishUninstallEntry(void)
{
    char keyPath[KEY_PATH_SIZE];
    HKEY key;
    if (!MakeUninstallKeyPath(keyPath) ||
        RegOpenKeyExA(GetUninstallRoot(), keyPath, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return; // the registry step could not make the key either
    const char* commandLine;
    char program[PATH_SIZE];
    BOOL hasProgram = ExpandLaunchProgram(&commandLine, program);
    SetTextValue(key, "DisplayName", wizard.productName);
    // Quoted, so that a destination with spaces cannot name another program.
    char uninstaller[PATH_SIZE];
    char command[COMMAND_LINE_SIZE];
    char quietCommand[QUIET_COMMAND_SIZE];
    const char* quiet = NULL;
    if (CopyTextBounded(uninstaller, PATH_SIZE, wizard.installDir) &&
        AppendPath(uninstaller, UNINSTALLER_NAME) &&
        QuoteCommandLine(uninstaller, command, COMMAND_LINE_SIZE)) {
        SetTextValue(key, "UninstallString", command);
        if (IsSilentUninstaller(uninstaller) &&
            FormatText(quietCommand, QUIET_COMMAND_SIZE, QUIET_COMMAND, command))
            quiet = quietCommand;
    }
    SetOrDropTextValue(key, "QuietUninstallString", quiet);
    SetListingValues(key, hasProgram ? program : NULL);
    (void)RegCloseKey(key); // nothing to do if closing fails
}

// True when an App Paths key that was there before names `program` itself: the entry of an
// earlier installation of this product into the same place, which is this one's to replace.
static BOOL NamesProgram(const char* keyPath, const char* program)
{
    char value[PATH_SIZE];
    return ReadTextValue(HKEY_LOCAL_MACHINE, keyPath, NULL, value, sizeof(value)) == 1 &&
           lstrcmpiA(value, program) == 0;
}

static void RegisterAppPath(const char* commandLine, char* program)
{
    char keyPath[KEY_PATH_SIZE];
    if (!MakeProductKeyPath(keyPath, KEY_PATH_SIZE, PRODUCT_KEY_APP_PATHS,
                            FindLastComponent(commandLine)))
        return; // too long for a key: no key rather than a wrong one
    DWORD disposition;
    HKEY key = OpenProductKey(HKEY_LOCAL_MACHINE, keyPath, KEY_SET_VALUE, &disposition);
    if (!key)
        return;
    // Another program's entry of the same name stays as it is, and out of the removal list.
    if (disposition == REG_OPENED_EXISTING_KEY && !NamesProgram(keyPath, program)) {
        (void)RegCloseKey(key); // nothing was changed
        return;
    }
    AppendRegistryRecord(&wizard.uninstallLog, LOG_ROOT_LOCAL_MACHINE, keyPath);
    SetTextValue(key, NULL, program);
    *(char*)FindLastSeparator(program) = 0;
    SetTextValue(key, "Path", program);
    (void)RegCloseKey(key); // nothing to do if closing fails
}

// True when an earlier installation's key still names this destination: an App Paths key a
// program in it, an Uninstall entry the folder itself. Another program's key of the same name
// stays out of the log.
static int NamesThisDestination(int root, const char* keyPath)
{
    return NamesDestination(GetLogRootKey(root), keyPath, wizard.installDir) == 1;
}

UINT RegisterProduct(void)
{
    NoteLogSection(&wizard.uninstallLog, LOG_REGISTRY_LIST);
    RegisterUninstallKey();
    const char* commandLine;
    char program[PATH_SIZE];
    if (ExpandLaunchProgram(&commandLine, program))
        RegisterAppPath(commandLine, program);
    EndRegistryList();
    (void)StepProgress(); // a stop is seen at the next gate
    return 0;
}

void EndRegistryList(void)
{
    // An earlier build's App Paths key for a program that this one names otherwise, and its
    // Uninstall entry for a run that ends before registering.
    if (wizard.earlierLog)
        CarryEarlierRegistryKeys(&wizard.uninstallLog, &wizard.earlierPlan, NamesThisDestination);
    (void)AppendLogByte(&wizard.uninstallLog, LOG_END); // a loss shows at the save
}

void WithdrawRegistration(void)
{
    for (int i = 0; i < wizard.createdKeyCount; ++i)
        (void)RegDeleteKeyA(wizard.createdKeys[i].root, wizard.createdKeys[i].path); // best effort
    wizard.createdKeyCount = 0;
}
