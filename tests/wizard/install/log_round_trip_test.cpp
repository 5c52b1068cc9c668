// Logs built by the one log builder and the wizard's file-tree walk, held to the format's
// bytes and read back by the one reader: what the installation records is what is removed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/path_routines.h"
#include "common/uninstall_log_builder.h"
#include "install/file_tree.h"
#include "install/install_progress.h"
#include "log_bytes.h"
#include "plan_test_support.h"
#include "recording_ops.h"
#include "test_package.h"

namespace {

using namespace std::string_literals;
using Lines = std::vector<std::string>;

std::string Built(UninstallLog& log)
{
    EXPECT_TRUE(SealLog(&log));
    std::string bytes((const char*)log.buffer, log.logLength);
    FreeLog(&log);
    return bytes;
}

// The log of an installation on the NT platform with a Start Menu folder, the Desktop icon
// and both registry keys, built by the same routines that the install steps use, held to the
// format's bytes written out here (so that a change of builder and reader together still
// fails), then read back by the uninstaller's reader.
TEST(RoundTrip, InstallationLogHasTheFormatsBytesAndIsReadBackWhole)
{
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
    const std::string built = Built(log);

    const std::string expected =
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
    ASSERT_EQ(expected.size(), 459u);
    EXPECT_EQ(built, expected);

    ReadLog read = ReadFromBytes(built);
    ASSERT_EQ(read.fault, LOG_FAULT_NONE);
    const UninstallPlan& plan = read.plan;
    EXPECT_STREQ(plan.notice, "Line one");
    EXPECT_STREQ(plan.shortName, "Vistrel");
    EXPECT_STREQ(plan.displayName, "Vistrel 2.1");
    EXPECT_STREQ(plan.eventName, "VistrelEvent");
    EXPECT_STREQ(plan.uninstallCommand, "%InstallDir%\\Vistrel.exe -u");
    EXPECT_STREQ(plan.destination.path, "C:\\Program Files\\Vistrel");
    EXPECT_EQ(plan.destination.existingLength, 16u);
    EXPECT_STREQ(plan.menuFolder.path, "C:\\Menu\\Programs\\Vistrel 2.1");
    EXPECT_EQ(plan.menuFolder.existingLength, 16u);
    EXPECT_EQ(plan.removalSteps, 10u);
    const std::string d = "C:\\Program Files\\Vistrel\\";
    EXPECT_EQ(GatherRemovals(plan),
              (Lines{"F " + d + "uninst.dat", "F " + d + "uninst.exe", "F " + d + "Vistrel.exe",
                     "F " + d + "docs\\notes.txt", "F " + d + "docs\\empty.txt",
                     "D " + d + "docs", "D " + d + "empty"}));
    EXPECT_EQ(GatherShortcuts(plan),
              (Lines{"C:\\Desktop\\Vistrel 2.1.lnk",
                     "C:\\Menu\\Programs\\Vistrel 2.1\\Vistrel 2.1.lnk"}));
    EXPECT_EQ(GatherRegistryKeys(plan),
              (Lines{"2 Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vistrel 2.1",
                     "1 Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Vistrel.exe"}));
}


TEST(RoundTrip, APackageWithoutOptionsAndWithoutFilesIsReadBack)
{
    TestPackage package;
    package.SetField(FIELD_SHORT_NAME, package.AddText("Q"));
    package.SetField(FIELD_DISPLAY_NAME, package.AddText("Q 1"));
    package.SetField(FIELD_FILE_TREE, (uint32_t)package.bytes.size());
    package.EndLevel();

    UninstallLog log = {};
    ClearLogHeader(&log);
    AppendLogPrologue(&log, package.data());
    AppendFolderRecord(&log, LOG_DESTINATION_RECORD, 6, "C:\\Q 1");
    char installDir[PATH_SIZE] = "C:\\Q 1";
    ResetRecording();
    ASSERT_EQ(ExtractFileTree(&recordingOps, &log, installDir, package.data()), 1);
    NoteLogSection(&log, LOG_SHORTCUT_LIST);
    AppendLogByte(&log, LOG_END);
    NoteLogSection(&log, LOG_REGISTRY_LIST);
    AppendLogByte(&log, LOG_END);

    ReadLog read = ReadFromBytes(Built(log));
    ASSERT_EQ(read.fault, LOG_FAULT_NONE);
    EXPECT_STREQ(read.plan.notice, "");
    EXPECT_EQ(read.plan.eventName, nullptr);
    EXPECT_EQ(read.plan.uninstallCommand, nullptr);
    EXPECT_EQ(read.plan.menuFolder.path, nullptr);
    EXPECT_EQ(GatherRemovals(read.plan), (Lines{"F C:\\Q 1\\uninst.dat"}));
    EXPECT_TRUE(GatherShortcuts(read.plan).empty());
    EXPECT_TRUE(GatherRegistryKeys(read.plan).empty());
}

} // namespace
