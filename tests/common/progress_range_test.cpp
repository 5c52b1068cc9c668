// The progress bar's range for step counts past its 16 bits: every count fits the range, with
// as few steps to a position as that allows, so the bar moves as finely as it can.
#include <gtest/gtest.h>

#include <cstdint>

#include "common/progress_range.h"

namespace {

TEST(GetStepsPerPosition, FitsEveryCountWithTheFewestStepsToAPosition)
{
    for (uint32_t total : {0u, 1u, 65535u, 65536u, 66002u, 131071u, 131072u, 1000000u, 0xFFFFFFFFu}) {
        const uint32_t steps = GetStepsPerPosition(total);
        ASSERT_GE(steps, 1u) << total;
        EXPECT_LE(total / steps, uint32_t{PROGRESS_RANGE_LIMIT}) << total;
        if (steps > 1) {
            EXPECT_GT(total / (steps - 1), uint32_t{PROGRESS_RANGE_LIMIT}) << total;
        }
    }
    EXPECT_EQ(GetStepsPerPosition(65535), 1u);
    EXPECT_EQ(GetStepsPerPosition(65536), 2u);
}

} // namespace
