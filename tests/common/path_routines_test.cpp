// The path routines: joining, duplicating, separators, reserved characters, and the
// normalisation of a typed path.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/memory.h"
#include "common/path_routines.h"

namespace {

// AppendPath on a copy of `base`; "<refused>" when it refused and left the base unchanged.
std::string Append(const std::string& base, const std::string& tail)
{
    char buffer[PATH_SIZE];
    snprintf(buffer, sizeof(buffer), "%s", base.c_str());
    if (!AppendPath(buffer, tail.c_str())) {
        EXPECT_EQ(std::string(buffer), base);
        return "<refused>";
    }
    return buffer;
}

TEST(AppendPath, PutsOneSeparatorBetweenTheParts)
{
    EXPECT_EQ(Append("C:\\Apps", "Vistrel"), "C:\\Apps\\Vistrel");
    EXPECT_EQ(Append("C:\\Apps\\", "Vistrel"), "C:\\Apps\\Vistrel");
    EXPECT_EQ(Append("C:\\Apps", "\\Vistrel"), "C:\\Apps\\Vistrel");
    EXPECT_EQ(Append("C:\\Apps\\", "\\Vistrel"), "C:\\Apps\\Vistrel");
    EXPECT_EQ(Append("C:/Apps/", "Vistrel"), "C:/Apps\\Vistrel");
    EXPECT_EQ(Append("C:\\Apps", "/Vistrel"), "C:\\Apps/Vistrel");
    EXPECT_EQ(Append("D:\\", "Vistrel"), "D:\\Vistrel");
    EXPECT_EQ(Append("C:\\Apps\\\\", "x"), "C:\\Apps\\\\x");
    EXPECT_EQ(Append("C:\\Apps", ""), "C:\\Apps\\");
}

TEST(AppendPath, EmptyBaseGivesTheTailAsItIs)
{
    EXPECT_EQ(Append("", "Vistrel 2.1"), "Vistrel 2.1");
    EXPECT_EQ(Append("", "\\Vistrel"), "\\Vistrel");
    EXPECT_EQ(Append("", std::string(259, 't')), std::string(259, 't'));
    EXPECT_EQ(Append("", std::string(260, 't')), "<refused>");
}

TEST(AppendPath, RefusesAJoinLongerThanAPath)
{
    const std::string base(250, 'b');
    EXPECT_EQ(Append(base, std::string(8, 't')), base + "\\" + std::string(8, 't'));
    EXPECT_EQ(Append(base, std::string(9, 't')), "<refused>");
    EXPECT_EQ(Append(base + "\\", std::string(8, 't')), base + "\\" + std::string(8, 't'));
    EXPECT_EQ(Append(base, "\\" + std::string(8, 't')), base + "\\" + std::string(8, 't'));
    EXPECT_EQ(Append(base, "\\" + std::string(9, 't')), "<refused>");
}

TEST(DuplicatePath, DropsOneTrailingSeparator)
{
    struct Case {
        const char* text;
        const char* copy;
    } cases[] = {
        {"C:\\", "C:"},
        {"C:\\Windows", "C:\\Windows"},
        {"C:\\Temp/", "C:\\Temp"},
        {"C:\\Temp\\\\", "C:\\Temp\\"},
        {"\\", ""},
    };
    for (const Case& c : cases) {
        char* copy = DuplicatePath(c.text);
        ASSERT_NE(copy, nullptr) << c.text;
        EXPECT_STREQ(copy, c.copy);
        MemFree(copy);
    }
    EXPECT_EQ(DuplicatePath(""), nullptr);
}

TEST(Separators, FirstAndLastOfEitherKind)
{
    const char* text = "C:\\a/b\\c";
    EXPECT_EQ(FindFirstSeparator(text), text + 2);
    EXPECT_EQ(FindLastSeparator(text), text + 6);
    const char* plain = "Vistrel";
    EXPECT_EQ(FindFirstSeparator(plain), plain + 7);
    EXPECT_EQ(FindLastSeparator(plain), plain);
    const char* empty = "";
    EXPECT_EQ(FindFirstSeparator(empty), empty);
    EXPECT_EQ(FindLastSeparator(empty), empty);
}

TEST(FindLastComponent, GivesTheFolderNameOfTheDefaultDirectory)
{
    EXPECT_STREQ(FindLastComponent("%ProgramFiles%\\Vistrel"), "Vistrel");
    EXPECT_STREQ(FindLastComponent("%ProgramFiles%/Vendor/Vistrel"), "Vistrel");
    // Without a separator the whole text is the name, not the text minus its first character.
    EXPECT_STREQ(FindLastComponent("Vistrel"), "Vistrel");
    EXPECT_STREQ(FindLastComponent("C:\\Apps\\"), "");
}

// CompactPathText into a buffer with a guard byte after `limit` + 1, which it must not touch.
std::string Compact(const std::string& path, size_t limit)
{
    std::string buffer(limit + 2, '#');
    CompactPathText(&buffer[0], path.c_str(), limit);
    EXPECT_EQ(buffer[limit + 1], '#') << path;
    return buffer.c_str();
}

TEST(CompactPathText, KeepsTheStartAndTheNameOrBothEndsOfALongName)
{
    const std::string path = "C:\\Program Files\\Vendor\\A long folder\\Sub\\file.txt";  // 50
    EXPECT_EQ(Compact(path, 50), path);
    EXPECT_EQ(Compact("C:\\a", 16), "C:\\a");
    EXPECT_EQ(Compact(path, 32), "C:\\Program Files\\Ven...\\file.txt");
    // The name with its separator and the gap take the whole room: nothing of the start.
    EXPECT_EQ(Compact(path, 12), "...\\file.txt");
    // Forward slashes separate too.
    EXPECT_EQ(Compact("C:/Program Files/Vendor/file.txt", 18), "C:/Pro.../file.txt");
    // A name longer than the room: its start, which tells it from the others, and its end.
    const std::string plugin = "C:\\p\\plugin07-" + std::string(100, 'x') + ".dll";
    EXPECT_EQ(Compact(plugin, 40), "plugin07-" + std::string(16, 'x') + "..." + std::string(8, 'x') + ".dll");
    EXPECT_EQ(Compact(std::string(50, 'c'), 20), std::string(5, 'c') + "..." + std::string(12, 'c'));
}

TEST(HasInvalidPathChars, FindsEachReservedCharacter)
{
    for (char reserved : std::string("\"*:<>?|")) {
        std::string text = std::string("Apps") + reserved + "x";
        EXPECT_TRUE(HasInvalidPathChars(text.c_str())) << text;
    }
    EXPECT_FALSE(HasInvalidPathChars("Program Files\\Vistrel 2.1/a-b_c(d)&e;f"));
    EXPECT_FALSE(HasInvalidPathChars(""));
    EXPECT_TRUE(HasInvalidPathChars("C:\\Apps"));
}

std::string Normalise(std::string text)
{
    NormalisePathText(text.data());
    return text.c_str();
}

TEST(NormalisePathText, TrimsBlanksThenOneSeparatorAndWritesBackslashes)
{
    EXPECT_EQ(Normalise("  C:\\Apps  "), "C:\\Apps");
    EXPECT_EQ(Normalise("C:\\Apps\\Tool\\"), "C:\\Apps\\Tool");
    EXPECT_EQ(Normalise("C:/Apps/Tool/ "), "C:\\Apps\\Tool");
    EXPECT_EQ(Normalise("C:\\Apps/Tool//"), "C:\\Apps\\Tool\\");
    EXPECT_EQ(Normalise("C:\\Work\\\\Spelled/\\Inkwell"), "C:\\Work\\Spelled\\Inkwell");
    EXPECT_EQ(Normalise("C:\\"), "C:");
    EXPECT_EQ(Normalise("C:\\Apps\\\\"), "C:\\Apps\\");  // refused later for its final separator
    EXPECT_EQ(Normalise("C:\\Apps \\"), "C:\\Apps ");
    EXPECT_EQ(Normalise("\tC:\\Apps"), "\tC:\\Apps");
    EXPECT_EQ(Normalise("     "), "");
    EXPECT_EQ(Normalise(""), "");
    EXPECT_EQ(Normalise("\\"), "");
    EXPECT_EQ(Normalise("C:\\Program Files"), "C:\\Program Files");
}

bool IsPlainRelative(const std::string& path)
{
    return IsPlainRelativePath(path.c_str(), path.size());
}

bool IsPlainAbsolute(const std::string& path)
{
    return IsPlainAbsolutePath(path.c_str(), path.size());
}

TEST(IsPlainRelativePath, PlainNamesWithSeparatorsOnlyBetween)
{
    EXPECT_TRUE(IsPlainRelative("Start Menu\\Programs\\Inkwell"));
    EXPECT_TRUE(IsPlainRelative("Start Menu/Programs"));
    EXPECT_TRUE(IsPlainRelative("Programs\\\\Inkwell"));
    EXPECT_TRUE(IsPlainRelative("...\\.x"));
    EXPECT_FALSE(IsPlainRelative(""));
    EXPECT_FALSE(IsPlainRelative("Start Menu\\..\\..\\Windows"));
    EXPECT_FALSE(IsPlainRelative("Start Menu\\.\\Programs"));
    EXPECT_FALSE(IsPlainRelative(".."));
    EXPECT_FALSE(IsPlainRelative("Start Menu\\Programs\\"));
    EXPECT_FALSE(IsPlainRelative("\\Start Menu"));
    EXPECT_FALSE(IsPlainRelative("C:Start Menu"));
    // Only the given length counts.
    EXPECT_TRUE(IsPlainRelativePath("Programs\\..", 8));
}

TEST(IsPlainAbsolutePath, ADriveRootAndAPlainRestShorterThanAPath)
{
    EXPECT_TRUE(IsPlainAbsolute("C:\\"));
    EXPECT_TRUE(IsPlainAbsolute("c:/Apps/Tool"));
    EXPECT_TRUE(IsPlainAbsolute("C:\\Apps\\\\Tool"));
    EXPECT_FALSE(IsPlainAbsolute("C:\\\\Apps"));
    EXPECT_FALSE(IsPlainAbsolute("C:\\Apps\\"));
    EXPECT_FALSE(IsPlainAbsolute("C:\\Apps\\..\\Windows"));
    EXPECT_FALSE(IsPlainAbsolute("1:\\Apps"));
    EXPECT_FALSE(IsPlainAbsolute("C:Apps"));
    std::string longest = "C:\\";
    longest.append(PATH_SIZE - 4, 'a');
    EXPECT_TRUE(IsPlainAbsolute(longest));
    EXPECT_FALSE(IsPlainAbsolute(longest + 'a'));

    // A share's root, where a Start Menu or a Desktop may be redirected.
    EXPECT_TRUE(IsPlainAbsolute("\\\\srv\\share"));
    EXPECT_TRUE(IsPlainAbsolute("\\\\srv\\share\\Start Menu\\Programs"));
    EXPECT_TRUE(IsPlainAbsolute("//srv/share/Desktop"));
    for (const char* path : {"\\\\srv", "\\\\srv\\", "\\\\\\share", "\\\\srv\\share\\",
                             "\\\\srv\\\\share", "\\\\srv\\share\\\\x", "\\\\srv\\..\\x",
                             "\\\\..\\share\\x", "\\\\.\\pipe", "\\\\srv\\share\\..\\x", "\\srv\\share"})
        EXPECT_FALSE(IsPlainAbsolute(path)) << path;
}

TEST(MeasurePathRoot, ADrivesThreeCharactersOrAWholeShareName)
{
    EXPECT_EQ(MeasurePathRoot("C:\\Apps", 7), 3u);
    EXPECT_EQ(MeasurePathRoot("C:\\", 3), 3u);
    EXPECT_EQ(MeasurePathRoot("\\\\srv\\share\\Apps", 16), 11u);
    EXPECT_EQ(MeasurePathRoot("\\\\srv\\share", 11), 11u);
    // Only the given length counts.
    EXPECT_EQ(MeasurePathRoot("\\\\srv\\share", 8), 8u);
    EXPECT_EQ(MeasurePathRoot("\\\\srv\\share", 6), 0u);
    for (const char* path : {"C:", "C:Apps", "\\Apps", "\\\\srv", "\\\\srv\\", "\\\\.\\pipe", ""})
        EXPECT_EQ(MeasurePathRoot(path, strlen(path)), 0u) << path;
}

TEST(MeasureSharedFolders, CountsWholeLevelsOnly)
{
    const char* menu = "C:\\Menu\\Programs\\Vendor\\Inkwell";
    EXPECT_EQ(MeasureSharedFolders(menu, menu), strlen(menu));
    EXPECT_EQ(MeasureSharedFolders(menu, "c:\\MENU\\programs\\vendor\\INKWELL"), strlen(menu));
    // One the parent of the other, either way round.
    EXPECT_EQ(MeasureSharedFolders(menu, "C:\\Menu\\Programs\\Vendor"), 23u);
    EXPECT_EQ(MeasureSharedFolders("C:\\Menu\\Programs\\Vendor", menu), 23u);
    // A sibling whose name only begins like the other's shares the parent, not the name.
    EXPECT_EQ(MeasureSharedFolders(menu, "C:\\Menu\\Programs\\Vendor\\Inkwell 2"), 23u);
    EXPECT_EQ(MeasureSharedFolders(menu, "C:\\Menu\\Programs\\Vend"), 16u);
    EXPECT_EQ(MeasureSharedFolders("C:\\A", "D:\\A"), 0u);
    EXPECT_EQ(MeasureSharedFolders("", menu), 0u);
}

TEST(CutToParentFolder, StepsUpALevelButNotBelowTheFloor)
{
    char path[PATH_SIZE] = "C:\\Menu\\Vendor\\Inkwell";
    EXPECT_EQ(CutToParentFolder(path, strlen(path), 3), 14u);
    EXPECT_STREQ(path, "C:\\Menu\\Vendor");
    EXPECT_EQ(CutToParentFolder(path, 14, 3), 7u);
    EXPECT_STREQ(path, "C:\\Menu");
    // The floor holds even inside a name, and a drive's root keeps its separator.
    EXPECT_EQ(CutToParentFolder(path, 7, 5), 5u);
    EXPECT_STREQ(path, "C:\\Me");
    char rooted[PATH_SIZE] = "C:\\Menu";
    EXPECT_EQ(CutToParentFolder(rooted, 7, 3), 3u);
    EXPECT_STREQ(rooted, "C:\\");
}

} // namespace
