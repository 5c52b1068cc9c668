// Tests of the whole-package check: a package laid out as the format has it passes, with or
// without bytes after it, and each kind of damage that would lead a walk astray is refused.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "package/package_check.h"
#include "test_package.h"

namespace {

// A package with every kind of part: texts, both information streams, a Start Menu list, the
// single shortcuts, the three run entries and a tree of two levels with an empty file.
struct FullPackage {
    TestPackage package;
    uint32_t desktop = 0;
    uint32_t launch = 0;
    uint32_t firstFile = 0;     // offset of the first file record
    uint32_t tree = 0;

    FullPackage()
    {
        package.SetField(FIELD_SHORT_NAME, package.AddText("Vistrel"));
        package.SetField(FIELD_DISPLAY_NAME, package.AddText("Vistrel 2.1"));
        package.SetField(FIELD_INSTALL_DIR, package.AddText("%ProgramFiles%\\Vistrel"));
        package.SetField(FIELD_MENU_FOLDER, package.AddText("Vistrel"));
        package.SetField(FIELD_EVENT_NAME, package.AddText("VistrelRunning"));
        uint32_t info = package.AddText("packed");
        package.SetField(FIELD_INFO_BEFORE_OFFSET, info);
        package.SetField(FIELD_INFO_BEFORE_PACKED_SIZE, 6);
        package.SetField(FIELD_INFO_BEFORE_SIZE, 40);
        desktop = package.AddShortcut("Vistrel", "%InstallDir%\\Vistrel.exe", "", true);
        package.AddShortcut("Help", "%InstallDir%\\Vistrel.hlp", "", false);
        package.EndShortcutList();
        package.SetField(FIELD_MENU_LIST, desktop);
        for (PackageField field :
             {FIELD_DESKTOP_SHORTCUT, FIELD_QUICK_LAUNCH_SHORTCUT, FIELD_STARTUP_SHORTCUT})
            package.SetField(field, desktop);
        launch = package.AddRunEntry("%InstallDir%\\Vistrel.exe", "");
        package.SetField(FIELD_LAUNCH_ENTRY, launch);
        package.SetField(FIELD_POST_INSTALL_ENTRY, package.AddRunEntry("setup2.exe /s", "%InstallDir%"));
        package.SetField(FIELD_UNINSTALL_ENTRY, package.AddRunEntry("%InstallDir%\\uninst.exe", ""));

        tree = (uint32_t)package.bytes.size();
        package.SetField(FIELD_FILE_TREE, tree);
        firstFile = tree;
        package.AddFile("uninst.exe", ATTRIBUTE_NORMAL, "zlib-1", 100, 0);
        package.AddDirectory("docs", 0);
        package.AddFile("readme.txt", ATTRIBUTE_ARCHIVE, "zlib-22", 2000, 0);
        package.AddFile("empty.txt", ATTRIBUTE_ARCHIVE, "", 0, 0);
        package.EndLevel();
        package.EndLevel();
        package.SetField(FIELD_FILE_COUNT, 3);
        package.SetField(FIELD_TOTAL_SIZE, 2100);
    }

    bool IsWhole() const
    {
        return IsPackageWhole(package.data(), (uint32_t)package.bytes.size()) != 0;
    }
};

TEST(PackageCheck, PassesAWholePackageWithOrWithoutBytesAfterIt)
{
    FullPackage full;
    EXPECT_TRUE(full.IsWhole());
    full.package.bytes.resize(full.package.bytes.size() + 512, 0);  // resource padding
    EXPECT_TRUE(full.IsWhole());

    // The parts that a package may leave out: no information text, no run entries, no singles,
    // an empty Start Menu list and an empty tree.
    TestPackage least;
    least.SetField(FIELD_MENU_LIST, (uint32_t)least.bytes.size());
    least.EndShortcutList();
    least.SetField(FIELD_FILE_TREE, (uint32_t)least.bytes.size());
    least.EndLevel();
    EXPECT_TRUE(IsPackageWhole(least.data(), (uint32_t)least.bytes.size()));
}

TEST(PackageCheck, RefusesAPackageCutShortAnywhere)
{
    FullPackage full;
    const std::vector<unsigned char> whole = full.package.bytes;
    // Cutting off only the last end marker's last byte is enough; no shorter cut may pass.
    for (size_t size = 0; size < whole.size(); ++size)
        EXPECT_FALSE(IsPackageWhole(whole.data(), (uint32_t)size)) << size;
}

TEST(PackageCheck, RefusesFieldsThatPointOutOfThePackage)
{
    const std::vector<std::pair<std::string, std::function<void(FullPackage&)>>> damages = {
        {"text offset", [](FullPackage& p) { p.package.SetField(FIELD_NOTICE, 0x00FFFFFF); }},
        {"text without its NUL",
         [](FullPackage& p) {
             p.package.bytes.push_back('x');
             p.package.SetField(FIELD_EVENT_NAME, (uint32_t)p.package.bytes.size() - 1);
         }},
        {"stream longer than the package",
         [](FullPackage& p) { p.package.SetField(FIELD_INFO_BEFORE_PACKED_SIZE, 0xFFFFFFF0); }},
        {"stream offset", [](FullPackage& p) { p.package.SetField(FIELD_INFO_AFTER_OFFSET, 0xFFFFFFF0); }},
        {"single shortcut", [](FullPackage& p) { p.package.SetField(FIELD_STARTUP_SHORTCUT, 0x7FFFFFFF); }},
        {"run entry", [](FullPackage& p) { p.package.SetField(FIELD_UNINSTALL_ENTRY, 0xFFFFFFFF); }},
        {"run entry at the last byte",
         [](FullPackage& p) { p.package.SetField(FIELD_LAUNCH_ENTRY, (uint32_t)p.package.bytes.size() - 1); }},
        {"Start Menu list", [](FullPackage& p) { p.package.SetField(FIELD_MENU_LIST, 0x10000000); }},
        {"shortcut length past the list",
         [](FullPackage& p) { p.package.bytes[p.desktop] = 0xFF, p.package.bytes[p.desktop + 1] = 0xFF; }},
        {"file tree", [](FullPackage& p) { p.package.SetField(FIELD_FILE_TREE, 0xFFFFFFFC); }},
        {"packed size of a file",
         [](FullPackage& p) { WriteU32(p.package.bytes.data() + p.firstFile + 4, 0x80000006); }},
    };
    for (const auto& [what, damage] : damages) {
        FullPackage full;
        damage(full);
        EXPECT_FALSE(full.IsWhole()) << what;
    }
}

TEST(PackageCheck, RefusesATreeThatDisagreesWithTheHeader)
{
    const std::vector<std::pair<std::string, std::function<void(FullPackage&)>>> damages = {
        {"a file's size", [](FullPackage& p) { WriteU32(p.package.bytes.data() + p.firstFile + 8, 101); }},
        {"the total size", [](FullPackage& p) { p.package.SetField(FIELD_TOTAL_SIZE, 2101); }},
        {"the file count", [](FullPackage& p) { p.package.SetField(FIELD_FILE_COUNT, 2); }},
        {"a file turned into a directory",
         [](FullPackage& p) { WriteU32(p.package.bytes.data() + p.firstFile, ATTRIBUTE_DIRECTORY); }},
    };
    for (const auto& [what, damage] : damages) {
        FullPackage full;
        damage(full);
        EXPECT_FALSE(full.IsWhole()) << what;
    }
}

}  // namespace
