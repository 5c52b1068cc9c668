// The end of a removal: the running program cannot delete its own file, so a copy in the
// temporary directory waits for it to exit and removes it, "uninst.dat" and the emptied folders.
#pragma once

#include <windows.h>

#include "common/path_routines.h"

// A copy of the running program in the temporary directory, started suspended, ready to
// finish the removal.
struct CleanupCopy {
    char folder[PATH_SIZE];         // the copies' folder, where the copy runs
    char path[PATH_SIZE];
    PROCESS_INFORMATION process;
};

// Makes the copy and starts it suspended, so that whatever the removal meets after this, the
// copy's start cannot fail any more; notes the program and the log as not removed and returns
// 0 when it cannot.
int PrepareCleanupCopy(CleanupCopy* copy);

// Lets the copy run: it waits for this process to end and removes the program, the log and
// the emptied folders. Should it not run, it is ended and the program and the log are noted.
void ReleaseCleanupCopy(CleanupCopy* copy);

// Ends the copy before it ran and deletes it: the removal stopped short, and the program and
// the log stay for the run that removes the rest.
void CancelCleanupCopy(CleanupCopy* copy);

// The copy's run: waits for the original, finishes the removal, and has its own file deleted
// at the next restart. Returns the process exit code.
int RunCleanup(void);
