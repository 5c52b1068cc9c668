// The wizard's memory routines for the native tests and the fuzzers, on the C runtime's heap,
// with a switch that makes allocating and growing a block fail, as an exhausted heap would.
#pragma once

// While true, MemAlloc and MemRealloc return null; MemRealloc leaves the block as it was.
extern bool failAllocation;
