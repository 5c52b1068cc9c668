// The wizard's memory routines for the install tests, on the C runtime's heap, with a switch
// that makes growing a block fail, as an exhausted process heap would.
#pragma once

// While true, MemRealloc returns null and leaves the block as it was.
extern bool failReallocation;
