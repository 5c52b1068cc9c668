// The memory routines that the compiler may emit calls to on its own.
// Inkwell links no C runtime, so it brings these two.
#include <stddef.h>

extern "C" void* memset(void* destination, int value, size_t count)
{
    unsigned char* bytes = (unsigned char*)destination;
    while (count--)
        *bytes++ = (unsigned char)value;
    return destination;
}

extern "C" void* memcpy(void* destination, const void* source, size_t count)
{
    unsigned char* to = (unsigned char*)destination;
    const unsigned char* from = (const unsigned char*)source;
    while (count--)
        *to++ = *from++;
    return destination;
}
