// The command line of a run entry or of the uninstall command as it is handed to the system,
// shared by the wizard and the uninstaller.
#pragma once

#include <windows.h>

#include "common/folder_variables.h"

// True when `path` names a file that exists, not a folder.
BOOL NamesExistingFile(const char* path);

// `text` with its folder variables expanded over `values` into `commandLine` (COMMAND_LINE_SIZE bytes). A
// whole unquoted line that names an existing file is quoted, so that a path with spaces cannot
// start the program named by its first word. FALSE when the expansion or the result does not
// fit; nothing is then to be run.
BOOL PrepareCommandLine(const FolderValues values, const char* text, char* commandLine);
