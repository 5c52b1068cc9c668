// The wizard's memory routines for the native tests and the fuzzers, on the C runtime's heap,
// with a switch that makes allocating and growing a block fail, as an exhausted heap would.
#include "test_memory.h"

#include <stdlib.h>

#include "common/memory.h"

bool failAllocation = false;

void* MemAlloc(size_t size)
{
    return failAllocation ? nullptr : malloc(size);
}

void MemFree(void* block)
{
    free(block);
}

void* MemRealloc(void* block, size_t size)
{
    return failAllocation ? nullptr : realloc(block, size);
}
