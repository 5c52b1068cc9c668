// The uninstaller's command line: "/S" for a removal without windows, and the private form
// that the temporary copy gets to finish the removal after the original has exited.
#include "command_line.h"

#include "common/format.h"
#include "common/text.h"

static const char CLEANUP_SWITCH[] = "/_cleanup";
static const char SILENT_SWITCH[] = "/S";

static const char* SkipBlanks(const char* at)
{
    while (*at == ' ' || *at == '\t')
        ++at;
    return at;
}

// The next argument, quoted or not, into `argument` of `size` bytes; null when it does not fit
// or a quote is left open. Returns the position after it.
static const char* TakeArgument(const char* at, char* argument, uint32_t size)
{
    uint32_t length = 0;
    int quoted = 0;
    for (; *at && (quoted || (*at != ' ' && *at != '\t')); ++at) {
        if (*at == '"') {
            quoted = !quoted;
            continue;
        }
        if (length + 1 >= size)
            return 0;
        argument[length++] = *at;
    }
    argument[length] = 0;
    return quoted ? 0 : at;
}

// The position after the argument at `at`, quoted or not; the line's end for an open quote.
static const char* SkipArgument(const char* at)
{
    int quoted = 0;
    for (; *at && (quoted || (*at != ' ' && *at != '\t')); ++at)
        quoted ^= *at == '"';
    return at;
}

// True when an argument from `at` on is "/S": a line that is refused for another argument
// is refused without a window then too, as a caller that asked for none expects.
static int HasSilentSwitch(const char* at)
{
    char argument[sizeof(SILENT_SWITCH)];
    for (at = SkipBlanks(at); *at; at = SkipBlanks(at)) {
        const char* next = SkipArgument(at);
        if (TakeArgument(at, argument, sizeof(argument)) == next &&
            !CompareIgnoringCase(argument, SILENT_SWITCH))
            return 1;
        at = next;
    }
    return 0;
}

static int ReadNumber(const char* text, uint32_t* value)
{
    uint32_t number = 0;
    if (!*text)
        return 0;
    for (; *text; ++text) {
        if (*text < '0' || *text > '9')
            return 0;
        uint32_t digit = (uint32_t)(*text - '0');
        if (number > (UINT32_MAX - digit) / 10)
            return 0;
        number = number * 10 + digit;
    }
    *value = number;
    return 1;
}

int ParseCommandLine(const char* line, CommandLine* result)
{
    char argument[PATH_SIZE];
    result->silent = 0;
    result->cleanup = 0;
    result->waitHandle = 0;
    result->directory[0] = 0;
    const char* at = TakeArgument(SkipBlanks(line), argument, sizeof(argument));
    if (!at)
        return 0;
    result->silent = HasSilentSwitch(at);
    for (at = SkipBlanks(at); *at; at = SkipBlanks(at)) {
        at = TakeArgument(at, argument, sizeof(argument));
        if (!at)
            return 0;
        if (!CompareIgnoringCase(argument, SILENT_SWITCH))
            continue;
        if (CompareIgnoringCase(argument, CLEANUP_SWITCH) != 0 || result->cleanup)
            return 0;
        at = TakeArgument(SkipBlanks(at), argument, sizeof(argument));
        if (!at || !ReadNumber(argument, &result->waitHandle))
            return 0;
        at = TakeArgument(SkipBlanks(at), result->directory, sizeof(result->directory));
        if (!at || !result->directory[0])
            return 0;
        result->cleanup = 1;
    }
    return 1;
}

// Appends `text` at `*length`; 0 when it does not fit.
static int Put(char* buffer, uint32_t size, uint32_t* length, const char* text)
{
    for (; *text; ++text) {
        if (*length + 1 >= size)
            return 0;
        buffer[(*length)++] = *text;
    }
    buffer[*length] = 0;
    return 1;
}

int FormatCleanupCommand(char* buffer, uint32_t size, const char* program, uint32_t handle,
                         const char* directory, int silent)
{
    char number[NUMBER_TEXT_SIZE];
    if (!FormatNumber(number, sizeof(number), handle, 10))
        return 0;
    uint32_t length = 0;
    buffer[0] = 0;
    return Put(buffer, size, &length, "\"") && Put(buffer, size, &length, program) &&
           Put(buffer, size, &length, "\" ") && Put(buffer, size, &length, CLEANUP_SWITCH) &&
           Put(buffer, size, &length, " ") && Put(buffer, size, &length, number) &&
           Put(buffer, size, &length, " \"") && Put(buffer, size, &length, directory) &&
           Put(buffer, size, &length, "\"") &&
           (!silent || (Put(buffer, size, &length, " ") &&
                        Put(buffer, size, &length, SILENT_SWITCH)));
}
