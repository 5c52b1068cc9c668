// Carrying an earlier installation's entries and shortcuts into the log of installing again:
// what is taken, where it goes, and that the new log still reads back whole.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "common/uninstall_log_carry.h"
#include "log_bytes.h"
#include "plan_test_support.h"
#include "test_memory.h"
#include "test_package.h"

namespace {

using namespace std::string_literals;
using Entries = std::vector<std::string>;

std::set<std::string> presentLinks;

int IsPresent(const char* path)
{
    return presentLinks.count(path) != 0;
}

const char DESTINATION[] = "C:\\Program Files\\Vistrel";

// Paths that the tests take for gone from the disk; every other one is there.
std::set<std::string> gonePaths;

int IsStillThere(const char* path)
{
    return gonePaths.count(path) == 0;
}

// A new log up to its file list, its last section so far, holding `fileList`.
UninstallLog StartLog(const std::string& fileList)
{
    UninstallLog log = {};
    AppendLogPrologue(&log, TestPackage().data());
    AppendFolderRecord(&log, LOG_DESTINATION_RECORD, 16, DESTINATION);
    NoteLogSection(&log, LOG_FILE_LIST);
    (void)AppendToLog(&log, fileList.data(), (int32_t)fileList.size());
    return log;
}

// A new log up to its shortcut list, holding `ownLinks`, then the carry from `earlierLinks`,
// ended and read back; the shortcuts it lists.
Entries CarryInto(const Entries& ownLinks, const std::string& earlierLinks,
                  uint32_t* removalSteps = nullptr)
{
    failAllocation = false;
    ReadLog earlier = ReadFromBytes(BuildLog("", earlierLinks));
    EXPECT_EQ(earlier.fault, LOG_FAULT_NONE);

    // The new log's sections before the shortcut list, as the wizard writes them.
    UninstallLog log = StartLog("\x02uninst.dat\0\0"s);
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
    if (removalSteps)
        *removalSteps = again.plan.removalSteps;
    return again.fault == LOG_FAULT_NONE ? GatherShortcuts(again.plan) : Entries{};
}

// The log ended after its file list, read back: the removals it lists, and its removal steps.
Entries EndAndRead(UninstallLog* log, uint32_t* removalSteps = nullptr)
{
    NoteLogSection(log, LOG_SHORTCUT_LIST);
    (void)AppendLogByte(log, LOG_END);
    NoteLogSection(log, LOG_REGISTRY_LIST);
    (void)AppendLogByte(log, LOG_END);
    EXPECT_TRUE(SealLog(log));
    ReadLog again = ReadFromBytes(std::string((const char*)log->buffer, log->logLength));
    EXPECT_EQ(again.fault, LOG_FAULT_NONE);
    FreeLog(log);
    if (removalSteps)
        *removalSteps = again.plan.removalSteps;
    return again.fault == LOG_FAULT_NONE ? GatherRemovals(again.plan) : Entries{};
}

// `fileList` merged with the earlier log's list `earlierList`: the removals the log lists.
Entries MergeFiles(const std::string& fileList, const std::string& earlierList, int* merged,
                   uint32_t* carriedSteps = nullptr)
{
    failAllocation = false;
    ReadLog earlier = ReadFromBytes(BuildLog(earlierList));
    EXPECT_EQ(earlier.fault, LOG_FAULT_NONE);
    UninstallLog log = StartLog(fileList);
    *merged = CarryEarlierFiles(&log, &earlier.plan, DESTINATION, IsStillThere);
    return EndAndRead(&log, carriedSteps);
}

TEST(CarryEarlierFiles, AddsWhatTheNewBuildDroppedAtItsOwnLevel)
{
    int merged = 0;
    uint32_t steps = 0;
    gonePaths = {"C:\\Program Files\\Vistrel\\gone.txt"};
    // The earlier build had old.dll, a file in sub and a whole folder that the new one lacks;
    // sub and its a.txt come again (spelled in another case), and the new one adds new.txt.
    // gone.txt was the earlier build's too, but is no longer there.
    std::string earlier = "\x02uninst.dat\0\x02old.dll\0\x01sub\0\x02" "a.txt\0\x02"
                          "b.txt\0\0\x01plugins\0\x02p.dll\0\0\x02gone.txt\0\0"s;
    std::string fresh = "\x02uninst.dat\0\x01SUB\0\x02" "A.TXT\0\0\x02new.txt\0\0"s;
    EXPECT_EQ(MergeFiles(fresh, earlier, &merged, &steps),
              (Entries{"F C:\\Program Files\\Vistrel\\uninst.dat",
                       "F C:\\Program Files\\Vistrel\\SUB\\A.TXT",
                       "F C:\\Program Files\\Vistrel\\SUB\\b.txt",
                       "D C:\\Program Files\\Vistrel\\SUB",
                       "F C:\\Program Files\\Vistrel\\new.txt",
                       "F C:\\Program Files\\Vistrel\\old.dll",
                       "F C:\\Program Files\\Vistrel\\plugins\\p.dll",
                       "D C:\\Program Files\\Vistrel\\plugins"}));
    EXPECT_TRUE(merged);
    EXPECT_EQ(steps, 3u); // b.txt, old.dll and p.dll
}

TEST(CarryEarlierFiles, KeepsAnUnchangedListAndNamesThatChangedKind)
{
    int merged = 0;
    gonePaths.clear();
    std::string same = "\x02uninst.dat\0\x01sub\0\x02" "a.txt\0\0\x02" "b.txt\0\0"s;
    EXPECT_EQ(MergeFiles(same, same, &merged).size(), 4u);
    EXPECT_TRUE(merged);
    // A name that was a file and is now a directory is the new one's alone.
    EXPECT_EQ(MergeFiles("\x02uninst.dat\0\x01tools\0\x02t.exe\0\0\0"s,
                         "\x02uninst.dat\0\x02tools\0\0"s, &merged),
              (Entries{"F C:\\Program Files\\Vistrel\\uninst.dat",
                       "F C:\\Program Files\\Vistrel\\tools\\t.exe",
                       "D C:\\Program Files\\Vistrel\\tools"}));
}

TEST(CarryEarlierFiles, FindsEachNameOfALargeLevelInAnyOrder)
{
    // 600 files in a shuffled order; the earlier build had every third one and 50 more.
    std::vector<int> order(600);
    for (int i = 0; i < 600; ++i)
        order[i] = (i * 7919) % 600;
    std::string fresh = "\x02uninst.dat\0"s;
    for (int number : order)
        fresh += "\x02" "f" + std::to_string(number) + ".txt" + '\0';
    fresh += '\0';
    std::string earlier = "\x02uninst.dat\0"s;
    for (int number = 0; number < 650; number += number < 600 ? 3 : 1)
        earlier += "\x02" "F" + std::to_string(number) + ".TXT" + '\0';
    earlier += '\0';
    gonePaths.clear();
    int merged = 0;
    uint32_t steps = 0;
    Entries removals = MergeFiles(fresh, earlier, &merged, &steps);
    ASSERT_TRUE(merged);
    ASSERT_EQ(removals.size(), 601u + 50u);
    EXPECT_EQ(steps, 50u);
    for (int number = 600; number < 650; ++number)
        EXPECT_EQ(removals[601 + number - 600],
                  "F C:\\Program Files\\Vistrel\\F" + std::to_string(number) + ".TXT");
}

TEST(CarryEarlierFiles, LeavesAnIncompleteListOrOneWithoutMemoryAsItWas)
{
    failAllocation = false;
    gonePaths.clear();
    std::string earlierList = "\x02uninst.dat\0\x01sub\0\x02" "b.txt\0\0\x02old.dll\0\0"s;
    ReadLog earlier = ReadFromBytes(BuildLog(earlierList));
    ASSERT_EQ(earlier.fault, LOG_FAULT_NONE);
    UninstallLog log = StartLog("\x02uninst.dat\0\x01sub\0\x02" "a.txt\0\0"s); // still open
    std::string before((const char*)log.buffer, log.logLength);
    EXPECT_FALSE(CarryEarlierFiles(&log, &earlier.plan, DESTINATION, IsStillThere));
    EXPECT_EQ(std::string((const char*)log.buffer, log.logLength), before);
    FreeLog(&log);

    // Each allocation of the merge in turn fails: the list is merged whole or stays as it was.
    std::string fresh = "\x02uninst.dat\0\x01sub\0\x02" "a.txt\0\0\0"s;
    int failures = 0;
    for (int left = 0; left < 12; ++left) {
        log = StartLog(fresh);
        log.logCapacity = log.logLength; // so that the merged list must grow the log
        before.assign((const char*)log.buffer, log.logLength);
        allocationsLeft = left;
        int merged = CarryEarlierFiles(&log, &earlier.plan, DESTINATION, IsStillThere);
        allocationsLeft = -1;
        EXPECT_EQ(log.logRequested, log.logLength) << left;
        Entries removals = EndAndRead(&log);
        EXPECT_EQ(removals.size(), merged ? 5u : 3u) << left;
        failures += !merged;
    }
    // The first few allocations fail the merge; from some count on there are enough.
    EXPECT_GE(failures, 3);
    EXPECT_LT(failures, 12);
}

TEST(CarryEarlierShortcuts, TakesTheLinksNotMadeAgainThatAreStillThere)
{
    presentLinks = {"C:\\Desktop\\Vistrel.lnk", "C:\\Startup\\Vistrel.lnk",
                    "C:\\Menu\\Vistrel\\Help.lnk"};
    std::string earlier = "C:\\Desktop\\Vistrel.lnk\0C:\\Gone\\Vistrel.lnk\0"
                          "C:\\Startup\\Vistrel.lnk\0C:\\Menu\\Vistrel\\Help.lnk\0\0"s;
    // The Start Menu link was made again (spelled in another case); the Desktop and Startup
    // links were not chosen this time; the link the user deleted is not carried.
    uint32_t steps = 0;
    EXPECT_EQ(CarryInto({"C:\\MENU\\vistrel\\help.LNK"}, earlier, &steps),
              (Entries{"C:\\MENU\\vistrel\\help.LNK", "C:\\Desktop\\Vistrel.lnk",
                       "C:\\Startup\\Vistrel.lnk"}));
    EXPECT_EQ(steps, 2u); // one removal step for each carried link
}

TEST(CarryEarlierShortcuts, ListsALinkOnceAndKeepsAnEmptyListEmpty)
{
    presentLinks = {"C:\\Desktop\\Vistrel.lnk"};
    // A link that the earlier log listed twice is carried once.
    EXPECT_EQ(CarryInto({}, "C:\\Desktop\\Vistrel.lnk\0C:\\desktop\\vistrel.lnk\0\0"s),
              (Entries{"C:\\Desktop\\Vistrel.lnk"}));
    presentLinks.clear();
    EXPECT_EQ(CarryInto({}, "C:\\Desktop\\Vistrel.lnk\0\0"s), Entries{});
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

TEST(CarryEarlierRegistryKeys, TakesOwnedKeysThatTheNewListLacksUnderTheirRoot)
{
    failAllocation = false;
    std::string keys = "Software\\Microsoft\\Windows\\CurrentVersion\\";
    // The earlier build registered Vistrel.exe and Old.exe; another program took Taken.exe over.
    ReadLog earlier = ReadFromBytes(BuildLog(
        "", "", "\x02" + keys + "Uninstall\\Vistrel 2.1\0"s + "\x01" + keys +
                    "App Paths\\Vistrel.exe\0"s + "\x01" + keys + "App Paths\\Old.exe\0"s +
                    "\x01" + keys + "App Paths\\Taken.exe\0\0"s));
    ASSERT_EQ(earlier.fault, LOG_FAULT_NONE);
    UninstallLog log = StartLog("\x02uninst.dat\0\0"s);
    NoteLogSection(&log, LOG_SHORTCUT_LIST);
    (void)AppendLogByte(&log, LOG_END);
    NoteLogSection(&log, LOG_REGISTRY_LIST);
    // This build's own keys: the entry, and Vistrel.exe spelled in another case; Old.exe is
    // under the other root here, so it is not the same key.
    AppendRegistryRecord(&log, LOG_ROOT_CURRENT_USER, (keys + "Uninstall\\Vistrel 2.1").c_str());
    AppendRegistryRecord(&log, LOG_ROOT_LOCAL_MACHINE, (keys + "APP PATHS\\vistrel.EXE").c_str());
    AppendRegistryRecord(&log, LOG_ROOT_CURRENT_USER, (keys + "App Paths\\Old.exe").c_str());
    CarryEarlierRegistryKeys(&log, &earlier.plan, [](int, const char* key) {
        return std::string(key).find("Taken.exe") == std::string::npos ? 1 : 0;
    });
    (void)AppendLogByte(&log, LOG_END);
    ASSERT_TRUE(SealLog(&log));
    ReadLog again = ReadFromBytes(std::string((const char*)log.buffer, log.logLength));
    ASSERT_EQ(again.fault, LOG_FAULT_NONE);
    EXPECT_EQ(GatherRegistryKeys(again.plan),
              (Entries{"2 " + keys + "Uninstall\\Vistrel 2.1",
                       "1 " + keys + "APP PATHS\\vistrel.EXE", "2 " + keys + "App Paths\\Old.exe",
                       "1 " + keys + "App Paths\\Old.exe"}));
    FreeLog(&log);
}

}  // namespace
