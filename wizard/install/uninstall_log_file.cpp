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
    // A close can report a write that failed after the call returned, as on a network drive.
    BOOL closed = CloseHandle(file);
    return wrote && closed;
}

// The earlier installation's log is replaced even when it was made read-only: otherwise what
// this run made would go unrecorded, and outlast the removal.
static HANDLE CreateLogFile(const char* path)
{
    return CreateInstallFile(path, FILE_ATTRIBUTE_NORMAL);
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

// Points `field` at `text`, appended to the log, or at nothing.
static void SetLogText(UninstallLog* log, LogHeaderField field, const char* text)
{
    if (!text) {
        SetLogHeaderField(log, field, 0);
        return;
    }
    NoteLogSection(log, field);
    (void)AppendToLog(log, text, LOG_WHOLE_TEXT); // a loss shows at the save
}

void SaveStoppedReinstallLog(void)
{
    UninstallLog* log = &wizard.uninstallLog;
    // Before the file step the run has made no more than a new Start Menu folder, still
    // empty, which no log names; the earlier log is kept as it is.
    if (!wizard.earlierLog || wizard.earlierFilesLost || !GetLogHeaderField(log, LOG_FILE_LIST))
        return;
    if (!GetLogHeaderField(log, LOG_SHORTCUT_LIST)) {
        NoteLogSection(log, LOG_SHORTCUT_LIST);
        EndShortcutList(FALSE);
    }
    // The keys that the registry step made are withdrawn by now: the list is made again from
    // the earlier installation's keys that are still there.
    uint32_t registryList = GetLogHeaderField(log, LOG_REGISTRY_LIST);
    if (registryList)
        CutLog(log, registryList);
    NoteLogSection(log, LOG_REGISTRY_LIST);
    EndRegistryList();
    // The earlier build's uninstall command, whose program that installation has, and its
    // event: the new build's command may name a program that this run never wrote.
    SetLogText(log, LOG_EVENT_NAME, wizard.earlierPlan.eventName);
    SetLogText(log, LOG_UNINSTALL_COMMAND, wizard.earlierPlan.uninstallCommand);
    (void)WriteUninstallLog(); // the earlier log stays in place when this fails
}
