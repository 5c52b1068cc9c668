// Reads the uninstall log that a folder holds with the uninstaller's own reader: whether it
// belongs to another product, and which folders an earlier installation of this one made.
#include "install/installed_product.h"

#include "common/memory.h"
#include "common/path_routines.h"
#include "common/text.h"

enum {
    INSTALLED_LOG_LIMIT = 16 << 20, // the uninstaller reads no larger log either
};

// The folder's log checked by the reader into `plan`, which points into the heap block left
// in `*bytes` for the caller to free; FALSE for no log, or one the uninstaller would refuse.
static BOOL ReadInstalledLog(const char* folder, unsigned char** bytes, UninstallPlan* plan)
{
    *bytes = NULL;
    char path[PATH_SIZE];
    if (!CopyTextBounded(path, sizeof(path), folder) || !AppendPath(path, UNINSTALL_LOG_NAME))
        return FALSE;
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return FALSE;
    DWORD high = 0;
    DWORD size = GetFileSize(file, &high);
    BOOL read = FALSE;
    if (size != INVALID_FILE_SIZE && !high && size <= INSTALLED_LOG_LIMIT) {
        *bytes = (unsigned char*)MemAlloc(size ? size : 1);
        DWORD done = 0;
        read = *bytes && ReadFile(file, *bytes, size, &done, NULL) && done == size &&
               ReadUninstallLog(*bytes, size, plan) == LOG_FAULT_NONE;
    }
    (void)CloseHandle(file); // read-only: nothing is lost if closing fails
    return read;
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
