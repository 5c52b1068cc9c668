// The command line of a run entry as it is handed to the system: a whole path that holds
// spaces is quoted, so that it cannot start another program. Freestanding, tested natively.
#pragma once

#include <stddef.h>

enum {
    COMMAND_LINE_SIZE = 262,    // a 259-character path, two quotes and the NUL
};

// True when the command line begins with a double quote.
int IsQuoted(const char* commandLine);

// `path` between double quotes into `buffer` of `size` bytes; 0 when it would not fit.
int QuoteCommandLine(const char* path, char* buffer, size_t size);
