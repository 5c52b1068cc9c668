// The memory and string routines of the runtime modules, in place of the C runtime's.
// Freestanding: the same code runs in Wizard.dll, uninst.exe and the native unit tests.
#include "common/text.h"

void* CopyBytes(void* destination, const void* source, size_t count)
{
    unsigned char* to = (unsigned char*)destination;
    const unsigned char* from = (const unsigned char*)source;
    while (count--)
        *to++ = *from++;
    return destination;
}

void* FillBytes(void* destination, int value, size_t count)
{
    unsigned char* to = (unsigned char*)destination;
    while (count--)
        *to++ = (unsigned char)value;
    return destination;
}

int CompareBytes(const void* first, const void* second, size_t count)
{
    const unsigned char* a = (const unsigned char*)first;
    const unsigned char* b = (const unsigned char*)second;
    for (size_t i = 0; i < count; ++i) {
        if (a[i] != b[i])
            return a[i] - b[i];
    }
    return 0;
}

size_t GetTextLength(const char* text)
{
    size_t length = 0;
    while (text[length])
        ++length;
    return length;
}

int CopyTextBounded(char* destination, size_t size, const char* source)
{
    size_t length = 0;
    while (source[length] && length + 1 < size) {
        destination[length] = source[length];
        ++length;
    }
    destination[length] = 0;
    return source[length] == 0;
}

static char FoldCase(char c)
{
    return c >= 'a' && c <= 'z' ? (char)(c - 'a' + 'A') : c;
}

int CompareIgnoringCase(const char* first, const char* second)
{
    for (;; ++first, ++second) {
        char a = FoldCase(*first);
        char b = FoldCase(*second);
        if (a != b || !a)
            return (unsigned char)a - (unsigned char)b;
    }
}

int HasPrefixIgnoringCase(const char* text, const char* prefix, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        if (FoldCase(text[i]) != FoldCase(prefix[i]))
            return 0;
        if (!text[i])
            return 1;
    }
    return 1;
}
