// The Ready page's summary for several sets of choices, and its cut at the 1024-character
// buffer.
#include <gtest/gtest.h>

#include <string>

#include "ui/ready_summary.h"

namespace {

ReadySummary MakeSummary(const char* menuFolder, int desktop, int quickLaunch, int startup)
{
    ReadySummary summary = {};
    summary.installDirLabel = "Destination directory:";
    summary.installDir = "C:\\Program Files\\Vistrel";
    summary.menuFolderLabel = "Start Menu folder:";
    summary.menuFolder = menuFolder;
    summary.tasksLabel = "Additional tasks:";
    summary.taskLabels[0] = "Create a Desktop icon";
    summary.taskLabels[1] = "Create a Quick Launch icon";
    summary.taskLabels[2] = "Create a Startup icon";
    summary.tasks[0] = desktop;
    summary.tasks[1] = quickLaunch;
    summary.tasks[2] = startup;
    return summary;
}

std::string Build(const ReadySummary& summary)
{
    char buffer[READY_SUMMARY_SIZE];
    EXPECT_EQ(BuildReadySummary(&summary, buffer, sizeof(buffer)), 1);
    return buffer;
}

const char MENU_FOLDER[] = "Start Menu\\Programs\\Vistrel 2.1";
const char DESTINATION_LINES[] = "Destination directory:\r\n\tC:\\Program Files\\Vistrel\r\n";
const char MENU_LINES[] = "\r\nStart Menu folder:\r\n\tStart Menu\\Programs\\Vistrel 2.1\r\n";

TEST(BuildReadySummary, DefaultChoicesShowDirectoryAndFolder)
{
    EXPECT_EQ(Build(MakeSummary(MENU_FOLDER, 0, 0, 0)),
              std::string(DESTINATION_LINES) + MENU_LINES);
}

TEST(BuildReadySummary, NoMenuFolderAndNoTasksLeaveOnlyTheDirectory)
{
    EXPECT_EQ(Build(MakeSummary(nullptr, 0, 0, 0)), DESTINATION_LINES);
}

TEST(BuildReadySummary, TasksFollowInTheirOrderEachIndented)
{
    EXPECT_EQ(Build(MakeSummary(MENU_FOLDER, 1, 1, 1)),
              std::string(DESTINATION_LINES) + MENU_LINES +
                  "\r\nAdditional tasks:\r\n\tCreate a Desktop icon\r\n"
                  "\tCreate a Quick Launch icon\r\n\tCreate a Startup icon\r\n");
    EXPECT_EQ(Build(MakeSummary(nullptr, 0, 0, 1)),
              std::string(DESTINATION_LINES) +
                  "\r\nAdditional tasks:\r\n\tCreate a Startup icon\r\n");
    EXPECT_EQ(Build(MakeSummary(nullptr, 1, 0, 1)),
              std::string(DESTINATION_LINES) +
                  "\r\nAdditional tasks:\r\n\tCreate a Desktop icon\r\n"
                  "\tCreate a Startup icon\r\n");
}

TEST(BuildReadySummary, TwoLongestPathsStillFit)
{
    const std::string dir(259, 'd');
    const std::string folder(259, 'f');
    ReadySummary summary = MakeSummary(folder.c_str(), 1, 1, 1);
    summary.installDir = dir.c_str();
    const std::string text = Build(summary);
    EXPECT_NE(text.find(dir), std::string::npos);
    EXPECT_NE(text.find(folder), std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 24), "\tCreate a Startup icon\r\n");
}

TEST(BuildReadySummary, CutsAtTheBufferAndDropsWhatFollows)
{
    // Labels are loaded into 128-character buffers; the longest possible pieces overflow.
    const std::string label(127, 'l');
    const std::string dir(259, 'd');
    const std::string folder(259, 'f');
    ReadySummary summary = MakeSummary(folder.c_str(), 1, 1, 1);
    summary.installDir = dir.c_str();
    summary.installDirLabel = label.c_str();
    summary.menuFolderLabel = label.c_str();
    summary.tasksLabel = label.c_str();
    for (const char*& taskLabel : summary.taskLabels)
        taskLabel = label.c_str();

    std::string buffer(READY_SUMMARY_SIZE + 16, '#');
    EXPECT_EQ(BuildReadySummary(&summary, buffer.data(), READY_SUMMARY_SIZE), 0);
    EXPECT_EQ(buffer.substr(READY_SUMMARY_SIZE), std::string(16, '#'));
    const std::string text = buffer.c_str();
    EXPECT_EQ(text.size(), READY_SUMMARY_SIZE - 1u);
    const std::string whole = label + "\r\n\t" + dir + "\r\n\r\n" + label + "\r\n\t" + folder +
                              "\r\n\r\n" + label + "\r\n\t" + label + "\r\n\t" + label +
                              "\r\n\t" + label + "\r\n";
    EXPECT_EQ(text, whole.substr(0, READY_SUMMARY_SIZE - 1));
}

} // namespace
