// The Start Menu folder kept relative to the Start Menu's parent: the offset, the default folder,
// a folder chosen in the picker, the folders the page takes and the first component it compares.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/path_routines.h"
#include "core/menu_folder.h"

namespace {

const char START_MENU[] = "C:\\Documents and Settings\\User\\Start Menu";
const char PROGRAMS[] = "C:\\Documents and Settings\\User\\Start Menu\\Programs";

TEST(GetMenuFolderOffset, CountsTheParentPrefixWithItsSeparator)
{
    EXPECT_EQ(GetMenuFolderOffset(START_MENU), 31u);
    EXPECT_EQ(GetMenuFolderOffset("C:/Users/x/Start Menu"), 11u);
    EXPECT_EQ(GetMenuFolderOffset("Start Menu"), 0u);
}

struct MenuFolder {
    int hasStartMenu;
    std::string folder;
    size_t offset;
};

MenuFolder Compute(const char* startMenu, const char* programs, const std::string& group)
{
    char folder[PATH_SIZE];
    std::memset(folder, '#', sizeof(folder));
    size_t offset = 99;
    int result = ComputeMenuFolder(startMenu, programs, group.c_str(), folder, &offset);
    return {result, folder, offset};
}

TEST(ComputeMenuFolder, PlacesTheGroupBelowProgramsInsideTheStartMenu)
{
    MenuFolder menu = Compute(START_MENU, PROGRAMS, "Vistrel 2.1");
    EXPECT_EQ(menu.hasStartMenu, 1);
    EXPECT_EQ(menu.offset, 31u);
    EXPECT_EQ(menu.folder, "Start Menu\\Programs\\Vistrel 2.1");
    // The shell may spell the two folders in different case.
    menu = Compute(START_MENU, "c:\\documents and settings\\user\\start menu\\Programs", "V");
    EXPECT_EQ(menu.folder, "start menu\\Programs\\V");
    // A nested group is a path of its own.
    menu = Compute(START_MENU, PROGRAMS, "Vendor\\Vistrel");
    EXPECT_EQ(menu.folder, "Start Menu\\Programs\\Vendor\\Vistrel");
}

TEST(ComputeMenuFolder, UsesTheStartMenuWhenProgramsIsMissingOrElsewhere)
{
    MenuFolder menu = Compute(START_MENU, nullptr, "Vistrel 2.1");
    EXPECT_EQ(menu.hasStartMenu, 1);
    EXPECT_EQ(menu.offset, 31u);
    EXPECT_EQ(menu.folder, "Start Menu\\Vistrel 2.1");
    EXPECT_EQ(Compute(START_MENU, "D:\\Menus\\Programs", "V").folder, "Start Menu\\V");
    // Same beginning but not below the Start Menu folder itself.
    EXPECT_EQ(Compute(START_MENU, "C:\\Documents and Settings\\User\\Start Menu2\\P", "V").folder,
              "Start Menu\\V");
    EXPECT_EQ(Compute(START_MENU, START_MENU, "V").folder, "Start Menu\\V");
}

TEST(ComputeMenuFolder, WithoutStartMenuKeepsTheGroupAlone)
{
    MenuFolder menu = Compute(nullptr, PROGRAMS, "Vistrel 2.1");
    EXPECT_EQ(menu.hasStartMenu, 0);
    EXPECT_EQ(menu.offset, 0u);
    EXPECT_EQ(menu.folder, "Vistrel 2.1");
}

TEST(ComputeMenuFolder, LeavesOffAGroupThatDoesNotFit)
{
    const std::string group(240, 'g');
    MenuFolder menu = Compute(START_MENU, PROGRAMS, group);
    EXPECT_EQ(menu.folder, "Start Menu\\Programs");
    const std::string fitting(259 - 20, 'g');
    EXPECT_EQ(Compute(START_MENU, PROGRAMS, fitting).folder, "Start Menu\\Programs\\" + fitting);
    EXPECT_EQ(Compute(nullptr, nullptr, std::string(260, 'g')).folder, "");
}

// MakeMenuFolderRelative into a folder that starts as "old"; "<refused>" when it refused and
// left the folder unchanged.
std::string MakeRelative(const std::string& chosen, const std::string& group)
{
    char folder[PATH_SIZE] = "old";
    if (!MakeMenuFolderRelative(chosen.c_str(), START_MENU, 31, group.c_str(), folder)) {
        EXPECT_STREQ(folder, "old");
        return "<refused>";
    }
    return folder;
}

TEST(MakeMenuFolderRelative, DropsTheParentPrefixAndAppendsTheGroup)
{
    EXPECT_EQ(MakeRelative(START_MENU, "Vistrel 2.1"), "Start Menu\\Vistrel 2.1");
    EXPECT_EQ(MakeRelative(PROGRAMS, "Vistrel 2.1"), "Start Menu\\Programs\\Vistrel 2.1");
    EXPECT_EQ(MakeRelative(std::string(PROGRAMS) + "\\Tools", "V"),
              "Start Menu\\Programs\\Tools\\V");
    EXPECT_EQ(MakeRelative("c:\\documents and settings\\user\\Start Menu", "V"),
              "Start Menu\\V");
}

TEST(MakeMenuFolderRelative, RefusesFoldersOutsideAndJoinsTooLong)
{
    EXPECT_EQ(MakeRelative("D:\\Elsewhere\\Folder\\Somewhere\\Else", "V"), "<refused>");
    EXPECT_EQ(MakeRelative("C:\\", "V"), "<refused>");
    const std::string deep = std::string(PROGRAMS) + "\\" + std::string(180, 'd');
    EXPECT_EQ(MakeRelative(deep, std::string(20, 'g')),
              "Start Menu\\Programs\\" + std::string(180, 'd') + "\\" + std::string(20, 'g'));
    EXPECT_EQ(MakeRelative(deep, std::string(60, 'g')), "<refused>");
    char folder[PATH_SIZE] = "old";
    EXPECT_EQ(MakeMenuFolderRelative(START_MENU, nullptr, 31, "V", folder), 0);
    EXPECT_STREQ(folder, "old");
}

TEST(IsMakeableMenuFolder, TakesPlainNamesWhoseFolderCreateDirectoryCanMake)
{
    const size_t offset = GetMenuFolderOffset(START_MENU);
    EXPECT_EQ(IsMakeableMenuFolder("Start Menu\\Programs\\V", offset, 0), 1);
    EXPECT_EQ(IsMakeableMenuFolder("Start Menu\\..\\..\\V", offset, 0), 0);
    EXPECT_EQ(IsMakeableMenuFolder("Start Menu\\Programs\\", offset, 0), 0);
    EXPECT_EQ(IsMakeableMenuFolder("", offset, 0), 0);
    // The absolute folder may take 247 characters, 12 fewer than a file's path.
    const std::string base = "Start Menu\\";
    const std::string longest = base + std::string(247 - offset - base.size(), 'm');
    EXPECT_EQ(IsMakeableMenuFolder(longest.c_str(), offset, 0), 1);
    EXPECT_EQ(IsMakeableMenuFolder((longest + "m").c_str(), offset, 0), 0);
    // Its links need room too: in a folder of 247 characters, "\" and ".lnk" leave 7 for a name.
    EXPECT_EQ(IsMakeableMenuFolder(longest.c_str(), offset, 7), 1);
    EXPECT_EQ(IsMakeableMenuFolder(longest.c_str(), offset, 8), 0);
    const size_t room = 254 - offset - strlen("Start Menu\\Programs\\V");
    EXPECT_EQ(IsMakeableMenuFolder("Start Menu\\Programs\\V", offset, room), 1);
    EXPECT_EQ(IsMakeableMenuFolder("Start Menu\\Programs\\V", offset, room + 1), 0);
    // A parent prefix that leaves no room at all is no reason to wrap around.
    EXPECT_EQ(IsMakeableMenuFolder("Start Menu", 300, 0), 0);
    EXPECT_EQ(IsMakeableMenuFolder("Start Menu", 238, 0), 0);
    EXPECT_EQ(IsMakeableMenuFolder("Start Menu", 237, 0), 1);
}

TEST(CopyFirstComponent, TakesTheTextBeforeTheFirstSeparator)
{
    char component[PATH_SIZE];
    EXPECT_EQ(CopyFirstComponent("Start Menu\\Programs\\V", component), 1);
    EXPECT_STREQ(component, "Start Menu");
    EXPECT_EQ(CopyFirstComponent("Start Menu/Tools", component), 1);
    EXPECT_STREQ(component, "Start Menu");
    EXPECT_EQ(CopyFirstComponent("Vistrel", component), 1);
    EXPECT_STREQ(component, "Vistrel");
    EXPECT_EQ(CopyFirstComponent("\\Programs", component), 1);
    EXPECT_STREQ(component, "");
    EXPECT_EQ(CopyFirstComponent("", component), 1);
    EXPECT_STREQ(component, "");
}

TEST(CopyFirstComponent, RefusesAComponentLongerThanAPath)
{
    char component[PATH_SIZE];
    const std::string fits(259, 'c');
    EXPECT_EQ(CopyFirstComponent((fits + "\\x").c_str(), component), 1);
    EXPECT_EQ(component, fits);
    const std::string tooLong(260, 'c');
    EXPECT_EQ(CopyFirstComponent((tooLong + "\\x").c_str(), component), 0);
    EXPECT_STREQ(component, "");
    EXPECT_EQ(CopyFirstComponent(std::string(400, 'c').c_str(), component), 0);
}

} // namespace
