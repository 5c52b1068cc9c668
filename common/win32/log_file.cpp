// Loads "uninst.dat" of a folder whole and checks it with the one reader; the bytes stay with
// the caller, since the plan points into them.
#include "common/win32/log_file.h"

#include "common/memory.h"
#include "common/path_routines.h"
#include "common/text.h"

BOOL ReadFileIdentity(HANDLE file, FileIdentity* identity)
{
    BY_HANDLE_FILE_INFORMATION information;
    if (!GetFileInformationByHandle(file, &information))
        return FALSE;
    identity->volume = information.dwVolumeSerialNumber;
    identity->indexHigh = information.nFileIndexHigh;
    identity->indexLow = information.nFileIndexLow;
    return TRUE;
}

LogLoadResult LoadLogFile(const char* folder, unsigned char** bytes, UninstallPlan* plan,
                          LogFault* fault, FileIdentity* identity)
{
    *bytes = NULL;
    *fault = LOG_FAULT_NONE;
    char path[PATH_SIZE];
    if (!CopyTextBounded(path, sizeof(path), folder) || !AppendPath(path, UNINSTALL_LOG_NAME))
        return LOG_UNREADABLE;
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return LOG_UNREADABLE;
    DWORD high = 0;
    DWORD size = GetFileSize(file, &high);
    LogLoadResult result = LOG_UNREADABLE;
    if (size != INVALID_FILE_SIZE && !high && size <= LOG_SIZE_LIMIT &&
        (!identity || ReadFileIdentity(file, identity))) {
        *bytes = (unsigned char*)MemAlloc(size ? size : 1);
        DWORD read = 0;
        if (!*bytes) {
            result = LOG_NO_MEMORY;
        } else if (ReadFile(file, *bytes, size, &read, NULL) && read == size) {
            *fault = ReadUninstallLog(*bytes, size, plan);
            result = *fault == LOG_FAULT_NONE ? LOG_LOADED : LOG_REFUSED;
        }
    }
    (void)CloseHandle(file); // read-only: nothing is lost if closing fails
    return result;
}
