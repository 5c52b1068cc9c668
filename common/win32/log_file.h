// Reading "uninst.dat" from a folder onto the heap and through the one log reader, for the
// uninstaller that removes by it and the wizard that looks at what a folder already holds.
#pragma once

#include <windows.h>

#include "common/uninstall_log_reader.h"

enum {
    LOG_SIZE_LIMIT = 16 << 20,      // a larger "uninst.dat" is none of ours
};

enum LogLoadResult {
    LOG_LOADED,
    LOG_UNREADABLE,                 // missing, too large, or not read whole
    LOG_NO_MEMORY,
    LOG_REFUSED,                    // read, but the reader refused it for `*fault`
};

// The identity of an open file: its volume and its index on that volume.
struct FileIdentity {
    DWORD volume;
    DWORD indexHigh;
    DWORD indexLow;
};

BOOL ReadFileIdentity(HANDLE file, FileIdentity* identity);

// Loads `folder`'s log into a heap block left in `*bytes` (null when none was taken; the
// caller frees it with MemFree, also after a refusal) and checks it into `plan`, which points
// into that block. `*fault` gets the reader's reason, and `*identity` (when not null) the file's.
LogLoadResult LoadLogFile(const char* folder, unsigned char** bytes, UninstallPlan* plan,
                          LogFault* fault, FileIdentity* identity);
