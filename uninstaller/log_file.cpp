// Loading "uninst.dat" from the directory given into the state's plan, with a message for
// every refusal, and only when the log names the folder it was read from.
#include "log_file.h"

#include "common/memory.h"
#include "common/path_routines.h"
#include "common/text.h"
#include "common/win32/log_file.h"
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

// The path of "uninst.dat" in the destination that the log names, into `path` (PATH_SIZE).
static BOOL MakeNamedLogPath(char* path)
{
    return CopyTextBounded(path, PATH_SIZE, uninstall.plan.destination.path) &&
           AppendPath(path, UNINSTALL_LOG_NAME);
}

// True when the log names the folder it was read from: its destination's "uninst.dat" is the
// very file that was read. Compared as files, not as texts, so that case, short names and
// separators do not matter; a moved or copied installation, or an edited log, names another.
static BOOL NamesItsOwnFolder(const FileIdentity* read)
{
    char path[PATH_SIZE];
    if (!MakeNamedLogPath(path))
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

void MarkUninstallCommandRun(void)
{
    char path[PATH_SIZE];
    if (!MakeNamedLogPath(path))
        return;
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                              NULL);
    // A log that stays unmarked costs a later run only the report of a program not found.
    if (file == INVALID_HANDLE_VALUE)
        return;
    const unsigned char noCommand[4] = {0, 0, 0, 0};
    DWORD written;
    if (SetFilePointer(file, LOG_UNINSTALL_COMMAND, NULL, FILE_BEGIN) == LOG_UNINSTALL_COMMAND)
        (void)WriteFile(file, noCommand, sizeof(noCommand), &written, NULL); // as above
    (void)CloseHandle(file); // as above
}

UINT LoadUninstallLog(const char* directory)
{
    unsigned char* bytes;
    LogFault fault;
    FileIdentity identity;
    LogLoadResult result = LoadLogFile(directory, &bytes, &uninstall.plan, &fault, &identity);
    if (result == LOG_LOADED)
        // The bytes stay for the whole run, since the plan points into them; the message of
        // a log of another folder names it from them.
        return NamesItsOwnFolder(&identity) ? 0 : IDS_LOG_ELSEWHERE;
    MemFree(bytes);
    if (result == LOG_NO_MEMORY)
        return IDS_OUT_OF_MEMORY;
    return result == LOG_REFUSED ? LOG_FAULT_MESSAGES[fault] : IDS_LOG_UNREADABLE;
}
