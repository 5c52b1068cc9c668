// The end of a removal: the running program cannot delete its own file, so a copy in the
// temporary directory waits for it to exit and removes it, "uninst.dat" and the emptied folders.
#include "self_removal.h"

#include <windows.h>

#include "common/path_routines.h"
#include "common/text.h"
#include "common/win32/temp_directory.h"
#include "log_file.h"
#include "messages.h"
#include "progress.h"
#include "removal.h"
#include "uninstall_state.h"

static const char COPY_PREFIX[] = "qsu";
// The copies live in a folder of their own in the temporary directory, so that a later run
// can delete the copies of earlier runs without touching anyone else's files.
static const char COPY_FOLDER[] = "Quillset Uninstall";
static const char COPY_PATTERN[] = "qsu*.tmp";

enum {
    COMMAND_SIZE = 2 * PATH_SIZE + 64,  // quoted copy path, switch, handle, quoted directory
};

static void NoteOwnFilesStay(void)
{
    NoteFailure(uninstall.modulePath);
    NoteFailure(uninstall.plan.destination.path);
}

// Deletes the copies that earlier runs left; a copy still running cannot be deleted and stays.
static void DeleteEarlierCopies(const char* folder)
{
    char path[PATH_SIZE];
    if (!CopyTextBounded(path, sizeof(path), folder) || !AppendPath(path, COPY_PATTERN))
        return;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(path, &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        if (CopyTextBounded(path, sizeof(path), folder) && AppendPath(path, found.cFileName))
            (void)DeleteUnprotected(path); // a copy still at work stays for a later run
    } while (FindNextFileA(search, &found));
    (void)FindClose(search); // nothing to do if closing fails
}

// True when `folder` is a copies' folder, where a copy that runs the cleanup lives.
static int IsCopyFolder(const char* folder)
{
    return !CompareIgnoringCase(FindLastComponent(folder), COPY_FOLDER);
}

// The copies' folder in the temporary directory, made when missing; a temporary directory
// too deep to take the folder and a copy's name in it gives way to the next one.
static int FindCopyFolder(char* folder)
{
    if (!GetTempDirectory(folder, sizeof(COPY_FOLDER)) || !AppendPath(folder, COPY_FOLDER))
        return 0;
    return CreateDirectoryA(folder, NULL) || GetLastError() == ERROR_ALREADY_EXISTS;
}

int MakeCleanupCopy(CleanupCopy* copy)
{
    copy->path[0] = 0;
    if (FindCopyFolder(copy->folder)) {
        DeleteEarlierCopies(copy->folder);
        if (GetTempFileNameA(copy->folder, COPY_PREFIX, 0, copy->path) &&
            CopyFileA(uninstall.modulePath, copy->path, FALSE))
            return 1;
    }
    if (copy->path[0])
        (void)DeleteFileA(copy->path); // nothing else to do if it was never made
    NoteOwnFilesStay();
    StepRemoval();
    return 0;
}

void DiscardCleanupCopy(const CleanupCopy* copy)
{
    (void)DeleteFileA(copy->path); // a later run deletes it with the other earlier copies
    StepRemoval();
}

int StartCleanupCopy(const CleanupCopy* copy)
{
    HANDLE self = NULL;
    char command[COMMAND_SIZE];
    int started = DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &self,
                                  SYNCHRONIZE, TRUE, 0) &&
                  FormatCleanupCommand(command, sizeof(command), copy->path, (uint32_t)(UINT_PTR)self,
                                       uninstall.logDirectory, 1);
    if (started) {
        STARTUPINFOA startup;
        FillBytes(&startup, 0, sizeof(startup));
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION process;
        // The copy works in the temporary directory, so that it holds no folder it must remove.
        started = CreateProcessA(copy->path, command, NULL, NULL, TRUE, 0, NULL, copy->folder, &startup,
                                 &process);
        if (started) {
            (void)CloseHandle(process.hThread); // nothing to do if closing fails
            (void)CloseHandle(process.hProcess);
        }
    }
    if (!started) {
        (void)DeleteFileA(copy->path); // nothing else to do if it is gone
        NoteOwnFilesStay();
    }
    StepRemoval();
    return started;
}

int RunCleanup(void)
{
    HANDLE original = (HANDLE)(UINT_PTR)uninstall.commandLine.waitHandle;
    if (WaitForSingleObject(original, INFINITE) != WAIT_OBJECT_0)
        return EXIT_NOT_ALL_REMOVED;
    (void)CloseHandle(original); // nothing to do if closing fails
    // Read and checked again: the log may have changed since the original read it.
    if (LoadUninstallLog(uninstall.commandLine.directory))
        return EXIT_REFUSED;
    RemoveFileList(0);
    TrimFolder(&uninstall.plan.destination);
    // Only an administrator may schedule this; otherwise the next run deletes the copy. The
    // copies' folder goes after it, at a restart that finds the folder empty.
    if (MoveFileExA(uninstall.modulePath, NULL, MOVEFILE_DELAY_UNTIL_REBOOT) &&
        IsCopyFolder(uninstall.logDirectory))
        (void)MoveFileExA(uninstall.logDirectory, NULL, MOVEFILE_DELAY_UNTIL_REBOOT); // may stay
    return uninstall.failures.count ? EXIT_NOT_ALL_REMOVED : EXIT_REMOVED;
}
