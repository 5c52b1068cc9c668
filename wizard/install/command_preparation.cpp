// Preparing a command line for CreateProcess: folder variables expanded and a whole path with
// spaces quoted. Shared by the wizard and the uninstaller.
#include "install/command_preparation.h"

#include "core/folder_variables.h"
#include "core/path_routines.h"
#include "core/text.h"
#include "install/command_line.h"

static BOOL NamesExistingFile(const char* path)
{
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

BOOL PrepareCommandLine(const char* text, char* commandLine)
{
    char expanded[PATH_SIZE];
    if (!ExpandFolderVariables(text, expanded))
        return FALSE;
    if (!IsQuoted(expanded) && NamesExistingFile(expanded))
        return QuoteCommandLine(expanded, commandLine, COMMAND_LINE_SIZE);
    return CopyTextBounded(commandLine, COMMAND_LINE_SIZE, expanded);
}
