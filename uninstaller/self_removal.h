// The end of a removal: the running program cannot delete its own file, so a copy in the
// temporary directory waits for it to exit and removes it, "uninst.dat" and the emptied folders.
#pragma once

#include <windows.h>

#include "common/path_routines.h"

// A copy of the running program in the temporary directory, ready to finish the removal.
struct CleanupCopy {
    char folder[PATH_SIZE];         // the copies' folder, where the copy runs
    char path[PATH_SIZE];
};

// Makes the copy; notes the program and the log as not removed and returns 0 when it cannot.
int MakeCleanupCopy(CleanupCopy* copy);

// Starts the copy, which waits for this process to end; notes the program and the log as not
// removed, deletes the copy and returns 0 when it cannot.
int StartCleanupCopy(const CleanupCopy* copy);

// Deletes the copy unstarted: the removal stopped short, and the program and the log stay
// for the run that removes the rest.
void DiscardCleanupCopy(const CleanupCopy* copy);

// The copy's run: waits for the original, finishes the removal, and has its own file deleted
// at the next restart. Returns the process exit code.
int RunCleanup(void);
