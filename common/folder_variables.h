// The folder variables that texts of a package may name as %Name%, and their expansion over a
// table of values that each module fills as it can: the wizard, the uninstaller and the tool.
#pragma once

#include <stddef.h>

enum FolderVariableIndex {
    FOLDER_PROGRAM_FILES,
    FOLDER_COMMON_FILES,
    FOLDER_START_MENU,
    FOLDER_PROGRAMS_MENU,
    FOLDER_STARTUP_MENU,
    FOLDER_INSTALL_DIR,
    FOLDER_MENU_FOLDER,
    FOLDER_WINDOWS_DIR,
    FOLDER_SYSTEM_DIR,
    FOLDER_TEMP_DIR,
    FOLDER_SEND_TO_DIR,
    FOLDER_DESKTOP_DIR,
    FOLDER_HANDLE,
    FOLDER_VARIABLE_COUNT
};

enum {
    FOLDER_NAME_MAX = 19,       // longest name that can stand between two percent signs
};

// A value for each variable, in the order of FolderVariableIndex; null: not known.
typedef const char* FolderValues[FOLDER_VARIABLE_COUNT];

// The name of a variable, as it stands between the percent signs.
const char* GetFolderVariableName(FolderVariableIndex variable);

// The variable named by the `length` characters at `name` (names match exactly), or -1.
int FindFolderVariable(const char* name, size_t length);

// Expands every %Name% of `source` whose variable has a value in `values` into
// `destination`, a PATH_SIZE buffer that must not overlap the source; other percent signs
// stay as written. Returns `destination`, or null when the result would not fit; the
// destination then holds the empty text, never a cut path.
char* ExpandFolderText(const FolderValues values, const char* source, char* destination);
