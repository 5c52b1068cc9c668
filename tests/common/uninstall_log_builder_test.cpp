// The uninstall log builder: growth and loss accounting of the buffer, and the prologue with
// and without optional texts.
#include <gtest/gtest.h>

#include <string>

#include "common/uninstall_log_builder.h"
#include "log_bytes.h"
#include "test_memory.h"
#include "test_package.h"

namespace {

using namespace std::string_literals;

std::string Bytes(const UninstallLog& log)
{
    return std::string((const char*)log.buffer, log.logLength);
}

TEST(AppendToLog, GrowsWithSpareRoomAndTakesTextsWithTheirNul)
{
    failAllocation = false;
    UninstallLog log = {};
    ASSERT_TRUE(AppendToLog(&log, "abc", LOG_WHOLE_TEXT));
    EXPECT_EQ(log.logLength, 4u);
    EXPECT_EQ(log.logCapacity, 4u + 4096u);
    std::string block(4096, 'x');
    ASSERT_TRUE(AppendToLog(&log, block.data(), (int32_t)block.size()));
    EXPECT_EQ(log.logCapacity, 4u + 4096u); // exactly full: no growth yet
    ASSERT_TRUE(AppendLogByte(&log, 7));
    EXPECT_EQ(log.logCapacity, 4101u + 4096u);
    EXPECT_EQ(log.logRequested, log.logLength);
    EXPECT_EQ(Bytes(log), "abc\0"s + block + "\x07");
    FreeLog(&log);
    EXPECT_EQ(log.buffer, nullptr);
}

TEST(AppendToLog, LostAppendKeepsTheLogAndForbidsTheSave)
{
    failAllocation = false;
    UninstallLog log = {};
    AppendLogPrologue(&log, TestPackage().data());
    ASSERT_TRUE(SealLog(&log));

    std::string big(5000, 'y');
    failAllocation = true;
    EXPECT_FALSE(AppendToLog(&log, big.data(), (int32_t)big.size()));
    failAllocation = false;
    EXPECT_EQ(log.logLength, 48u + 3u);
    EXPECT_EQ(log.logRequested, 48u + 3u + 5000u);
    // A later append may succeed, yet the loss stays visible.
    EXPECT_TRUE(AppendLogByte(&log, 0));
    EXPECT_FALSE(SealLog(&log));
    FreeLog(&log);
}

TEST(CutLog, DropsTheTailButNeverALoss)
{
    failAllocation = false;
    UninstallLog log = {};
    AppendLogPrologue(&log, TestPackage().data());
    ASSERT_TRUE(AppendToLog(&log, "tail", LOG_WHOLE_TEXT));
    CutLog(&log, 48 + 3);
    EXPECT_EQ(log.logLength, 48u + 3u);
    EXPECT_TRUE(SealLog(&log));
    CutLog(&log, 1000); // beyond the end: nothing changes
    EXPECT_EQ(log.logLength, 48u + 3u);

    // A loss before the cut, or in the part cut off, still forbids the save.
    std::string big(5000, 'y');
    for (bool lossBeforeCut : {true, false}) {
        UninstallLog lossy = {};
        AppendLogPrologue(&lossy, TestPackage().data());
        failAllocation = lossBeforeCut;
        (void)AppendToLog(&lossy, big.data(), (int32_t)big.size());
        failAllocation = false;
        uint32_t cut = lossy.logLength;
        ASSERT_TRUE(AppendToLog(&lossy, "more", LOG_WHOLE_TEXT));
        failAllocation = !lossBeforeCut;
        (void)AppendToLog(&lossy, big.data(), (int32_t)big.size());
        failAllocation = false;
        CutLog(&lossy, cut);
        EXPECT_EQ(lossy.logLength, cut);
        EXPECT_FALSE(SealLog(&lossy)) << lossBeforeCut;
        FreeLog(&lossy);
    }
    FreeLog(&log);
}

TEST(AppendLogPrologue, WithoutOptionalTextsGoesFromDisplayNameToTheFolderRecord)
{
    failAllocation = false;
    TestPackage package;
    package.SetField(FIELD_SHORT_NAME, package.AddText("Q"));
    package.SetField(FIELD_DISPLAY_NAME, package.AddText("Q 1"));
    UninstallLog log = {};
    ClearLogHeader(&log);
    AppendLogPrologue(&log, package.data());
    AppendFolderRecord(&log, LOG_DESTINATION_RECORD, 6, "C:\\Q 1");
    ASSERT_TRUE(SealLog(&log));
    // No notice in the package still gives an empty text at 48.
    EXPECT_EQ(Bytes(log).substr(48), "\0Q\0Q 1\0"s + U32(6) + "C:\\Q 1\0"s);
    EXPECT_EQ(GetLogHeaderField(&log, LOG_NOTICE), 48u);
    EXPECT_EQ(GetLogHeaderField(&log, LOG_EVENT_NAME), 0u);
    EXPECT_EQ(GetLogHeaderField(&log, LOG_UNINSTALL_COMMAND), 0u);
    EXPECT_EQ(GetLogHeaderField(&log, LOG_DESTINATION_RECORD), 55u);
    EXPECT_EQ(GetLogHeaderField(&log, LOG_MENU_RECORD), 0u);
    EXPECT_EQ(GetLogHeaderField(&log, LOG_FILE_SIZE), log.logLength);
    FreeLog(&log);
}

} // namespace
