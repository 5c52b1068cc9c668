// The log reader on logs written by hand: a complete log read back field by field, the
// removal order of the file list, and every kind of damage refused with its own message.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/registry_keys.h"
#include "log_bytes.h"
#include "plan_test_support.h"

namespace {

using namespace std::string_literals;
using Lines = std::vector<std::string>;

const std::string UNINSTALL_KEY = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const std::string APP_PATHS_KEY = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";

TEST(ReadUninstallLog, ReadsTheSampleInstallationsLogWrittenByteByByte)
{
    std::string bytes =
        U32(384) + U32(48) + U32(70) + U32(50) + U32(58) + U32(111) + U32(140) + U32(173) +
        U32(253) + U32(225) + U32(83) + U32(8) +
        "N\0"s                                                  // 48
        "Vistrel\0"s                                            // 50
        "Vistrel 2.1\0"s                                        // 58
        "VistrelEvent\0"s                                       // 70
        "%InstallDir%\\Vistrel.exe -u\0"s +                     // 83
        U32(16) + "C:\\Program Files\\Vistrel\0"s +             // 111
        U32(16) + "C:\\Menu\\Programs\\Vistrel 2.1\0"s +        // 140
        "\x02uninst.dat\0\x02uninst.exe\0\x01" "docs\0\x02" "a.txt\0\0"s   // 173
        "\x02Vistrel.exe\0\0"s
        "C:\\Desktop\\Vistrel 2.1.lnk\0\0"s                     // 225
        "\x02" + UNINSTALL_KEY + "Vistrel 2.1\0"s +             // 253
        "\x01" + APP_PATHS_KEY + "Vistrel.exe\0\0"s;
    ASSERT_EQ(bytes.size(), 384u);

    ReadLog read = ReadFromBytes(bytes);
    ASSERT_EQ(read.fault, LOG_FAULT_NONE);
    const UninstallPlan& plan = read.plan;
    EXPECT_STREQ(plan.notice, "N");
    EXPECT_STREQ(plan.shortName, "Vistrel");
    EXPECT_STREQ(plan.displayName, "Vistrel 2.1");
    EXPECT_STREQ(plan.eventName, "VistrelEvent");
    EXPECT_STREQ(plan.uninstallCommand, "%InstallDir%\\Vistrel.exe -u");
    EXPECT_STREQ(plan.destination.path, "C:\\Program Files\\Vistrel");
    EXPECT_EQ(plan.destination.existingLength, 16u);
    EXPECT_STREQ(plan.menuFolder.path, "C:\\Menu\\Programs\\Vistrel 2.1");
    EXPECT_EQ(plan.menuFolder.existingLength, 16u);
    EXPECT_EQ(plan.fileCount, 4u);
    EXPECT_EQ(plan.directoryCount, 1u);
    EXPECT_EQ(plan.shortcutCount, 1u);
    EXPECT_EQ(plan.registryKeyCount, 2u);
    EXPECT_EQ(plan.removalSteps, 8u);

    EXPECT_EQ(GatherRemovals(plan), (Lines{"F C:\\Program Files\\Vistrel\\uninst.dat",
                                           "F C:\\Program Files\\Vistrel\\uninst.exe",
                                           "F C:\\Program Files\\Vistrel\\docs\\a.txt",
                                           "D C:\\Program Files\\Vistrel\\docs",
                                           "F C:\\Program Files\\Vistrel\\Vistrel.exe"}));
    EXPECT_EQ(GatherShortcuts(plan), (Lines{"C:\\Desktop\\Vistrel 2.1.lnk"}));
    EXPECT_EQ(GatherRegistryKeys(plan), (Lines{"2 " + UNINSTALL_KEY + "Vistrel 2.1",
                                               "1 " + APP_PATHS_KEY + "Vistrel.exe"}));
}

TEST(ReadUninstallLog, AcceptsALogWithOnlyWhatIsAlwaysThere)
{
    LogBytes log;
    log.AddText(LOG_NOTICE, "");
    log.AddText(LOG_SHORT_NAME, "Q");
    log.AddText(LOG_DISPLAY_NAME, "Q 1");
    log.AddFolder(LOG_DESTINATION_RECORD, 4, "D:\\Q");
    log.AddSection(LOG_FILE_LIST, "\x02uninst.dat\0\0"s);
    log.AddSection(LOG_SHORTCUT_LIST, "\0"s);
    log.AddSection(LOG_REGISTRY_LIST, "\0"s);
    ReadLog read = ReadFromBytes(log.Sealed());
    ASSERT_EQ(read.fault, LOG_FAULT_NONE);
    EXPECT_STREQ(read.plan.notice, "");
    EXPECT_EQ(read.plan.eventName, nullptr);
    EXPECT_EQ(read.plan.uninstallCommand, nullptr);
    EXPECT_EQ(read.plan.menuFolder.path, nullptr);
    EXPECT_EQ(GatherRemovals(read.plan), (Lines{"F D:\\Q\\uninst.dat"}));
    EXPECT_TRUE(GatherShortcuts(read.plan).empty());
    EXPECT_TRUE(GatherRegistryKeys(read.plan).empty());
}

TEST(FileListWalk, RemovesContentsBeforeTheirDirectoryAtEveryDepth)
{
    std::string list = "\x02uninst.dat\0\x01" "a\0\x01" "b\0\x02" "f1\0\0\x01" "empty\0\0"
                       "\x02" "f2\0\0\x02" "top\0\0"s;
    ReadLog read = ReadFromBytes(BuildLog(list));
    ASSERT_EQ(read.fault, LOG_FAULT_NONE);
    std::string d = "C:\\Program Files\\Vistrel\\";
    EXPECT_EQ(GatherRemovals(read.plan),
              (Lines{"F " + d + "uninst.dat", "F " + d + "a\\b\\f1", "D " + d + "a\\b",
                     "D " + d + "a\\empty", "F " + d + "a\\f2", "D " + d + "a",
                     "F " + d + "top"}));
    EXPECT_EQ(read.plan.directoryCount, 3u);
    EXPECT_EQ(read.plan.fileCount, 4u);
}

TEST(FileListWalk, JoinsNamesToADriveRootWithOneSeparator)
{
    LogBytes log;
    log.AddText(LOG_NOTICE, "");
    log.AddText(LOG_SHORT_NAME, "Q");
    log.AddText(LOG_DISPLAY_NAME, "Q");
    log.AddFolder(LOG_DESTINATION_RECORD, 3, "E:\\");
    log.AddSection(LOG_FILE_LIST, "\x01" "d\0\x02" "f\0\0\x02uninst.dat\0\0"s);
    log.AddSection(LOG_SHORTCUT_LIST, "\0"s);
    log.AddSection(LOG_REGISTRY_LIST, "\0"s);
    ReadLog read = ReadFromBytes(log.Sealed());
    ASSERT_EQ(read.fault, LOG_FAULT_NONE);
    EXPECT_EQ(GatherRemovals(read.plan), (Lines{"F E:\\d\\f", "D E:\\d", "F E:\\uninst.dat"}));
}

// Every shorter copy of a good log, whether or not its size field is mended, is refused.
TEST(ReadUninstallLog, RefusesEveryTruncation)
{
    std::string whole = BuildLog();
    ASSERT_EQ(ReadFromBytes(whole).fault, LOG_FAULT_NONE);
    for (size_t length = 0; length < whole.size(); ++length) {
        std::string cut = whole.substr(0, length);
        EXPECT_NE(ReadFromBytes(cut).fault, LOG_FAULT_NONE) << "length " << length;
        if (length >= LOG_HEADER_SIZE) {
            cut.replace(0, 4, U32((uint32_t)length));
            EXPECT_NE(ReadFromBytes(cut).fault, LOG_FAULT_NONE) << "mended length " << length;
        }
    }
    EXPECT_EQ(ReadFromBytes(whole.substr(0, 20)).fault, LOG_FAULT_WRONG_SIZE);
    EXPECT_EQ(ReadFromBytes(whole + "x").fault, LOG_FAULT_WRONG_SIZE);
}

std::string WithField(std::string bytes, LogHeaderField field, uint32_t value)
{
    bytes.replace(field, 4, U32(value));
    return bytes;
}

TEST(ReadUninstallLog, RefusesOffsetsOutsideTheBody)
{
    std::string good = BuildLog();
    uint32_t size = (uint32_t)good.size();
    const LogHeaderField fields[] = {LOG_NOTICE,        LOG_EVENT_NAME,
                               LOG_SHORT_NAME,    LOG_DISPLAY_NAME,
                               LOG_DESTINATION_RECORD,   LOG_MENU_RECORD,
                               LOG_FILE_LIST,     LOG_REGISTRY_LIST,
                               LOG_SHORTCUT_LIST, LOG_UNINSTALL_COMMAND};
    for (LogHeaderField field : fields) {
        for (uint32_t offset : {4u, 47u, size, size + 1, 0xFFFFFFFFu})
            EXPECT_EQ(ReadFromBytes(WithField(good, field, offset)).fault,
                      LOG_FAULT_BAD_OFFSET)
                << "field " << field << " offset " << offset;
    }
    // Only the event name, the uninstall command and the Start Menu record may be absent.
    for (LogHeaderField field : {LOG_NOTICE, LOG_SHORT_NAME, LOG_DISPLAY_NAME,
                           LOG_DESTINATION_RECORD, LOG_FILE_LIST, LOG_REGISTRY_LIST,
                           LOG_SHORTCUT_LIST})
        EXPECT_EQ(ReadFromBytes(WithField(good, field, 0)).fault, LOG_FAULT_BAD_OFFSET);
    for (LogHeaderField field : {LOG_EVENT_NAME, LOG_UNINSTALL_COMMAND,
                           LOG_MENU_RECORD})
        EXPECT_EQ(ReadFromBytes(WithField(good, field, 0)).fault, LOG_FAULT_NONE);
    // A folder record needs room for its length and at least one path byte.
    EXPECT_EQ(ReadFromBytes(WithField(good, LOG_DESTINATION_RECORD, size - 4)).fault,
              LOG_FAULT_BAD_OFFSET);
}

TEST(ReadUninstallLog, RefusesTextsThatRunToTheEndOfTheFile)
{
    // The last text of the file without its NUL, for each kind of text.
    std::string good = BuildLog();
    for (LogHeaderField field : {LOG_NOTICE, LOG_EVENT_NAME, LOG_UNINSTALL_COMMAND}) {
        std::string bytes = WithField(good, field, (uint32_t)good.size());
        bytes += "unterminated";
        bytes.replace(0, 4, U32((uint32_t)bytes.size()));
        EXPECT_EQ(ReadFromBytes(bytes).fault, LOG_FAULT_BAD_TEXT) << "field " << field;
    }
    std::string longName = WithField(good, LOG_EVENT_NAME, (uint32_t)good.size());
    longName += std::string(PATH_SIZE, 'e') + '\0';
    longName.replace(0, 4, U32((uint32_t)longName.size()));
    EXPECT_EQ(ReadFromBytes(longName).fault, LOG_FAULT_BAD_TEXT);
}

TEST(ReadUninstallLog, TakesProductTextsOfAnyLength)
{
    // The tool limits neither the notice nor the names; a log holding long ones still removes
    // the product.
    std::string good = BuildLog();
    for (LogHeaderField field : {LOG_NOTICE, LOG_SHORT_NAME, LOG_DISPLAY_NAME}) {
        std::string bytes = WithField(good, field, (uint32_t)good.size());
        bytes += std::string(5000, 'n') + '\0';
        bytes.replace(0, 4, U32((uint32_t)bytes.size()));
        ReadLog read = ReadFromBytes(bytes);
        EXPECT_EQ(read.fault, LOG_FAULT_NONE) << "field " << field;
    }
}

LogFault ReadWithDestination(uint32_t existing, const std::string& path)
{
    LogBytes log;
    log.AddText(LOG_NOTICE, "");
    log.AddText(LOG_SHORT_NAME, "Q");
    log.AddText(LOG_DISPLAY_NAME, "Q");
    log.AddFolder(LOG_DESTINATION_RECORD, existing, path);
    log.AddSection(LOG_FILE_LIST, "\x02uninst.dat\0\0"s);
    log.AddSection(LOG_SHORTCUT_LIST, "\0"s);
    log.AddSection(LOG_REGISTRY_LIST, "\0"s);
    return ReadFromBytes(log.Sealed()).fault;
}

TEST(ReadUninstallLog, FolderRecordsMustBeAbsoluteAndTrimToAWholeDirectory)
{
    EXPECT_EQ(ReadWithDestination(3, "C:\\A\\B"), LOG_FAULT_NONE);
    EXPECT_EQ(ReadWithDestination(4, "C:\\A\\B"), LOG_FAULT_NONE);
    EXPECT_EQ(ReadWithDestination(6, "C:/A/B"), LOG_FAULT_NONE);
    EXPECT_EQ(ReadWithDestination(3, "C:\\A\\\\B"), LOG_FAULT_NONE); // a destination typed so is taken
    for (const char* path : {"A\\B", "\\A\\B", "\\\\server\\share\\A", "C:A", "C:", "1:\\A",
                             "C:\\A\\", "C:\\\\A", "C:\\A\\..\\B", "C:\\.\\B", "C:\\A\\..",
                             "C:\\A:B"})
        EXPECT_EQ(ReadWithDestination(3, path), LOG_FAULT_BAD_FOLDER) << path;
    EXPECT_EQ(ReadWithDestination(2, "C:\\A\\B"), LOG_FAULT_BAD_FOLDER);
    EXPECT_EQ(ReadWithDestination(4, "C:\\AB\\C"), LOG_FAULT_BAD_FOLDER);
    EXPECT_EQ(ReadWithDestination(7, "C:\\A\\B"), LOG_FAULT_BAD_FOLDER);
    // With "\\uninst.dat" (11 characters) the longest destination makes 259.
    std::string longest = "C:\\" + std::string(PATH_SIZE - 15, 'x');
    EXPECT_EQ(ReadWithDestination(3, longest), LOG_FAULT_NONE);
    EXPECT_EQ(ReadWithDestination(3, longest + "x"), LOG_FAULT_PATH_TOO_LONG);
    std::string overLimit = "C:\\" + std::string(PATH_SIZE - 3, 'x');
    EXPECT_EQ(ReadWithDestination(3, overLimit), LOG_FAULT_PATH_TOO_LONG);

    // A Start Menu redirected to a share: its root is taken to exist, as a drive's is.
    const auto readWithMenu = [](uint32_t existing, const std::string& path) {
        LogBytes log;
        log.AddText(LOG_NOTICE, "");
        log.AddText(LOG_SHORT_NAME, "Q");
        log.AddText(LOG_DISPLAY_NAME, "Q");
        log.AddFolder(LOG_DESTINATION_RECORD, 3, "C:\\Q");
        log.AddFolder(LOG_MENU_RECORD, existing, path);
        log.AddSection(LOG_FILE_LIST, "\x02uninst.dat\0\0"s);
        log.AddSection(LOG_SHORTCUT_LIST, "\0"s);
        log.AddSection(LOG_REGISTRY_LIST, "\0"s);
        return ReadFromBytes(log.Sealed()).fault;
    };
    const std::string menu = "\\\\srv\\menus\\Programs\\Q 1.0";
    EXPECT_EQ(readWithMenu(11, menu), LOG_FAULT_NONE);
    EXPECT_EQ(readWithMenu(20, menu), LOG_FAULT_NONE);
    EXPECT_EQ(readWithMenu(10, menu), LOG_FAULT_BAD_FOLDER);  // inside the share's name
    EXPECT_EQ(readWithMenu(13, menu), LOG_FAULT_BAD_FOLDER);  // inside "Programs"
    for (const char* path : {"\\\\srv", "\\\\srv\\", "\\\\\\menus\\P", "\\\\srv\\\\P",
                             "\\\\srv\\menus\\", "\\\\srv\\..\\P", "\\\\.\\pipe\\P",
                             "\\\\srv\\menus\\..\\P"})
        EXPECT_EQ(readWithMenu(2, path), LOG_FAULT_BAD_FOLDER) << path;
}

TEST(ReadUninstallLog, RefusesUnbalancedOrUnknownFileListRecords)
{
    std::string shortcuts = "\0"s;
    std::string registry = "\0"s;
    // The file list is the last section here, so that running off its end is seen.
    auto readList = [&](const std::string& list) {
        LogBytes log;
        log.AddText(LOG_NOTICE, "");
        log.AddText(LOG_SHORT_NAME, "Q");
        log.AddText(LOG_DISPLAY_NAME, "Q");
        log.AddFolder(LOG_DESTINATION_RECORD, 3, "C:\\Q");
        log.AddSection(LOG_SHORTCUT_LIST, shortcuts);
        log.AddSection(LOG_REGISTRY_LIST, registry);
        log.AddSection(LOG_FILE_LIST, list);
        return ReadFromBytes(log.Sealed()).fault;
    };
    EXPECT_EQ(readList("\x02" "f\0\0"s), LOG_FAULT_NONE);
    EXPECT_EQ(readList("\x01" "d\0\x02" "f\0\0"s), LOG_FAULT_BAD_FILE_LIST);
    EXPECT_EQ(readList("\x01" "d\0\x01" "e\0\0"s), LOG_FAULT_BAD_FILE_LIST);
    EXPECT_EQ(readList("\x02" "f\0"s), LOG_FAULT_BAD_FILE_LIST);
    EXPECT_EQ(readList("\x03" "f\0\0"s), LOG_FAULT_BAD_FILE_LIST);
    EXPECT_EQ(readList("\x02" "f"s), LOG_FAULT_BAD_TEXT);
    EXPECT_EQ(readList("\x01" "dir"s), LOG_FAULT_BAD_TEXT);
}

TEST(ReadUninstallLog, RefusesFileNamesThatLeaveTheirDirectoryOrThatNoFileCanHave)
{
    // The second row: a damaged name that no removal could ever delete.
    for (std::string name : {""s, "."s, ".."s, "a\\b"s, "a/b"s, "\\a"s, "c:x"s, "C:"s,
                             "a?b"s, "*"s, "a<b"s, "a>b"s, "a|b"s, "a\"b"s, "a\tb"s, "\x1f"s}) {
        std::string asFile = "\x02" + name + "\0\0"s;
        std::string asDirectory = "\x01" + name + "\0\0\0"s;
        EXPECT_EQ(ReadFromBytes(BuildLog(asFile)).fault, LOG_FAULT_BAD_NAME) << name;
        EXPECT_EQ(ReadFromBytes(BuildLog(asDirectory)).fault, LOG_FAULT_BAD_NAME) << name;
    }
    EXPECT_EQ(ReadFromBytes(BuildLog("\x02...\0\x02.a\0\0"s)).fault, LOG_FAULT_NONE);
}

TEST(ReadUninstallLog, LeavesNothingPointingIntoALogItRefusesAfterItsTexts)
{
    // The uninstaller frees a refused log and still captions its message box from the plan.
    const ReadLog read = ReadFromBytes(BuildLog("\x02" "a\\b\0\0"s));
    ASSERT_EQ(read.fault, LOG_FAULT_BAD_NAME);
    EXPECT_EQ(read.plan.log, nullptr);
    EXPECT_EQ(read.plan.notice, nullptr);
    EXPECT_EQ(read.plan.shortName, nullptr);
    EXPECT_EQ(read.plan.displayName, nullptr);
    EXPECT_EQ(read.plan.eventName, nullptr);
    EXPECT_EQ(read.plan.uninstallCommand, nullptr);
    EXPECT_EQ(read.plan.destination.path, nullptr);
    EXPECT_EQ(read.plan.menuFolder.path, nullptr);
}

TEST(ReadUninstallLog, RefusesFileListPathsBeyondThePathLimit)
{
    // The destination has 24 characters; with the separator, 234 more fill 259.
    std::string fits = "\x02" + std::string(234, 'n') + "\0\0"s;
    std::string over = "\x02" + std::string(235, 'n') + "\0\0"s;
    EXPECT_EQ(ReadFromBytes(BuildLog(fits)).fault, LOG_FAULT_NONE);
    EXPECT_EQ(ReadFromBytes(BuildLog(over)).fault, LOG_FAULT_PATH_TOO_LONG);
    std::string deep;
    for (int level = 0; level < 120; ++level)
        deep += "\x01" "d\0"s;
    deep += std::string(120, '\0') + "\0"s;
    EXPECT_EQ(ReadFromBytes(BuildLog(deep)).fault, LOG_FAULT_PATH_TOO_LONG);
}

TEST(ReadUninstallLog, ShortcutsMustBeAbsoluteLinkFiles)
{
    EXPECT_EQ(ReadFromBytes(BuildLog("", "C:\\a.LNK\0D:/b/c.lnk\0\\\\srv\\desk\\a.lnk\0\0"s)).fault,
              LOG_FAULT_NONE);
    for (std::string path : {"a.lnk"s, "\\a.lnk"s, "C:\\a.exe"s, "C:\\..\\a.lnk"s,
                             "C:\\a.lnk\\"s, "\\\\srv\\a.lnk"s, "C:\\Inkw?ll.lnk"s,
                             "C:\\M*nu\\a.lnk"s})
        EXPECT_EQ(ReadFromBytes(BuildLog("", path + "\0\0"s)).fault,
                  LOG_FAULT_BAD_SHORTCUT)
            << path;
    std::string tooLong = "C:\\" + std::string(PATH_SIZE, 's') + ".lnk\0\0"s;
    EXPECT_EQ(ReadFromBytes(BuildLog("", tooLong)).fault, LOG_FAULT_PATH_TOO_LONG);
}

TEST(ReadUninstallLog, RegistryKeysMustBeTheProductsOwnEntries)
{
    EXPECT_EQ(ReadFromBytes(BuildLog("", "", "\x01" + UNINSTALL_KEY + "A\\B\0\0"s)).fault, LOG_FAULT_NONE);
    EXPECT_EQ(ReadFromBytes(BuildLog("", "", "\x02" "software\\microsoft\\windows\\"
                                             "currentversion\\app paths\\x.exe\0\0"s))
                  .fault,
              LOG_FAULT_NONE);
    for (std::string record : {"\x03" + UNINSTALL_KEY + "A\0\0"s, "\xFF" + UNINSTALL_KEY + "A\0\0"s,
                               "\x01Software\\Microsoft\0\0"s, "\x01" + UNINSTALL_KEY + "\0\0"s,
                               "\x01" + UNINSTALL_KEY + "\\A\0\0"s,
                               "\x01" + UNINSTALL_KEY + "A\\\0\0"s,
                               "\x01" + UNINSTALL_KEY + "A\\\\B\0\0"s,
                               "\x02Software\\Microsoft\\Windows\\CurrentVersion\\Run\\A\0\0"s,
                               "\x01" + UNINSTALL_KEY + std::string(KEY_PATH_SIZE, 'k') + "\0\0"s})
        EXPECT_EQ(ReadFromBytes(BuildLog("", "", record)).fault, LOG_FAULT_BAD_REGISTRY)
            << record;
}

TEST(ReadUninstallLog, RefusesListsThatRunOffTheEnd)
{
    // The registry list is the last section: without its closing byte, or cut inside a key.
    std::string open = BuildLog("", "", "\x01" + UNINSTALL_KEY + "A\0"s);
    EXPECT_EQ(ReadFromBytes(open).fault, LOG_FAULT_BAD_TEXT);
    std::string cut = BuildLog("", "", "\x01" + UNINSTALL_KEY + "A"s);
    EXPECT_EQ(ReadFromBytes(cut).fault, LOG_FAULT_BAD_TEXT);
    // A shortcut list cut inside its last path.
    LogBytes log;
    log.AddText(LOG_NOTICE, "");
    log.AddText(LOG_SHORT_NAME, "Q");
    log.AddText(LOG_DISPLAY_NAME, "Q");
    log.AddFolder(LOG_DESTINATION_RECORD, 3, "C:\\Q");
    log.AddSection(LOG_FILE_LIST, "\0"s);
    log.AddSection(LOG_REGISTRY_LIST, "\0"s);
    log.AddSection(LOG_SHORTCUT_LIST, "C:\\a.lnk"s);
    EXPECT_EQ(ReadFromBytes(log.Sealed()).fault, LOG_FAULT_BAD_TEXT);
}

} // namespace
