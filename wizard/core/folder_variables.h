// The folder-variable table and the expansion of texts that name folders as %Name%.
// Freestanding, so the native tests and the fuzzer run the same expansion.
#pragma once

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

struct FolderVariable {
    const char* name;
    const char* value;          // null: the folder was not found
};

// In the order of FolderVariableIndex, ended by an entry whose name is null.
extern FolderVariable folderVariables[FOLDER_VARIABLE_COUNT + 1];

// Expands every %Name% of `source` whose variable has a value into `destination`, a
// PATH_SIZE buffer that must not overlap the source. Returns `destination`, or null when the
// result would not fit; the destination then holds the empty text, never a cut path.
char* ExpandFolderVariables(const char* source, char* destination);
