// Loading "uninst.dat" from the directory given and reading it into the state's plan; the
// bytes stay on the heap for the whole run, since the plan points into them.
#include "log_file.h"

#include "common/path_routines.h"
#include "common/text.h"
#include "common/uninstall_log_reader.h"
#include "resource.h"
#include "uninstall_state.h"

// The message of each reason the reader refuses a log for, in the order of LogFault.
static const UINT LOG_FAULT_MESSAGES[] = {
    0,
    IDS_LOG_WRONG_SIZE,
    IDS_LOG_BAD_OFFSET,
    IDS_LOG_BAD_TEXT,
    IDS_LOG_BAD_FOLDER,
    IDS_LOG_BAD_FILE_LIST,
    IDS_LOG_BAD_NAME,
    IDS_LOG_PATH_TOO_LONG,
    IDS_LOG_BAD_SHORTCUT,
    IDS_LOG_BAD_REGISTRY,
};

// The identity of an open file: its volume and its index on that volume.
struct FileIdentity {
    DWORD volume;
    DWORD indexHigh;
    DWORD indexLow;
};

static BOOL ReadFileIdentity(HANDLE file, FileIdentity* identity)
{
    BY_HANDLE_FILE_INFORMATION information;
    if (!GetFileInformationByHandle(file, &information))
        return FALSE;
    identity->volume = information.dwVolumeSerialNumber;
    identity->indexHigh = information.nFileIndexHigh;
    identity->indexLow = information.nFileIndexLow;
    return TRUE;
}

// True when the log names the folder it was read from: its destination's "uninst.dat" is the
// very file that was read. Compared as files, not as texts, so that case, short names and
// separators do not matter; a moved or copied installation, or an edited log, names another.
static BOOL NamesItsOwnFolder(const FileIdentity* read)
{
    char path[PATH_SIZE];
    if (!CopyTextBounded(path, sizeof(path), uninstall.plan.destination.path) ||
        !AppendPath(path, UNINSTALL_LOG_NAME))
        return FALSE;
    HANDLE file = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return FALSE;
    FileIdentity named;
    BOOL same = ReadFileIdentity(file, &named) && named.volume == read->volume &&
                named.indexHigh == read->indexHigh && named.indexLow == read->indexLow;
    (void)CloseHandle(file); // opened for its identity only
    return same;
}

UINT LoadUninstallLog(const char* directory)
{
    char path[PATH_SIZE];
    if (!CopyTextBounded(path, sizeof(path), directory) || !AppendPath(path, UNINSTALL_LOG_NAME))
        return IDS_LOG_UNREADABLE;
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return IDS_LOG_UNREADABLE;
    DWORD high = 0;
    DWORD size = GetFileSize(file, &high);
    FileIdentity identity;
    UINT error = IDS_LOG_UNREADABLE;
    if (size != INVALID_FILE_SIZE && !high && size <= LOG_SIZE_LIMIT &&
        ReadFileIdentity(file, &identity)) {
        unsigned char* bytes = (unsigned char*)HeapAlloc(uninstall.processHeap, 0, size ? size : 1);
        DWORD read = 0;
        if (!bytes)
            error = IDS_OUT_OF_MEMORY;
        else if (ReadFile(file, bytes, size, &read, NULL) && read == size)
            // The plan points into the bytes, which stay.
            error = LOG_FAULT_MESSAGES[ReadUninstallLog(bytes, size, &uninstall.plan)];
        else
            (void)HeapFree(uninstall.processHeap, 0, bytes); // nothing to do about a failure
    }
    (void)CloseHandle(file); // read-only: nothing is lost if closing fails
    if (!error && !NamesItsOwnFolder(&identity))
        error = IDS_LOG_ELSEWHERE;
    return error;
}
