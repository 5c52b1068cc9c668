// The wizard's memory routines for the native tests and the fuzzers, on the C runtime's heap,
// with switches that make allocating and growing a block fail, as an exhausted heap would.
#pragma once

// While true, MemAlloc and MemRealloc return null; MemRealloc leaves the block as it was.
extern bool failAllocation;

// While not negative, the number of allocations and growths that still succeed; each one
// counts down, and once it is 0 they fail as with failAllocation.
extern int allocationsLeft;
