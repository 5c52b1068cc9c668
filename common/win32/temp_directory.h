// The temporary directory as the launcher chooses it, for the modules that run after it: the
// wizard's %TempDir% and the folder of the uninstaller's cleanup copy.
#pragma once

#include <windows.h>

// True when `path` names an existing directory.
BOOL DirectoryExists(const char* path);

// The temporary directory into `buffer` (PATH_SIZE): TMP or TEMP when it names an existing
// directory that leaves room for a temporary file's name, made absolute, else the Windows
// directory. `reserved` characters more must fit before that name, for a folder that the
// caller makes below it. Returns its length; 0, with `buffer` empty, when none will do.
UINT GetTempDirectory(char* buffer, UINT reserved);
