// Carrying an earlier installation's shortcuts into the log of installing again: which links
// are taken, in which order, and that the new log still reads back whole.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "common/uninstall_log_carry.h"
#include "log_bytes.h"
#include "plan_test_support.h"
#include "test_memory.h"
#include "test_package.h"

namespace {

using namespace std::string_literals;
using Links = std::vector<std::string>;

std::set<std::string> presentLinks;

int IsPresent(const char* path)
{
    return presentLinks.count(path) != 0;
}

// A new log up to its shortcut list, holding `ownLinks`, then the carry from `earlierLinks`,
// ended and read back; the shortcuts it lists.
Links CarryInto(const Links& ownLinks, const std::string& earlierLinks)
{
    failAllocation = false;
    ReadLog earlier = ReadFromBytes(BuildLog("", earlierLinks));
    EXPECT_EQ(earlier.fault, LOG_FAULT_NONE);

    // The new log's sections before the shortcut list, as the wizard writes them.
    UninstallLog log = {};
    AppendLogPrologue(&log, TestPackage().data());
    AppendFolderRecord(&log, LOG_DESTINATION_RECORD, 16, "C:\\Program Files\\Vistrel");
    NoteLogSection(&log, LOG_FILE_LIST);
    (void)AppendToLog(&log, "\x02uninst.dat\0\0", 13);
    NoteLogSection(&log, LOG_SHORTCUT_LIST);
    for (const std::string& link : ownLinks)
        (void)AppendToLog(&log, link.c_str(), LOG_WHOLE_TEXT);
    CarryEarlierShortcuts(&log, &earlier.plan, IsPresent);
    (void)AppendLogByte(&log, LOG_END);
    NoteLogSection(&log, LOG_REGISTRY_LIST);
    (void)AppendLogByte(&log, LOG_END);
    EXPECT_TRUE(SealLog(&log));

    ReadLog again = ReadFromBytes(std::string((const char*)log.buffer, log.logLength));
    EXPECT_EQ(again.fault, LOG_FAULT_NONE);
    FreeLog(&log);
    return again.fault == LOG_FAULT_NONE ? GatherShortcuts(again.plan) : Links{};
}

TEST(CarryEarlierShortcuts, TakesTheLinksNotMadeAgainThatAreStillThere)
{
    presentLinks = {"C:\\Desktop\\Vistrel.lnk", "C:\\Startup\\Vistrel.lnk",
                    "C:\\Menu\\Vistrel\\Help.lnk"};
    std::string earlier = "C:\\Desktop\\Vistrel.lnk\0C:\\Gone\\Vistrel.lnk\0"
                          "C:\\Startup\\Vistrel.lnk\0C:\\Menu\\Vistrel\\Help.lnk\0\0"s;
    // The Start Menu link was made again (spelled in another case); the Desktop and Startup
    // links were not chosen this time; the link the user deleted is not carried.
    EXPECT_EQ(CarryInto({"C:\\MENU\\vistrel\\help.LNK"}, earlier),
              (Links{"C:\\MENU\\vistrel\\help.LNK", "C:\\Desktop\\Vistrel.lnk",
                     "C:\\Startup\\Vistrel.lnk"}));
}

TEST(CarryEarlierShortcuts, ListsALinkOnceAndKeepsAnEmptyListEmpty)
{
    presentLinks = {"C:\\Desktop\\Vistrel.lnk"};
    // A link that the earlier log listed twice is carried once.
    EXPECT_EQ(CarryInto({}, "C:\\Desktop\\Vistrel.lnk\0C:\\desktop\\vistrel.lnk\0\0"s),
              (Links{"C:\\Desktop\\Vistrel.lnk"}));
    presentLinks.clear();
    EXPECT_EQ(CarryInto({}, "C:\\Desktop\\Vistrel.lnk\0\0"s), Links{});
}

TEST(CarryEarlierShortcuts, ALostAppendForbidsTheSave)
{
    presentLinks = {"C:\\Desktop\\Vistrel.lnk"};
    failAllocation = false;
    ReadLog earlier = ReadFromBytes(BuildLog());
    ASSERT_EQ(earlier.fault, LOG_FAULT_NONE);
    UninstallLog log = {};
    AppendLogPrologue(&log, TestPackage().data());
    NoteLogSection(&log, LOG_SHORTCUT_LIST);
    std::string fill(log.logCapacity - log.logLength, 'x'); // the next append must grow
    (void)AppendToLog(&log, fill.data(), (int32_t)fill.size());
    failAllocation = true;
    CarryEarlierShortcuts(&log, &earlier.plan, [](const char*) { return 1; });
    failAllocation = false;
    EXPECT_FALSE(SealLog(&log));
    FreeLog(&log);
}

}  // namespace
