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
    UINT error = IDS_LOG_UNREADABLE;
    if (size != INVALID_FILE_SIZE && !high && size <= LOG_SIZE_LIMIT) {
        unsigned char* bytes = (unsigned char*)HeapAlloc(uninstall.processHeap, 0, size ? size : 1);
        DWORD read = 0;
        if (!bytes)
            error = IDS_OUT_OF_MEMORY;
        else if (ReadFile(file, bytes, size, &read, NULL) && read == size)
            error = LOG_FAULT_MESSAGES[ReadUninstallLog(bytes, size, &uninstall.plan)]; // the plan points into it
        else
            (void)HeapFree(uninstall.processHeap, 0, bytes); // nothing to do about a failure
    }
    (void)CloseHandle(file); // read-only: nothing is lost if closing fails
    return error;
}
