// The range of a progress bar for a count of steps that may pass its 16 bits: the common
// controls before version 4.70 take no wider range, and more steps would wrap or overflow it.
#pragma once

#include <stdint.h>

enum {
    PROGRESS_RANGE_LIMIT = 0xFFFF,  // the highest position PBM_SETRANGE takes
};

// How many steps one position of the bar stands for: 1 up to the limit, so that the whole
// count divided by it fits the range.
inline uint32_t GetStepsPerPosition(uint32_t totalSteps)
{
    return totalSteps / (PROGRESS_RANGE_LIMIT + 1u) + 1;
}
