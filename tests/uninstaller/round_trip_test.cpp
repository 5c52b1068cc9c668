// Logs built by the wizard's own log builder and file-tree walk, read back by the reader: what
// the installation records is what the uninstaller will remove.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "install/file_tree.h"
#include "core/path_routines.h"
#include "install/uninstall_log.h"
#include "plan_test_support.h"
#include "recording_ops.h"
#include "test_package.h"

namespace {

using Lines = std::vector<std::string>;

std::string Built(UninstallLog& log)
{
    EXPECT_TRUE(SealLog(&log));
    std::string bytes((const char*)log.buffer, log.logLength);
    FreeLog(&log);
    return bytes;
}

TEST(RoundTrip, EverythingTheInstallationRecordsIsReadBack)
{
    TestPackage package;
    package.SetField(FIELD_SHORT_NAME, package.AddText("Vistrel"));
    package.SetField(FIELD_DISPLAY_NAME, package.AddText("Vistrel 2.1"));
    package.SetField(FIELD_NOTICE, package.AddText("Line one\r\nLine two"));
    package.SetField(FIELD_EVENT_NAME, package.AddText("VistrelEvent"));
    package.SetField(FIELD_UNINSTALL_ENTRY,
                     package.AddRunEntry("%InstallDir%\\Vistrel.exe -u", "%InstallDir%"));
    package.SetField(FIELD_FILE_TREE, (uint32_t)package.bytes.size());
    package.AddFile("uninst.exe", 0x20, "", 0, 0);
    package.AddDirectory("docs", 0);
    package.AddDirectory("empty", 0);
    package.EndLevel();
    package.AddFile("notes.txt", 0x20, "", 0, 0);
    package.EndLevel();
    package.AddFile("Vistrel.exe", 0x20, "", 0, 0);
    package.EndLevel();

    UninstallLog log = {};
    ClearLogHeader(&log);
    SetLogHeaderField(&log, LOG_REMOVAL_STEPS, 9);
    AppendLogPrologue(&log, package.data());
    AppendFolderRecord(&log, LOG_DESTINATION_RECORD, 16, "C:\\Program Files\\Vistrel");
    AppendFolderRecord(&log, LOG_MENU_RECORD, 22, "C:\\Start Menu\\Programs\\Vistrel 2.1");
    char installDir[PATH_SIZE] = "C:\\Program Files\\Vistrel";
    ResetRecording();
    ASSERT_EQ(ExtractFileTree(&recordingOps, &log, installDir, package.data()), 1);
    NoteLogSection(&log, LOG_SHORTCUT_LIST);
    AppendToLog(&log, "C:\\Desktop\\Vistrel 2.1.lnk", LOG_WHOLE_TEXT);
    AppendToLog(&log, "C:\\Start Menu\\Programs\\Vistrel 2.1\\Vistrel 2.1.lnk", LOG_WHOLE_TEXT);
    AppendLogByte(&log, LOG_END);
    NoteLogSection(&log, LOG_REGISTRY_LIST);
    AppendRegistryRecord(&log, LOG_ROOT_CURRENT_USER,
                         "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vistrel 2.1");
    AppendRegistryRecord(&log, LOG_ROOT_LOCAL_MACHINE,
                         "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Vistrel.exe");
    AppendLogByte(&log, LOG_END);

    ReadLog read = ReadFromBytes(Built(log));
    ASSERT_EQ(read.error, 0u);
    const UninstallPlan& plan = read.plan;
    EXPECT_STREQ(plan.notice, "Line one\r\nLine two");
    EXPECT_STREQ(plan.shortName, "Vistrel");
    EXPECT_STREQ(plan.displayName, "Vistrel 2.1");
    EXPECT_STREQ(plan.eventName, "VistrelEvent");
    EXPECT_STREQ(plan.uninstallCommand, "%InstallDir%\\Vistrel.exe -u");
    EXPECT_EQ(plan.destination.existingLength, 16u);
    EXPECT_STREQ(plan.menuFolder.path, "C:\\Start Menu\\Programs\\Vistrel 2.1");
    EXPECT_EQ(plan.menuFolder.existingLength, 22u);
    EXPECT_EQ(plan.removalSteps, 9u);
    std::string d = "C:\\Program Files\\Vistrel\\";
    EXPECT_EQ(GatherRemovals(plan),
              (Lines{"F " + d + "uninst.dat", "F " + d + "uninst.exe", "D " + d + "docs\\empty",
                     "F " + d + "docs\\notes.txt", "D " + d + "docs", "F " + d + "Vistrel.exe"}));
    EXPECT_EQ(GatherShortcuts(plan),
              (Lines{"C:\\Desktop\\Vistrel 2.1.lnk",
                     "C:\\Start Menu\\Programs\\Vistrel 2.1\\Vistrel 2.1.lnk"}));
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
    ASSERT_EQ(read.error, 0u);
    EXPECT_STREQ(read.plan.notice, "");
    EXPECT_EQ(read.plan.eventName, nullptr);
    EXPECT_EQ(read.plan.uninstallCommand, nullptr);
    EXPECT_EQ(read.plan.menuFolder.path, nullptr);
    EXPECT_EQ(GatherRemovals(read.plan), (Lines{"F C:\\Q 1\\uninst.dat"}));
    EXPECT_TRUE(GatherShortcuts(read.plan).empty());
    EXPECT_TRUE(GatherRegistryKeys(read.plan).empty());
}

} // namespace
