// Reads the uninstall log that a folder holds with the uninstaller's own reader: whether it
// belongs to another product, and what an earlier installation of this one made.
#include "install/installed_product.h"

#include "common/memory.h"
#include "common/text.h"
#include "common/uninstall_log_carry.h"
#include "common/win32/log_file.h"
#include "core/wizard.h"
#include "core/wizard_state.h"

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

void LoadEarlierInstallation(void)
{
    unsigned char* bytes;
    if (ReadInstalledLog(wizard.installDir, &bytes, &wizard.earlierPlan) &&
        !lstrcmpiA(wizard.earlierPlan.displayName, wizard.productName)) {
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
    if (earlier->path && !lstrcmpiA(earlier->path, path) &&
        earlier->existingLength < existingLength)
        return earlier->existingLength;
    return existingLength;
}

void CarryEarlierMenuFolderOver(void)
{
    const LogFolder* earlier = &wizard.earlierPlan.menuFolder;
    if (wizard.earlierLog && earlier->path && DirectoryExists(earlier->path))
        AppendFolderRecord(&wizard.uninstallLog, LOG_MENU_RECORD, earlier->existingLength,
                           earlier->path);
}

void CarryEarlierFilesOver(void)
{
    if (wizard.earlierLog)
        (void)CarryEarlierFiles(&wizard.uninstallLog, &wizard.earlierPlan); // else its own alone
}

static int IsLinkPresent(const char* path)
{
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

void CarryEarlierShortcutsOver(void)
{
    if (wizard.earlierLog)
        CarryEarlierShortcuts(&wizard.uninstallLog, &wizard.earlierPlan, IsLinkPresent);
}
