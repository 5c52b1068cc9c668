// Little-endian integers at any byte, as the setup package and the uninstall log store them.
// Freestanding: the runtime modules, the tool and the tests read and write them alike.
#pragma once

#include <stdint.h>

inline uint16_t ReadU16(const unsigned char* at)
{
    return (uint16_t)(at[0] | (at[1] << 8));
}

inline uint32_t ReadU32(const unsigned char* at)
{
    return (uint32_t)at[0] | ((uint32_t)at[1] << 8) | ((uint32_t)at[2] << 16) |
           ((uint32_t)at[3] << 24);
}

inline uint64_t ReadU64(const unsigned char* at)
{
    return (uint64_t)ReadU32(at) | ((uint64_t)ReadU32(at + 4) << 32);
}

inline void WriteU32(unsigned char* at, uint32_t value)
{
    for (int index = 0; index < 4; ++index)
        at[index] = (unsigned char)(value >> (8 * index));
}

inline void WriteU64(unsigned char* at, uint64_t value)
{
    WriteU32(at, (uint32_t)value);
    WriteU32(at + 4, (uint32_t)(value >> 32));
}
