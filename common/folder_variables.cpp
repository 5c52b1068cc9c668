// The names of the folder variables, and the expansion of texts that name folders as %Name%
// over a given table of values. Freestanding, so the tool and the fuzzers run it too.
#include "common/folder_variables.h"

#include "common/path_routines.h"
#include "common/text.h"

static const char* const FOLDER_VARIABLE_NAMES[FOLDER_VARIABLE_COUNT] = {
    "ProgramFiles", "CommonFiles", "StartMenu", "ProgramsMenu", "StartupMenu",
    "InstallDir",   "MenuFolder",  "WindowsDir", "SystemDir",   "TempDir",
    "SendToDir",    "DesktopDir",  "Handle",
};

const char* GetFolderVariableName(FolderVariableIndex variable)
{
    return FOLDER_VARIABLE_NAMES[variable];
}

int FindFolderVariable(const char* name, size_t length)
{
    for (int variable = 0; variable < FOLDER_VARIABLE_COUNT; ++variable) {
        const char* candidate = FOLDER_VARIABLE_NAMES[variable];
        if (GetTextLength(candidate) == length && CompareBytes(candidate, name, length) == 0)
            return variable;
    }
    return -1;
}

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

char* ExpandFolderText(const FolderValues values, const char* source, char* destination)
{
    size_t length = 0;
    const char* at = source;
    while (*at) {
        if (*at == '%') {
            size_t nameLength = MeasureTokenName(at + 1);
            int variable = nameLength ? FindFolderVariable(at + 1, nameLength) : -1;
            const char* value = variable >= 0 ? values[variable] : 0;
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
