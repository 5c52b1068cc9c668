// The temporary directory as the launcher chooses it: TMP, then TEMP, then the Windows
// directory, so that what runs after the launcher finds the folder it used.
#include "common/win32/temp_directory.h"

#include "common/path_routines.h"

BOOL DirectoryExists(const char* path)
{
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The environment variable `name`, made absolute, when it names an existing directory that
// leaves room for a temporary file's name; its length, else 0. GetTempPath would take a
// variable that names no folder at all.
static UINT ReadDirectoryVariable(const char* name, char* buffer)
{
    char value[PATH_SIZE];
    DWORD length = GetEnvironmentVariableA(name, value, PATH_SIZE);
    if (length == 0 || length >= PATH_SIZE || !DirectoryExists(value))
        return 0;
    length = GetFullPathNameA(value, PATH_SIZE, buffer, NULL);
    return length <= TEMP_FOLDER_LENGTH_LIMIT ? length : 0;
}

UINT GetTempDirectory(char* buffer)
{
    UINT length = ReadDirectoryVariable("TMP", buffer);
    if (!length)
        length = ReadDirectoryVariable("TEMP", buffer);
    if (!length) {
        length = GetWindowsDirectoryA(buffer, PATH_SIZE);
        if (length > TEMP_FOLDER_LENGTH_LIMIT)
            length = 0;
    }
    if (!length)
        buffer[0] = 0;
    return length;
}
