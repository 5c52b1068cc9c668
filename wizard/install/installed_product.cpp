// Reads the uninstall log that a folder holds with the uninstaller's own reader: whether it
// belongs to another product, and which folders an earlier installation of this one made.
#include "install/installed_product.h"

#include "common/memory.h"
#include "common/text.h"
#include "common/win32/log_file.h"

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

DWORD FindEarlierExistingLength(const char* installDir, const char* productName,
                                BOOL menuRecord, const char* path, DWORD existingLength)
{
    unsigned char* bytes;
    UninstallPlan plan;
    if (ReadInstalledLog(installDir, &bytes, &plan) && !lstrcmpiA(plan.displayName, productName)) {
        const LogFolder* earlier = menuRecord ? &plan.menuFolder : &plan.destination;
        if (earlier->path && !lstrcmpiA(earlier->path, path) &&
            earlier->existingLength < existingLength)
            existingLength = earlier->existingLength;
    }
    MemFree(bytes);
    return existingLength;
}
