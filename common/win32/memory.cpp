// The memory routines on the process heap, which serializes callers, so two threads may use
// them; and the two routines that compiled code may call on its own. Shared by the modules.
#include <windows.h>

#include "common/memory.h"
#include "common/text.h"

void* MemAlloc(size_t size)
{
    return HeapAlloc(GetMemoryHeap(), 0, size);
}

void MemFree(void* block)
{
    if (block)
        (void)HeapFree(GetMemoryHeap(), 0, block); // nothing can be done about a failure
}

void* MemRealloc(void* block, size_t size)
{
    if (!block)
        return MemAlloc(size);
    return HeapReAlloc(GetMemoryHeap(), 0, block, size);
}

extern "C" void* memcpy(void* destination, const void* source, size_t count)
{
    return CopyBytes(destination, source, count);
}

extern "C" void* memset(void* destination, int value, size_t count)
{
    return FillBytes(destination, value, count);
}
