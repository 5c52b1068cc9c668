// The folder-variable table and the expansion of texts that name folders as %Name%.
// Freestanding, so the native tests and the fuzzer run the same expansion.
#include "folder_variables.h"

#include "path_routines.h"
#include "text.h"

FolderVariable folderVariables[FOLDER_VARIABLE_COUNT + 1] = {
    {"ProgramFiles", 0},
    {"CommonFiles", 0},
    {"StartMenu", 0},
    {"ProgramsMenu", 0},
    {"StartupMenu", 0},
    {"InstallDir", 0},
    {"MenuFolder", 0},
    {"WindowsDir", 0},
    {"SystemDir", 0},
    {"TempDir", 0},
    {"SendToDir", 0},
    {"DesktopDir", 0},
    {"Handle", 0},
    {0, 0},
};

// Length of the name after a percent sign when a closing percent sign follows it within
// FOLDER_NAME_MAX characters; 0 when the name is empty or is no token.
static size_t MeasureTokenName(const char* name)
{
    for (size_t length = 0; length <= FOLDER_NAME_MAX; ++length) {
        if (name[length] == '%')
            return length;
        if (name[length] == 0)
            return 0;
    }
    return 0;
}

// The value of the first table entry with exactly this name, or null.
static const char* FindFolderValue(const char* name, size_t length)
{
    for (const FolderVariable* variable = folderVariables; variable->name; ++variable) {
        if (GetTextLength(variable->name) == length &&
            CompareBytes(variable->name, name, length) == 0)
            return variable->value;
    }
    return 0;
}

char* ExpandFolderVariables(const char* source, char* destination)
{
    size_t length = 0;
    const char* at = source;
    while (*at) {
        if (*at == '%') {
            size_t nameLength = MeasureTokenName(at + 1);
            const char* value = nameLength ? FindFolderValue(at + 1, nameLength) : 0;
            if (value) {
                size_t valueLength = GetTextLength(value);
                if (valueLength >= PATH_SIZE - length)
                    break;
                CopyBytes(destination + length, value, valueLength);
                length += valueLength;
                at += nameLength + 2;
                // A value that ends in a separator and a separator after the token give one.
                if (length > 0 && IsSeparator(destination[length - 1]) && IsSeparator(*at))
                    ++at;
                continue;
            }
        }
        if (length == PATH_SIZE - 1)
            break;
        destination[length++] = *at++;
    }
    if (*at) {
        destination[0] = 0;
        return 0;
    }
    destination[length] = 0;
    return destination;
}
