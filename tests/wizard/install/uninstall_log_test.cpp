// The uninstall log: growth and loss accounting of the buffer, the prologue with and without
// optional texts, and a whole installation's log compared byte by byte.
#include <gtest/gtest.h>

#include <string>

#include "core/path_routines.h"
#include "install/file_tree.h"
#include "install/install_progress.h"
#include "install/uninstall_log.h"
#include "log_bytes.h"
#include "recording_ops.h"
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

// The log of an installation on the NT platform with a Start Menu folder, the Desktop icon
// and both registry keys, built by the same routines that the install steps use.
TEST(UninstallLog, InstallationLogMatchesTheFormatByteForByte)
{
    failAllocation = false;
    TestPackage package;
    package.SetField(FIELD_SHORT_NAME, package.AddText("Vistrel"));
    package.SetField(FIELD_DISPLAY_NAME, package.AddText("Vistrel 2.1"));
    package.SetField(FIELD_EVENT_NAME, package.AddText("VistrelEvent"));
    package.SetField(FIELD_NOTICE, package.AddText("Line one"));
    uint32_t list = package.AddShortcut("Vistrel 2.1", "%InstallDir%\\Vistrel.exe", "", true);
    package.AddShortcut("Readme", "%InstallDir%\\readme.txt", "", false);
    package.EndShortcutList();
    package.SetField(FIELD_MENU_LIST, list);
    package.SetField(FIELD_DESKTOP_SHORTCUT, list);
    package.SetField(FIELD_UNINSTALL_ENTRY,
                     package.AddRunEntry("%InstallDir%\\Vistrel.exe -u", "%InstallDir%"));
    package.SetField(FIELD_FILE_COUNT, 4);
    package.SetField(FIELD_FILE_TREE, (uint32_t)package.bytes.size());
    package.AddFile("uninst.exe", 0x80, "U", 1, 1);
    package.AddFile("Vistrel.exe", 0x20, "V", 1, 1);
    package.AddDirectory("docs", 0);
    package.AddFile("notes.txt", 0x20, "N", 1, 1);
    package.AddFile("empty.txt", 0x20, "", 0, 1);
    package.EndLevel();
    package.AddDirectory("empty", 0);
    package.EndLevel();
    package.EndLevel();

    InstallChoices choices = {0, 1, 0, 0};
    UninstallLog log = {};
    ClearLogHeader(&log);
    SetLogHeaderField(&log, LOG_REMOVAL_STEPS, CountRemovalSteps(package.data(), &choices));
    AppendLogPrologue(&log, package.data());
    AppendFolderRecord(&log, LOG_DESTINATION_RECORD, 16, "C:\\Program Files\\Vistrel");
    AppendFolderRecord(&log, LOG_MENU_RECORD, 16, "C:\\Menu\\Programs\\Vistrel 2.1");
    char installDir[PATH_SIZE] = "C:\\Program Files\\Vistrel";
    ResetRecording();
    ASSERT_EQ(ExtractFileTree(&recordingOps, &log, installDir, package.data()), 1);
    NoteLogSection(&log, LOG_SHORTCUT_LIST);
    AppendToLog(&log, "C:\\Desktop\\Vistrel 2.1.lnk", LOG_WHOLE_TEXT);
    AppendToLog(&log, "C:\\Menu\\Programs\\Vistrel 2.1\\Vistrel 2.1.lnk", LOG_WHOLE_TEXT);
    AppendLogByte(&log, LOG_END);
    NoteLogSection(&log, LOG_REGISTRY_LIST);
    AppendRegistryRecord(&log, LOG_ROOT_CURRENT_USER,
                         "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vistrel 2.1");
    AppendRegistryRecord(&log, LOG_ROOT_LOCAL_MACHINE,
                         "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Vistrel.exe");
    AppendLogByte(&log, LOG_END);
    ASSERT_TRUE(SealLog(&log));

    std::string expected =
        // Header: size, notice, event, short name, display name, destination, Start Menu,
        // file list, registry list, shortcut list, uninstall command, removal steps.
        U32(459) + U32(48) + U32(77) + U32(57) + U32(65) + U32(118) + U32(147) + U32(180) +
        U32(328) + U32(255) + U32(90) + U32(10) +
        "Line one\0"s                                           // 48
        "Vistrel\0"s                                            // 57
        "Vistrel 2.1\0"s                                        // 65
        "VistrelEvent\0"s                                       // 77
        "%InstallDir%\\Vistrel.exe -u\0"s +                     // 90
        U32(16) + "C:\\Program Files\\Vistrel\0"s +             // 118
        U32(16) + "C:\\Menu\\Programs\\Vistrel 2.1\0"s +        // 147
        "\x02uninst.dat\0"s                                     // 180
        "\x02uninst.exe\0"s
        "\x02Vistrel.exe\0"s
        "\x01" "docs\0"s
        "\x02notes.txt\0"s
        "\x02" "empty.txt\0"s
        "\0"s
        "\x01" "empty\0\0"s
        "\0"s
        "C:\\Desktop\\Vistrel 2.1.lnk\0"s                       // 255
        "C:\\Menu\\Programs\\Vistrel 2.1\\Vistrel 2.1.lnk\0"s
        "\0"s
        "\x02Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vistrel 2.1\0"s // 328
        "\x01Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Vistrel.exe\0"s
        "\0"s;
    EXPECT_EQ(expected.size(), 459u);
    EXPECT_EQ(Bytes(log), expected);
    FreeLog(&log);
}

} // namespace
