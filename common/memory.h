// The runtime modules' dynamic memory: blocks from the process heap, safe from two threads.
// Declared here for the portable routines too; the native tests give their own definitions.
#pragma once

#include <stddef.h>

// The heap of the module's blocks, taken at its start; each module that uses memory.cpp
// defines it beside its state record.
void* GetMemoryHeap(void);

// A block of `size` bytes, not zero-filled, or null when the heap has no room.
void* MemAlloc(size_t size);

// Returns a block of MemAlloc or MemRealloc to the heap.
void MemFree(void* block);

// With a null block the same as MemAlloc; otherwise the block grown or shrunk, possibly
// moved, or null with the block left unchanged.
void* MemRealloc(void* block, size_t size);
