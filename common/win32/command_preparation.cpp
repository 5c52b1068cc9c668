// Preparing a command line for CreateProcess: folder variables expanded and a whole path with
// spaces quoted. Shared by the wizard and the uninstaller.
#include "common/win32/command_preparation.h"

#include "common/command_quoting.h"
#include "common/path_routines.h"
#include "common/text.h"

BOOL NamesExistingFile(const char* path)
{
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

BOOL PrepareCommandLine(const FolderValues values, const char* text, char* commandLine)
{
    char expanded[PATH_SIZE];
    if (!ExpandFolderText(values, text, expanded))
        return FALSE;
    if (!IsQuoted(expanded) && NamesExistingFile(expanded))
        return QuoteCommandLine(expanded, commandLine, COMMAND_LINE_SIZE);
    return CopyTextBounded(commandLine, COMMAND_LINE_SIZE, expanded);
}
