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
// leaves room for `reserved` characters and a temporary file's name; its length, else 0.
// GetTempPath would take a variable that names no folder at all.
static UINT ReadDirectoryVariable(const char* name, UINT reserved, char* buffer)
{
    char value[PATH_SIZE];
    DWORD length = GetEnvironmentVariableA(name, value, PATH_SIZE);
    if (length == 0 || length >= PATH_SIZE || !DirectoryExists(value))
        return 0;
    length = GetFullPathNameA(value, PATH_SIZE, buffer, NULL);
    return length + reserved <= TEMP_FOLDER_LENGTH_LIMIT ? length : 0;
}

UINT GetTempDirectory(char* buffer, UINT reserved)
{
    UINT length = ReadDirectoryVariable("TMP", reserved, buffer);
    if (!length)
        length = ReadDirectoryVariable("TEMP", reserved, buffer);
    if (!length) {
        length = GetWindowsDirectoryA(buffer, PATH_SIZE);
        if (length + reserved > TEMP_FOLDER_LENGTH_LIMIT)
            length = 0;
    }
    if (!length)
        buffer[0] = 0;
    return length;
}
