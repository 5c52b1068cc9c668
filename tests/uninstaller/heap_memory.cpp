// The wizard's memory routines for the round-trip tests, which build logs with the wizard's
// own log builder: the C runtime's heap stands in for the process heap.
#include <stdlib.h>

#include "core/memory.h"

void* MemAlloc(size_t size)
{
    return malloc(size);
}

void MemFree(void* block)
{
    free(block);
}

void* MemRealloc(void* block, size_t size)
{
    return realloc(block, size);
}
