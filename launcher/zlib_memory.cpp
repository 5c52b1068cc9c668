// zlib's working memory: zero-filled blocks of the process heap. The heap is serialised, so
// the wizard's thread and the install worker may inflate at the same time.
#include "launcher.h"

void* AllocateZlibMemory(void*, unsigned int items, unsigned int size)
{
    if (size != 0 && items > 0xFFFFFFFFu / size) {
        return nullptr;
    }
    return HeapAlloc(processHeap, HEAP_ZERO_MEMORY, static_cast<SIZE_T>(items) * size);
}

void FreeZlibMemory(void*, void* block)
{
    (void)HeapFree(processHeap, 0, block);  // zlib has no way to hear of a failure
}
