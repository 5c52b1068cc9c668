// The progress accounting: total steps, the uninstaller's removal step count and the pacing,
// for packages with and without a Start Menu list, run entries and files.
#include <gtest/gtest.h>

#include <cstring>

#include "install/install_progress.h"
#include "test_package.h"

namespace {

// The sample's shape: three files, three Start Menu entries (the second not flagged when
// asked), the single shortcuts on the first entry, an uninstall command, optionally a
// post-install program.
TestPackage MakeSample(bool secondFlagged, bool postInstall)
{
    TestPackage package;
    package.SetField(FIELD_FILE_COUNT, 3);
    uint32_t list = package.AddShortcut("Vistrel 2.1", "%InstallDir%\\Vistrel.exe", "", true);
    package.AddShortcut("Vistrel Help", "%InstallDir%\\Vistrel.hlp", "", secondFlagged);
    package.AddShortcut("Uninstall Vistrel", "%InstallDir%\\uninst.exe", "", true);
    package.EndShortcutList();
    package.SetField(FIELD_MENU_LIST, list);
    package.SetField(FIELD_UNINSTALL_ENTRY, package.AddRunEntry("%InstallDir%\\uninst.exe", ""));
    if (postInstall)
        package.SetField(FIELD_POST_INSTALL_ENTRY, package.AddRunEntry("helper.exe", ""));
    return package;
}

TEST(InstallProgress, EmptyPackageWithoutStartMenuFolderTakesThreeSteps)
{
    TestPackage package;
    InstallChoices choices = {1, 0, 0, 0};
    EXPECT_EQ(CountShortcutSteps(package.data(), &choices), 0u);
    EXPECT_EQ(CountTotalSteps(package.data(), &choices), 3u);
    EXPECT_EQ(CountRemovalSteps(package.data(), &choices), 3u);
    EXPECT_EQ(GetStepDelay(3), 333u);
}

TEST(InstallProgress, SampleWithEveryOptionTakesThirteenSteps)
{
    TestPackage package = MakeSample(true, false);
    InstallChoices choices = {0, 1, 1, 1};
    EXPECT_EQ(CountShortcutSteps(package.data(), &choices), 6u);
    EXPECT_EQ(CountTotalSteps(package.data(), &choices), 13u);
    EXPECT_EQ(CountRemovalSteps(package.data(), &choices), 13u);
    EXPECT_EQ(GetStepDelay(13), 76u);
}

TEST(InstallProgress, UnflaggedEntriesAndMissingMenuFolderTakeNoShortcutStep)
{
    TestPackage package = MakeSample(false, false);
    InstallChoices withFolder = {0, 0, 1, 0};
    EXPECT_EQ(CountShortcutSteps(package.data(), &withFolder), 3u);
    EXPECT_EQ(CountTotalSteps(package.data(), &withFolder), 3u + 3u + 3u + 1u);

    InstallChoices withoutFolder = {1, 1, 0, 1};
    EXPECT_EQ(CountShortcutSteps(package.data(), &withoutFolder), 2u);
    EXPECT_EQ(CountTotalSteps(package.data(), &withoutFolder), 3u + 2u + 3u);
    EXPECT_EQ(CountRemovalSteps(package.data(), &withoutFolder), 3u + 2u + 3u + 1u);
}

TEST(InstallProgress, LongestMenuLinkIsAFlaggedOnesName)
{
    EXPECT_EQ(MeasureLongestMenuLink(TestPackage().data()), 0u);
    EXPECT_EQ(MeasureLongestMenuLink(MakeSample(true, false).data()), strlen("Uninstall Vistrel"));
    TestPackage package;
    uint32_t list = package.AddShortcut("Vistrel 2.1", "%InstallDir%\\Vistrel.exe", "", true);
    package.AddShortcut("A longer name that stays out of the menu", "%InstallDir%\\x.txt", "", false);
    package.EndShortcutList();
    package.SetField(FIELD_MENU_LIST, list);
    EXPECT_EQ(MeasureLongestMenuLink(package.data()), strlen("Vistrel 2.1"));
}

TEST(InstallProgress, PostInstallProgramCountsOnlyForTheBar)
{
    TestPackage plain = MakeSample(true, false);
    TestPackage withProgram = MakeSample(true, true);
    InstallChoices choices = {0, 0, 0, 0};
    EXPECT_EQ(CountTotalSteps(withProgram.data(), &choices),
              CountTotalSteps(plain.data(), &choices) + 1);
    EXPECT_EQ(CountRemovalSteps(withProgram.data(), &choices),
              CountRemovalSteps(plain.data(), &choices));
}

TEST(InstallProgress, StepsArePacedUpToFortySevenSteps)
{
    EXPECT_EQ(GetStepDelay(47), 21u);
    EXPECT_TRUE(IsPacedStep(GetStepDelay(47)));
    EXPECT_EQ(GetStepDelay(48), 20u);
    EXPECT_FALSE(IsPacedStep(GetStepDelay(48)));
    EXPECT_FALSE(IsPacedStep(GetStepDelay(5000)));
    EXPECT_TRUE(IsPacedStep(GetStepDelay(3)));
}

} // namespace
