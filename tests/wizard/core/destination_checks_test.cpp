// The system-free parts of the pages and of program launch: the destination's form, the
// folder picker's title and its cut, and the quoting of a command line.
#include <gtest/gtest.h>

#include <string>

#include "common/command_quoting.h"
#include "common/path_routines.h"
#include "ui/destination_checks.h"
#include "ui/picker_title.h"
#include "test_package.h"
#include "ui/resource.h"

namespace {

TEST(CheckInstallDirForm, WantsADrivePrefixAndNoReservedCharacters)
{
    EXPECT_EQ(CheckInstallDirForm("C:\\Program Files\\Vistrel"), 0u);
    EXPECT_EQ(CheckInstallDirForm("C:/Apps/Tool"), 0u);
    EXPECT_EQ(CheckInstallDirForm("C:\\a"), 0u);
    EXPECT_EQ(CheckInstallDirForm("C:"), unsigned(IDS_INVALID_DESTINATION));
    EXPECT_EQ(CheckInstallDirForm("C:Program"), unsigned(IDS_INVALID_DESTINATION));
    EXPECT_EQ(CheckInstallDirForm("\\\\server\\share"), unsigned(IDS_INVALID_DESTINATION));
    EXPECT_EQ(CheckInstallDirForm("Program Files"), unsigned(IDS_INVALID_DESTINATION));
    EXPECT_EQ(CheckInstallDirForm(""), unsigned(IDS_INVALID_DESTINATION));
    EXPECT_EQ(CheckInstallDirForm("C:\\Apps:x"), unsigned(IDS_INVALID_PATH_CHARS));
    EXPECT_EQ(CheckInstallDirForm("C:\\A?ps"), unsigned(IDS_INVALID_PATH_CHARS));
    EXPECT_EQ(CheckInstallDirForm("C:\\\"Apps\""), unsigned(IDS_INVALID_PATH_CHARS));
    // The first character is left to the drive check.
    EXPECT_EQ(CheckInstallDirForm("1:\\Apps"), 0u);
}

TEST(CheckInstallDirForm, WantsPlainNamesBelowTheRoot)
{
    // What the typed "C:\\" and "C:\" leave once the trailing separator is dropped.
    EXPECT_EQ(CheckInstallDirForm("C:\\"), unsigned(IDS_INVALID_DESTINATION));
    EXPECT_EQ(CheckInstallDirForm("C:\\Program Files\\..\\Windows"), unsigned(IDS_INVALID_DESTINATION));
    EXPECT_EQ(CheckInstallDirForm("C:\\Program Files\\."), unsigned(IDS_INVALID_DESTINATION));
    EXPECT_EQ(CheckInstallDirForm("C:/Apps/../Tool"), unsigned(IDS_INVALID_DESTINATION));
    EXPECT_EQ(CheckInstallDirForm("C:\\\\Apps"), unsigned(IDS_INVALID_DESTINATION));
    EXPECT_EQ(CheckInstallDirForm("C:\\Apps\\"), unsigned(IDS_INVALID_DESTINATION));
    // A doubled separator inside names the same folder; dots inside a name are its own.
    EXPECT_EQ(CheckInstallDirForm("C:\\Apps\\\\Tool"), 0u);
    EXPECT_EQ(CheckInstallDirForm("C:\\Apps\\..Tool\\.x"), 0u);
}

TEST(FormDriveRoot, KeepsTheDriveLetter)
{
    char root[DRIVE_ROOT_SIZE];
    FormDriveRoot("d:/Apps/Tool", root);
    EXPECT_STREQ(root, "d:\\");
}

TEST(MeasureClusteredSize, RoundsEachFileUpToWholeClustersThroughTheTree)
{
    TestPackage package;
    package.SetField(FIELD_FILE_TREE, (uint32_t)package.bytes.size());
    package.AddFile("one.txt", ATTRIBUTE_ARCHIVE, "p", 1, 0);
    package.AddDirectory("docs", 0);
    package.AddFile("exact.txt", ATTRIBUTE_ARCHIVE, "pp", 4096, 0);
    package.AddFile("empty.txt", ATTRIBUTE_ARCHIVE, "", 0, 0);
    package.AddDirectory("deeper", 0);
    package.AddFile("over.txt", ATTRIBUTE_ARCHIVE, "ppp", 4097, 0);
    package.EndLevel();
    package.EndLevel();
    package.AddFile("last.txt", ATTRIBUTE_ARCHIVE, "p", 100, 0);
    package.EndLevel();
    // 1 + 4096 + 0 + 4097 + 100 bytes: 1, 1, 0, 2 and 1 clusters of 4 KiB.
    EXPECT_EQ(MeasureClusteredSize(package.data(), 4096), 5u * 4096);
    EXPECT_EQ(MeasureClusteredSize(package.data(), 1), 1u + 4096 + 4097 + 100);
    // A drive that tells no cluster size counts bytes.
    EXPECT_EQ(MeasureClusteredSize(package.data(), 0), 1u + 4096 + 4097 + 100);
    // Files near 4 GiB do not wrap the sum.
    TestPackage large;
    large.SetField(FIELD_FILE_TREE, (uint32_t)large.bytes.size());
    large.AddFile("a.bin", ATTRIBUTE_ARCHIVE, "p", 0xFFFFFFFFu, 0);
    large.AddFile("b.bin", ATTRIBUTE_ARCHIVE, "p", 0xFFFFFFFFu, 0);
    large.EndLevel();
    EXPECT_EQ(MeasureClusteredSize(large.data(), 65536), 2ull * 0x100000000ull);
}

// The relative paths the installation makes, each a directory's path plus a separator and the
// name; the deepest path need not be the last or the longest name.
TEST(MeasureTreePaths, FindsTheLongestPathAndFolderBelowTheDestination)
{
    TestPackage package;
    package.SetField(FIELD_FILE_TREE, (uint32_t)package.bytes.size());
    package.AddFile("a.txt", ATTRIBUTE_ARCHIVE, "p", 1, 0);
    package.AddDirectory("docs", 0);
    package.AddDirectory("guide", 0);
    package.AddFile("chapter-one.txt", ATTRIBUTE_ARCHIVE, "p", 1, 0);
    package.EndLevel();
    package.AddFile("x", ATTRIBUTE_ARCHIVE, "pp", 2, 0);
    package.EndLevel();
    package.AddFile("longer-name.txt", ATTRIBUTE_ARCHIVE, "", 0, 0);
    package.EndLevel();
    TreePathLengths lengths = MeasureTreePaths(package.data());
    EXPECT_EQ(lengths.longestPath, std::string("docs\\guide\\chapter-one.txt").size());
    EXPECT_EQ(lengths.longestFolder, std::string("docs\\guide").size());

    // Only the uninstall log goes below the destination of a package without files.
    TestPackage empty;
    empty.SetField(FIELD_FILE_TREE, (uint32_t)empty.bytes.size());
    empty.EndLevel();
    lengths = MeasureTreePaths(empty.data());
    EXPECT_EQ(lengths.longestPath, std::string("uninst.dat").size());
    EXPECT_EQ(lengths.longestFolder, 0u);

    // A directory's own path counts, also with nothing in it.
    TestPackage hollow;
    hollow.SetField(FIELD_FILE_TREE, (uint32_t)hollow.bytes.size());
    hollow.AddDirectory(std::string(40, 'd'), 0);
    hollow.EndLevel();
    hollow.EndLevel();
    lengths = MeasureTreePaths(hollow.data());
    EXPECT_EQ(lengths.longestPath, 40u);
    EXPECT_EQ(lengths.longestFolder, 40u);
}

TEST(MeasureTreePaths, ReachesThePathLimitForTreesThatCannotFit)
{
    TestPackage wide;
    wide.SetField(FIELD_FILE_TREE, (uint32_t)wide.bytes.size());
    wide.AddDirectory(std::string(200, 'd'), 0);
    wide.AddFile(std::string(100, 'f'), ATTRIBUTE_ARCHIVE, "p", 1, 0);
    wide.EndLevel();
    wide.EndLevel();
    EXPECT_EQ(MeasureTreePaths(wide.data()).longestPath, size_t(PATH_SIZE));

    // Deeper than any path of PATH_SIZE could be, while each level adds only its separator: the
    // walk stops there instead of overrunning its table of levels.
    const int levels = 200;
    TestPackage deep;
    deep.SetField(FIELD_FILE_TREE, (uint32_t)deep.bytes.size());
    for (int level = 0; level < levels; ++level)
        deep.AddDirectory("", 0);
    for (int level = 0; level <= levels; ++level)
        deep.EndLevel();
    EXPECT_EQ(MeasureTreePaths(deep.data()).longestPath, size_t(PATH_SIZE));
}

// A file's path must fit a path buffer (259 characters); a folder's, the destination's own
// included, what CreateDirectoryA takes (247).
std::string DestinationOfLength(size_t length)
{
    return "C:\\" + std::string(length - 3, 'a');
}

TEST(FitsBelow, KeepsFilesAndFoldersWithinTheirLimits)
{
    // Files 14 characters below it: 244 + 1 + 14 = 259.
    const TreePathLengths files = {14, 0};
    EXPECT_TRUE(FitsBelow(DestinationOfLength(244).c_str(), &files));
    EXPECT_FALSE(FitsBelow(DestinationOfLength(245).c_str(), &files));
    // A folder of 14 characters below it: 232 + 1 + 14 = 247.
    const TreePathLengths folders = {14, 14};
    EXPECT_TRUE(FitsBelow(DestinationOfLength(232).c_str(), &folders));
    EXPECT_FALSE(FitsBelow(DestinationOfLength(233).c_str(), &folders));
    // A short folder beside longer files still limits it first: 241 + 1 + 5 = 247.
    const TreePathLengths shortFolder = {14, 5};
    EXPECT_TRUE(FitsBelow(DestinationOfLength(241).c_str(), &shortFolder));
    EXPECT_FALSE(FitsBelow(DestinationOfLength(242).c_str(), &shortFolder));
    // Only the log below it: the destination is a folder to be made, of 247 at most.
    const TreePathLengths log = {10, 0};
    EXPECT_TRUE(FitsBelow(DestinationOfLength(247).c_str(), &log));
    EXPECT_FALSE(FitsBelow(DestinationOfLength(248).c_str(), &log));
    const TreePathLengths beyond = {PATH_SIZE, PATH_SIZE};
    EXPECT_FALSE(FitsBelow("C:\\a", &beyond));
}

const char PROMPT[] = "Select a place for the program folder.";
const char NAME_LINE[] = "\n'%s' will be added to the chosen path.";

TEST(BuildPickerTitle, PutsTheNameLineBelowThePrompt)
{
    char title[PICKER_TITLE_SIZE];
    EXPECT_EQ(BuildPickerTitle(title, sizeof(title), PROMPT, NAME_LINE, "Vistrel"), 1);
    EXPECT_STREQ(title, "Select a place for the program folder.\n"
                        "'Vistrel' will be added to the chosen path.");
}

TEST(BuildPickerTitle, CutsALongNameAtTheTitleBuffer)
{
    const std::string name(300, 'n');
    std::string title(PICKER_TITLE_SIZE + 16, '#');
    EXPECT_EQ(BuildPickerTitle(title.data(), PICKER_TITLE_SIZE, PROMPT, NAME_LINE, name.c_str()),
              0);
    EXPECT_EQ(title.substr(PICKER_TITLE_SIZE), std::string(16, '#'));
    const std::string expected = std::string(PROMPT) + "\n'" + name;
    EXPECT_EQ(std::string(title.c_str()), expected.substr(0, PICKER_TITLE_SIZE - 1));

    const std::string prompt(400, 'p');
    EXPECT_EQ(BuildPickerTitle(title.data(), PICKER_TITLE_SIZE, prompt.c_str(), NAME_LINE, "V"),
              0);
    EXPECT_EQ(std::string(title.c_str()), std::string(PICKER_TITLE_SIZE - 1, 'p'));
}

TEST(QuoteCommandLine, QuotesAWholePathAndRefusesWhatDoesNotFit)
{
    char buffer[COMMAND_LINE_SIZE];
    EXPECT_EQ(QuoteCommandLine("C:\\Program Files\\Vistrel\\Vistrel.exe", buffer,
                               sizeof(buffer)),
              1);
    EXPECT_STREQ(buffer, "\"C:\\Program Files\\Vistrel\\Vistrel.exe\"");
    EXPECT_TRUE(IsQuoted(buffer));
    EXPECT_FALSE(IsQuoted("C:\\Program Files\\a.exe \"x\""));

    const std::string longest(259, 'p');
    EXPECT_EQ(QuoteCommandLine(longest.c_str(), buffer, sizeof(buffer)), 1);
    EXPECT_EQ(std::string(buffer), "\"" + longest + "\"");
    char small[10];
    EXPECT_EQ(QuoteCommandLine("1234567", small, sizeof(small)), 1);
    EXPECT_EQ(QuoteCommandLine("12345678", small, sizeof(small)), 0);
}

} // namespace
