// Starting the programs of the package's run entries, and the check that the product is not
// running before it is installed.
#pragma once

#include <windows.h>

// Starts the program of the run entry at `entry`. With an exit-code location and the entry's
// wait flag set, waits for it and stores its exit code. True when it started (and, when
// waited for, its exit code could be read).
BOOL RunProgram(const unsigned char* entry, DWORD* exitCode);

// Non-zero when the installation may start; zero, after telling the user, while the product
// holds its named event.
BOOL CheckRunningInstance(void);
