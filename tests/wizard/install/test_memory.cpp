// The wizard's memory routines for the install tests, on the C runtime's heap, with a switch
// that makes growing a block fail, as an exhausted process heap would.
#include "test_memory.h"

#include <stdlib.h>

#include "core/memory.h"

bool failReallocation = false;

void* MemAlloc(size_t size)
{
    return failReallocation ? nullptr : malloc(size);
}

void MemFree(void* block)
{
    free(block);
}

void* MemRealloc(void* block, size_t size)
{
    return failReallocation ? nullptr : realloc(block, size);
}
