// Tests of the text rules: Windows-1252 conversion, line ends, Windows name checks, typical
// folder expansion and FILETIME conversion.
#include <gtest/gtest.h>

#include "file_time.h"
#include "name_rules.h"
#include "text_encoding.h"
#include "typical_folders.h"

namespace quillset {
namespace {

TEST(Windows1252, EncodesLatinAndTheHighRange)
{
    EXPECT_EQ(EncodeWindows1252("Caf\xC3\xA9 \xE2\x82\xAC 5 \xE2\x80\x94 \xC5\xB8"),
              "Caf\xE9 \x80 5 \x97 \x9F");
    EXPECT_EQ(EncodeWindows1252("\xC3\xBF"), "\xFF");
    EXPECT_EQ(DecodeWindows1252("Caf\xE9 \x80\x9F"), "Caf\xC3\xA9 \xE2\x82\xAC\xC5\xB8");
}

TEST(Windows1252, RefusesWhatTheCodePageLacksWithItsOffset)
{
    const auto offsetOf = [](std::string_view text) -> long {
        try {
            EncodeWindows1252(text);
        } catch (const EncodingError& error) {
            return static_cast<long>(error.offset);
        }
        return -1;
    };
    EXPECT_EQ(offsetOf("ab\xE4\xB8\xAD"), 2);      // CJK character
    EXPECT_EQ(offsetOf("a\xC2\x81"), 1);           // C1 control U+0081
    EXPECT_EQ(offsetOf("ok\xF0\x9F\x98\x80"), 2);  // emoji
    EXPECT_EQ(offsetOf("x\xC3"), 1);               // truncated sequence
    EXPECT_EQ(offsetOf("\xC0\xAF"), 0);            // overlong slash
    EXPECT_EQ(offsetOf(std::string_view("a\0b", 3)), 1);
    EXPECT_EQ(offsetOf("plain"), -1);
}

TEST(Utf8, TakesWellFormedTextAndReadsTheRestAsWindows1252)
{
    for (const char* text : {"Caf\xc3\xa9", "\xe2\x82\xac 5", "\xf0\x9f\x96\x8b", "\xed\x9f\xbf", ""})
        EXPECT_TRUE(IsUtf8(text)) << text;
    // Overlong forms, a surrogate, past U+10FFFF, a lone continuation, a cut sequence, 1252.
    for (const char* text : {"\xe0\x80\x80", "\xc0\x80", "\xed\xa0\x80", "\xf4\x90\x80\x80",
                             "\xf5\x80\x80\x80", "\x80", "Caf\xc3", "Caf\xe9"})
        EXPECT_FALSE(IsUtf8(text)) << text;
    EXPECT_EQ(ToUtf8("\xe0\x80\x80"), "\xc3\xa0\xe2\x82\xac\xe2\x82\xac");
    EXPECT_EQ(ToUtf8("Caf\xc3\xa9"), "Caf\xc3\xa9");
}

TEST(LineEnds, EveryKindBecomesCrLf)
{
    EXPECT_EQ(NormalizeLineEnds("a\nb\r\nc\rd\n\n"), "a\r\nb\r\nc\r\nd\r\n\r\n");
    EXPECT_EQ(FindLineNumber("a\nb\nc", 4), 3u);
}

TEST(NameRules, RefusesWhatWindowsCannotStore)
{
    for (const char* name :
         {"",           ".",   "..",  "a/b",       "a\\b",     "a:b",      "a<b",    "a>b", "a\"b",
          "a|b",        "a?b", "a*b", "tab\there", "dot.",     "space ",   "CON",    "con", "Con.txt",
          "NUL.tar.gz", "AUX", "PRN", "COM1",      "lpt9.log", "CON .txt", "COM\xB9"}) {
        EXPECT_TRUE(FindNameProblem(name).has_value()) << '"' << name << '"';
    }
}

TEST(NameRules, AcceptsNamesThatOnlyLookReserved)
{
    for (const char* name :
         {"CONSOLE", "COM0", "COM10", "LPT", "icon.con", "a.b.c", ".hidden", "Caf\xE9", "x y"}) {
        EXPECT_FALSE(FindNameProblem(name).has_value()) << '"' << name << '"';
    }
}

TEST(NameRules, TellsTheShortNamesWindowsMakesUp)
{
    using Form = ShortNameForm;
    EXPECT_EQ(FindShortNameForm("README-first.txt"), (Form{"README", "TXT"}));
    EXPECT_EQ(FindShortNameForm("my file.text"), (Form{"MYFILE", "TEX"}));
    EXPECT_EQ(FindShortNameForm("a.b.c"), (Form{"AB", "C"}));
    EXPECT_EQ(FindShortNameForm("x+y"), (Form{"X_Y", ""}));
    // Names that fit 8.3 keep their own spelling, whatever their case.
    for (const char* name : {"readme.txt", "README~1.TXT", "A", "setup.exe"})
        EXPECT_FALSE(FindShortNameForm(name)) << name;
    EXPECT_EQ(ReadShortNameAlias("readme~2.txt"), (std::pair{Form{"README", "TXT"}, 2}));
    EXPECT_EQ(ReadShortNameAlias("PROGRA~1"), (std::pair{Form{"PROGRA", ""}, 1}));
    for (const char* name : {"~1.txt", "README~.TXT", "READMEXY~1", "README-first.txt", "a~b.txt"})
        EXPECT_FALSE(ReadShortNameAlias(name)) << name;
}

TEST(NameRules, FoldsCaseAsWindowsCompares)
{
    EXPECT_EQ(FoldNameCase("Readme.TXT"), FoldNameCase("README.txt"));
    EXPECT_EQ(FoldNameCase("\xE9t\xE9"), "\xC9T\xC9");
    EXPECT_EQ(FoldNameCase("\x9A\xFF"), "\x8A\x9F");
    EXPECT_NE(FoldNameCase("\xF7"), FoldNameCase("\xD7"));  // division and multiplication signs
}

TEST(TypicalFolders, ExpandsKnownTokensAndKeepsTheRest)
{
    // A 32-bit Setup on 64-bit Windows gets the longer folders of 32-bit programs.
    EXPECT_EQ(ExpandTypicalFolders("%ProgramFiles%\\Vistrel"), "C:\\Program Files (x86)\\Vistrel");
    EXPECT_EQ(ExpandTypicalFolders("%CommonFiles%\\x"), "C:\\Program Files (x86)\\Common Files\\x");
    EXPECT_EQ(ExpandTypicalFolders("%TempDir%"),
              "C:\\Documents and Settings\\Administrator\\Local Settings\\Temp");
    EXPECT_EQ(ExpandTypicalFolders("%programfiles%\\a"), "%programfiles%\\a");
    EXPECT_EQ(ExpandTypicalFolders("%InstallDir%\\a"), "%InstallDir%\\a");
    EXPECT_EQ(ExpandTypicalFolders("%Foo%WindowsDir%"), "%FooC:\\WINDOWS");
    EXPECT_EQ(ExpandTypicalFolders("50%% %"), "50%% %");
    EXPECT_EQ(ExpandTypicalFolders("%WindowsDir%/x"), "C:\\WINDOWS/x");
}

TEST(FileTimes, ConvertsFromUnixAndFormatsInUtc)
{
    // 2003-04-28 16:01:52 UTC, the sample uninstaller's time.
    const auto fileTime = ConvertToFileTime(1051545712, 123456789);
    ASSERT_TRUE(fileTime.has_value());
    EXPECT_EQ(*fileTime, (1051545712ull + 11644473600ull) * 10000000ull + 1234567ull);
    EXPECT_EQ(FormatFileTime(*fileTime), "2003-04-28 16:01:52 UTC");
    EXPECT_EQ(FormatFileTime(0), "1601-01-01 00:00:00 UTC");
    EXPECT_EQ(FormatFileTime((951782400ull + 11644473600ull) * 10000000ull), "2000-02-29 00:00:00 UTC");
    EXPECT_FALSE(ConvertToFileTime(-11644473601, 0).has_value());
    EXPECT_TRUE(ConvertToFileTime(-11644473600, 0).has_value());
    EXPECT_FALSE(FormatFileTime(~0ull).empty());
}

}  // namespace
}  // namespace quillset
