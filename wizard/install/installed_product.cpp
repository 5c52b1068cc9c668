// Reads the uninstall log that a folder holds with the uninstaller's own reader and tells
// whether it belongs to another product.
#include "install/installed_product.h"

#include "common/memory.h"
#include "common/path_routines.h"
#include "common/text.h"
#include "common/uninstall_log_reader.h"

enum {
    INSTALLED_LOG_LIMIT = 16 << 20, // the uninstaller reads no larger log either
};

// The log's bytes checked by the reader; the plan points into `bytes`.
static BOOL ReadInstalledLog(HANDLE file, DWORD size, unsigned char* bytes, UninstallPlan* plan)
{
    DWORD read = 0;
    return ReadFile(file, bytes, size, &read, NULL) && read == size &&
           ReadUninstallLog(bytes, size, plan) == LOG_FAULT_NONE;
}

BOOL FindOtherProduct(const char* folder, const char* productName, char* otherName, size_t size)
{
    char path[PATH_SIZE];
    if (!CopyTextBounded(path, sizeof(path), folder) || !AppendPath(path, UNINSTALL_LOG_NAME))
        return FALSE;
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return FALSE;
    DWORD high = 0;
    DWORD logSize = GetFileSize(file, &high);
    BOOL other = FALSE;
    if (logSize != INVALID_FILE_SIZE && !high && logSize <= INSTALLED_LOG_LIMIT) {
        unsigned char* bytes = (unsigned char*)MemAlloc(logSize ? logSize : 1);
        UninstallPlan plan;
        if (bytes && ReadInstalledLog(file, logSize, bytes, &plan) &&
            lstrcmpiA(plan.displayName, productName) != 0) {
            other = TRUE;
            (void)CopyTextBounded(otherName, size, plan.displayName); // a cut name still tells
        }
        MemFree(bytes);
    }
    (void)CloseHandle(file); // read-only: nothing is lost if closing fails
    return other;
}
