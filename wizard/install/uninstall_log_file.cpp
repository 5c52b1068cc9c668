// The step that writes the uninstall log as "uninst.dat" in the destination, in one piece,
// once every earlier step has appended its section; and the log of a reinstall that ended
// before that step.
#include <windows.h>

#include "common/path_routines.h"
#include "common/text.h"
#include "core/wizard_state.h"
#include "install/install_engine.h"
#include "ui/resource.h"

// Writes `length` bytes into the file that CreateFileA just emptied or made; true when all went.
static BOOL WriteAndClose(HANDLE file, const unsigned char* bytes, DWORD length)
{
    DWORD written = 0;
    BOOL wrote = WriteFile(file, bytes, length, &written, NULL) && written == length;
    (void)CloseHandle(file); // nothing to do if closing fails
    return wrote;
}

static HANDLE CreateLogFile(const char* path)
{
    return CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
}

// After a write that failed part way (a full disk), the file holds a useless piece. Over an
// earlier installation that piece has taken the place of its log, without which that
// installation could never be removed: the earlier log goes back as it was, into the room that
// emptying it gave. A piece of a first log is deleted.
static void UndoPartialLog(const char* path)
{
    if (!wizard.earlierLog) {
        (void)DeleteFileA(path); // a piece that stays is only junk: nothing reads it
        return;
    }
    HANDLE file = CreateLogFile(path);
    if (file != INVALID_HANDLE_VALUE) // nothing more can be done when even this fails
        (void)WriteAndClose(file, wizard.earlierLog, wizard.earlierPlan.logSize);
}

// Seals the log and writes it; 0 or the string id of the failure.
static UINT WriteUninstallLog(void)
{
    UninstallLog* log = &wizard.uninstallLog;
    if (!SealLog(log))
        return IDS_OUT_OF_MEMORY;
    char path[PATH_SIZE];
    if (!CopyTextBounded(path, PATH_SIZE, wizard.installDir) ||
        !AppendPath(path, UNINSTALL_LOG_NAME))
        return IDS_CREATE_FILE_FAILED;
    HANDLE file = CreateLogFile(path);
    if (file == INVALID_HANDLE_VALUE)
        return IDS_CREATE_FILE_FAILED; // a file that could not be opened is as it was
    if (!WriteAndClose(file, log->buffer, log->logLength)) {
        UndoPartialLog(path);
        return IDS_CREATE_FILE_FAILED;
    }
    return 0;
}

UINT SaveUninstallLog(void)
{
    SetStatus(IDS_SAVING_UNINSTALL, "");
    UINT result = WriteUninstallLog();
    if (!result)
        (void)StepProgress(); // a stop is seen at the next gate
    return result;
}

void SaveStoppedReinstallLog(void)
{
    UninstallLog* log = &wizard.uninstallLog;
    // Before the file step nothing that the earlier log lacks is on the disk.
    if (!wizard.earlierLog || !GetLogHeaderField(log, LOG_FILE_LIST))
        return;
    if (!GetLogHeaderField(log, LOG_SHORTCUT_LIST)) {
        NoteLogSection(log, LOG_SHORTCUT_LIST);
        EndShortcutList();
    }
    if (!GetLogHeaderField(log, LOG_REGISTRY_LIST)) {
        NoteLogSection(log, LOG_REGISTRY_LIST);
        EndRegistryList();
    }
    (void)WriteUninstallLog(); // the earlier log stays in place when this fails
}
