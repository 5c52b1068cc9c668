// The two memory routines that compiled code calls without being asked (block copies and
// clears) and that a language runtime would otherwise supply.
#include <stddef.h>

extern "C" void* memset(void* destination, int value, size_t count)
{
    unsigned char* byte = static_cast<unsigned char*>(destination);
    while (count-- != 0) {
        *byte++ = static_cast<unsigned char>(value);
    }
    return destination;
}

extern "C" void* memcpy(void* destination, const void* source, size_t count)
{
    unsigned char* to = static_cast<unsigned char*>(destination);
    const unsigned char* from = static_cast<const unsigned char*>(source);
    while (count-- != 0) {
        *to++ = *from++;
    }
    return destination;
}
