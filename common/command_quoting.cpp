// The command line of a run entry as it is handed to the system: a whole path that holds
// spaces is quoted, so that it cannot start another program. Freestanding, tested natively.
#include "common/command_quoting.h"

#include "common/text.h"

int IsQuoted(const char* commandLine)
{
    return commandLine[0] == '"';
}

int QuoteCommandLine(const char* path, char* buffer, size_t size)
{
    size_t length = GetTextLength(path);
    if (length + 3 > size)
        return 0;
    buffer[0] = '"';
    CopyBytes(buffer + 1, path, length);
    buffer[length + 1] = '"';
    buffer[length + 2] = 0;
    return 1;
}
