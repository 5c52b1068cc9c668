// The wizard's memory routines for the native tests and the fuzzers, on the C runtime's heap,
// with switches that make allocating and growing a block fail, as an exhausted heap would.
#include "test_memory.h"

#include <stdlib.h>

#include "common/memory.h"

bool failAllocation = false;
int allocationsLeft = -1;

// True when this allocation is to fail.
static bool FailsNow()
{
    if (failAllocation || allocationsLeft == 0)
        return true;
    if (allocationsLeft > 0)
        --allocationsLeft;
    return false;
}

void* MemAlloc(size_t size)
{
    return FailsNow() ? nullptr : malloc(size);
}

void MemFree(void* block)
{
    free(block);
}

void* MemRealloc(void* block, size_t size)
{
    return FailsNow() ? nullptr : realloc(block, size);
}
