// The uninstaller's command line: "/S" for a removal without windows, and the private form
// that the temporary copy gets to finish the removal after the original has exited.
#pragma once

#include <stdint.h>

#include "common/path_routines.h"

struct CommandLine {
    int silent;
    int cleanup;                    // the temporary copy's run
    uint32_t waitHandle;            // cleanup: the original's process handle, inherited
    char directory[PATH_SIZE]; // cleanup: the directory that holds "uninst.dat"
};

// 1 when every argument was understood; unknown arguments are refused. `silent` is set by a
// "/S" anywhere after the program, also on a refused line.
int ParseCommandLine(const char* line, CommandLine* result);

// Writes the copy's arguments for `handle` and `directory` into `buffer` of `size` bytes,
// after the quoted program path; 0 when they do not fit.
int FormatCleanupCommand(char* buffer, uint32_t size, const char* program, uint32_t handle,
                         const char* directory, int silent);
