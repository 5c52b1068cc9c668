// Expansion of folder variables: tokens and their limits, unknown and unset variables,
// stray percent signs, separator folding, and results too long for a path buffer.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/folder_variables.h"
#include "common/path_routines.h"

namespace {

class ExpandFolderVariablesTest : public testing::Test {
protected:
    void SetUp() override
    {
        values[FOLDER_PROGRAM_FILES] = "C:\\Program Files";
        values[FOLDER_INSTALL_DIR] = "C:\\Apps\\Vistrel";
    }

    FolderValues values = {};

    // The expansion of `source`, or "<refused>" when the routine refused it.
    std::string Expand(const std::string& source)
    {
        char destination[PATH_SIZE];
        std::memset(destination, 'x', sizeof(destination));
        char* result = ExpandFolderText(values, source.c_str(), destination);
        if (!result) {
            EXPECT_EQ(destination[0], '\0');
            return "<refused>";
        }
        EXPECT_EQ(result, destination);
        return destination;
    }
};

TEST_F(ExpandFolderVariablesTest, ReplacesKnownTokens)
{
    EXPECT_EQ(Expand("%ProgramFiles%\\Vistrel"), "C:\\Program Files\\Vistrel");
    EXPECT_EQ(Expand("%InstallDir%\\Vistrel.exe"), "C:\\Apps\\Vistrel\\Vistrel.exe");
    EXPECT_EQ(Expand("\"%InstallDir%\\a b.exe\" /q"), "\"C:\\Apps\\Vistrel\\a b.exe\" /q");
    EXPECT_EQ(Expand("%ProgramFiles%%InstallDir%"), "C:\\Program FilesC:\\Apps\\Vistrel");
    EXPECT_EQ(Expand("plain text"), "plain text");
    EXPECT_EQ(Expand(""), "");
}

TEST_F(ExpandFolderVariablesTest, NamesMatchExactlyIncludingCase)
{
    EXPECT_EQ(Expand("%installdir%\\x"), "%installdir%\\x");
    EXPECT_EQ(Expand("%INSTALLDIR%"), "%INSTALLDIR%");
    EXPECT_EQ(Expand("%InstallDi%"), "%InstallDi%");
    EXPECT_EQ(Expand("%InstallDirs%"), "%InstallDirs%");
}

TEST_F(ExpandFolderVariablesTest, UnknownAndUnsetVariablesStayAsWritten)
{
    EXPECT_EQ(Expand("%Foo%\\x"), "%Foo%\\x");
    EXPECT_EQ(Expand("%CommonFiles%\\Shared"), "%CommonFiles%\\Shared");
    // The closing sign of an unknown name opens the next token.
    EXPECT_EQ(Expand("%Foo%InstallDir%"), "%FooC:\\Apps\\Vistrel");
    EXPECT_EQ(Expand("%CommonFiles%InstallDir%\\a"), "%CommonFilesC:\\Apps\\Vistrel\\a");
}

TEST_F(ExpandFolderVariablesTest, StrayPercentSignsAreCopied)
{
    EXPECT_EQ(Expand("%"), "%");
    EXPECT_EQ(Expand("100%"), "100%");
    EXPECT_EQ(Expand("%InstallDir"), "%InstallDir");
    EXPECT_EQ(Expand("%%"), "%%");
    EXPECT_EQ(Expand("a%%b"), "a%%b");
    EXPECT_EQ(Expand("%%InstallDir%"), "%C:\\Apps\\Vistrel");
    EXPECT_EQ(Expand("%%%"), "%%%");
}

TEST_F(ExpandFolderVariablesTest, TheSignAfterANameTooLongForATokenOpensOneOfItsOwn)
{
    EXPECT_EQ(Expand("%Twenty_Characters_xx%InstallDir%"),
              "%Twenty_Characters_xxC:\\Apps\\Vistrel");
}

TEST_F(ExpandFolderVariablesTest, FoldsOneSeparatorAfterAValueEndingInOne)
{
    values[FOLDER_INSTALL_DIR] = "C:\\Apps\\";
    EXPECT_EQ(Expand("%InstallDir%\\Vistrel.exe"), "C:\\Apps\\Vistrel.exe");
    EXPECT_EQ(Expand("%InstallDir%/Vistrel.exe"), "C:\\Apps\\Vistrel.exe");
    EXPECT_EQ(Expand("%InstallDir%\\\\x"), "C:\\Apps\\\\x");
    EXPECT_EQ(Expand("%InstallDir%x"), "C:\\Apps\\x");
    values[FOLDER_INSTALL_DIR] = "C:\\Apps";
    EXPECT_EQ(Expand("%InstallDir%\\x"), "C:\\Apps\\x");
    // An empty value writes nothing; a separator written before it still folds.
    values[FOLDER_HANDLE] = "";
    EXPECT_EQ(Expand("C:\\%Handle%\\x"), "C:\\x");
    EXPECT_EQ(Expand("%Handle%\\x"), "\\x");
}

TEST_F(ExpandFolderVariablesTest, RefusesAResultLongerThanAPath)
{
    const std::string long259(259, 'a');
    EXPECT_EQ(Expand(long259), long259);
    EXPECT_EQ(Expand(long259 + "b"), "<refused>");

    const std::string value = "C:\\Apps\\Vistrel"; // 15 characters
    EXPECT_EQ(Expand(std::string(244, 'a') + "%InstallDir%"), std::string(244, 'a') + value);
    EXPECT_EQ(Expand(std::string(245, 'a') + "%InstallDir%"), "<refused>");
    EXPECT_EQ(Expand(std::string(244, 'a') + "%InstallDir%x"), "<refused>");

    // Short source, long values: the expansion is what must fit, not the source.
    const std::string longValue(200, 'v');
    values[FOLDER_INSTALL_DIR] = longValue.c_str();
    EXPECT_EQ(Expand("%InstallDir%%InstallDir%"), "<refused>");
}

} // namespace
