// Joining, trimming and testing paths. Both the backslash and the slash are separators when a
// path is read; the backslash is written. Freestanding, so the native tests run it too.
#include "path_routines.h"

#include "memory.h"
#include "text.h"

static const char INVALID_PATH_CHARS[] = "\"*:<>?|";

int IsSeparator(char c)
{
    return c == '\\' || c == '/';
}

char* DuplicatePath(const char* text)
{
    size_t length = GetTextLength(text);
    if (length == 0)
        return 0;
    char* copy = (char*)MemAlloc(length + 1);
    if (!copy)
        return 0;
    CopyBytes(copy, text, length + 1);
    if (IsSeparator(copy[length - 1]))
        copy[length - 1] = 0;
    return copy;
}

int AppendPath(char* base, const char* tail)
{
    size_t tailLength = GetTextLength(tail);
    size_t length = GetTextLength(base);
    if (length == 0)
        return tailLength < PATH_SIZE ? CopyTextBounded(base, PATH_SIZE, tail) : 0;
    if (IsSeparator(base[length - 1]))
        --length;
    int addSeparator = !IsSeparator(tail[0]);
    if (length + addSeparator + tailLength >= PATH_SIZE)
        return 0;
    if (addSeparator)
        base[length++] = '\\';
    CopyBytes(base + length, tail, tailLength + 1);
    return 1;
}

const char* FindLastSeparator(const char* text)
{
    const char* last = text;
    for (const char* at = text; *at; ++at) {
        if (IsSeparator(*at))
            last = at;
    }
    return last;
}

const char* FindFirstSeparator(const char* text)
{
    while (*text && !IsSeparator(*text))
        ++text;
    return text;
}

const char* FindLastComponent(const char* text)
{
    const char* last = FindLastSeparator(text);
    return IsSeparator(*last) ? last + 1 : text;
}

int HasInvalidPathChars(const char* text)
{
    for (; *text; ++text) {
        for (const char* invalid = INVALID_PATH_CHARS; *invalid; ++invalid) {
            if (*text == *invalid)
                return 1;
        }
    }
    return 0;
}

void NormalisePathText(char* text)
{
    size_t start = 0;
    while (text[start] == ' ')
        ++start;
    size_t length = GetTextLength(text + start);
    while (length > 0 && text[start + length - 1] == ' ')
        --length;
    if (length > 0 && IsSeparator(text[start + length - 1]))
        --length;
    CopyBytes(text, text + start, length);
    text[length] = 0;
}
