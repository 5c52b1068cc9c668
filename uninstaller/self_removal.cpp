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
    COPY_END_WAIT = 5000,               // ms for a copy ended before it ran to let its file go
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

// Copies the running program into the copies' folder and starts the copy with the command
// that has it wait for this process; false when any of it fails.
static int StartSuspendedCopy(CleanupCopy* copy)
{
    if (!FindCopyFolder(copy->folder))
        return 0;
    DeleteEarlierCopies(copy->folder);
    if (!GetTempFileNameA(copy->folder, COPY_PREFIX, 0, copy->path) ||
        !CopyFileA(uninstall.modulePath, copy->path, FALSE))
        return 0;
    // The copy of a read-only uninstaller would be read-only, which neither a later run nor the
    // restart deletes; if clearing fails, a later run still deletes it unprotected.
    (void)SetFileAttributesA(copy->path, FILE_ATTRIBUTE_NORMAL);
    HANDLE self;
    char command[COMMAND_SIZE];
    if (!DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &self, SYNCHRONIZE,
                         TRUE, 0))
        return 0;
    if (!FormatCleanupCommand(command, sizeof(command), copy->path, (uint32_t)(UINT_PTR)self,
                              uninstall.logDirectory, 1)) {
        (void)CloseHandle(self); // nothing to do if closing fails
        return 0;
    }
    STARTUPINFOA startup;
    FillBytes(&startup, 0, sizeof(startup));
    startup.cb = sizeof(startup);
    // The copy works in the temporary directory, so that it holds no folder it must remove.
    int started = CreateProcessA(copy->path, command, NULL, NULL, TRUE, CREATE_SUSPENDED, NULL,
                                 copy->folder, &startup, &copy->process);
    (void)CloseHandle(self); // the copy has inherited its own; nothing to do if closing fails
    return started;
}

int PrepareCleanupCopy(CleanupCopy* copy)
{
    copy->path[0] = 0;
    if (StartSuspendedCopy(copy))
        return 1;
    if (copy->path[0])
        (void)DeleteFileA(copy->path); // nothing else to do if it was never made
    NoteOwnFilesStay();
    StepRemoval();
    return 0;
}

// Ends the copy before it ran and deletes its file.
static void EndCopy(CleanupCopy* copy)
{
    if (TerminateProcess(copy->process.hProcess, EXIT_REFUSED))
        (void)WaitForSingleObject(copy->process.hProcess, COPY_END_WAIT); // its file is free then
    (void)CloseHandle(copy->process.hThread); // nothing to do if closing fails
    (void)CloseHandle(copy->process.hProcess);
    (void)DeleteFileA(copy->path); // one still held goes with the earlier copies of a later run
}

void ReleaseCleanupCopy(CleanupCopy* copy)
{
    if (ResumeThread(copy->process.hThread) != (DWORD)-1) {
        (void)CloseHandle(copy->process.hThread); // nothing to do if closing fails
        (void)CloseHandle(copy->process.hProcess);
    } else {
        EndCopy(copy);
        NoteOwnFilesStay();
    }
    StepRemoval();
}

void CancelCleanupCopy(CleanupCopy* copy)
{
    EndCopy(copy);
    StepRemoval();
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
