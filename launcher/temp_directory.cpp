// Chooses the directory of the temporary wizard library: TMP, then TEMP, then the Windows
// directory, with or without a trailing separator. A relative value is made absolute.
#include "common/path_routines.h"
#include "launcher.h"

bool DirectoryExists(const char* path)
{
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The length of the variable's value, made absolute, when it names an existing directory
// that leaves room for a temporary file's name, else 0. A relative value would give the
// library a relative name, which the loader looks for along its search path instead of where
// it was extracted.
static UINT ReadTempVariable(const char* name, char* buffer)
{
    char value[PATH_BUFFER_SIZE];
    DWORD length = GetEnvironmentVariableA(name, value, PATH_BUFFER_SIZE);
    // A value too long for the buffer comes back as the size it would need, with the buffer
    // left unfilled: it cannot be used.
    if (length == 0 || length >= PATH_BUFFER_SIZE || !DirectoryExists(value)) {
        return 0;
    }
    length = GetFullPathNameA(value, PATH_BUFFER_SIZE, buffer, nullptr);
    return length <= TEMP_FOLDER_LENGTH_LIMIT ? length : 0;
}

UINT GetTempDirectory(char* buffer)
{
    UINT length = ReadTempVariable("TMP", buffer);
    if (length == 0) {
        length = ReadTempVariable("TEMP", buffer);
    }
    if (length == 0) {
        length = GetWindowsDirectoryA(buffer, PATH_BUFFER_SIZE);
        if (length > TEMP_FOLDER_LENGTH_LIMIT) {
            return 0;
        }
    }
    return length;
}
