// The end of a removal: the running program cannot delete its own file, so a copy in the
// temporary directory waits for it to exit and removes it, "uninst.dat" and the emptied folders.
#pragma once

// Starts the copy, which waits for this process to end; notes the program and the log as not
// removed and returns 0 when it cannot.
int StartCleanupCopy(void);

// The copy's run: waits for the original, finishes the removal, and has its own file deleted
// at the next restart. Returns the process exit code.
int RunCleanup(void);
