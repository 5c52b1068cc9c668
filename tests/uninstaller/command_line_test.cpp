// The uninstaller's command line: "/S" in any case, the copy's private arguments as the
// original writes them, and everything else refused.
#include <gtest/gtest.h>

#include <string>

#include "command_line.h"

namespace {

TEST(ParseCommandLine, TakesTheSilentSwitchAfterAQuotedProgramPath)
{
    CommandLine line;
    ASSERT_TRUE(ParseCommandLine("\"C:\\Program Files\\Q\\uninst.exe\"", &line));
    EXPECT_FALSE(line.silent);
    EXPECT_FALSE(line.cleanup);
    ASSERT_TRUE(ParseCommandLine("\"C:\\Program Files\\Q\\uninst.exe\" /S", &line));
    EXPECT_TRUE(line.silent);
    ASSERT_TRUE(ParseCommandLine("uninst.exe   /s  ", &line));
    EXPECT_TRUE(line.silent);
    for (const char* refused : {"uninst.exe /X", "uninst.exe /S /Q", "uninst.exe S",
                                "\"C:\\open quote\\uninst.exe", "uninst.exe /SS"})
        EXPECT_FALSE(ParseCommandLine(refused, &line)) << refused;
}

TEST(ParseCommandLine, ARefusedLineStillAsksForNoWindowWhenItHoldsTheSwitch)
{
    CommandLine line;
    std::string longWord(PATH_SIZE + 10, 'x');
    for (const std::string& refused : {std::string("uninst.exe /X /S"),
                                       std::string("uninst.exe \"/q x\" /s"),
                                       "uninst.exe " + longWord + " /S"}) {
        EXPECT_FALSE(ParseCommandLine(refused.c_str(), &line)) << refused;
        EXPECT_TRUE(line.silent) << refused;
    }
    // An open quote takes the rest of the line, switch and all.
    for (const char* noisy : {"uninst.exe /X", "uninst.exe /X \"/S", "uninst.exe /SS"}) {
        EXPECT_FALSE(ParseCommandLine(noisy, &line)) << noisy;
        EXPECT_FALSE(line.silent) << noisy;
    }
}

TEST(ParseCommandLine, ReadsBackTheCopysArgumentsAsTheyAreWritten)
{
    char command[600];
    ASSERT_TRUE(FormatCleanupCommand(command, sizeof(command), "C:\\Temp\\qsu1.tmp", 1234,
                                     "C:\\Program Files\\Vistrel", 1));
    EXPECT_STREQ(command,
                 "\"C:\\Temp\\qsu1.tmp\" /_cleanup 1234 \"C:\\Program Files\\Vistrel\" /S");
    CommandLine line;
    ASSERT_TRUE(ParseCommandLine(command, &line));
    EXPECT_TRUE(line.cleanup);
    EXPECT_TRUE(line.silent);
    EXPECT_EQ(line.waitHandle, 1234u);
    EXPECT_STREQ(line.directory, "C:\\Program Files\\Vistrel");

    ASSERT_TRUE(FormatCleanupCommand(command, sizeof(command), "p", 0, "d", 0));
    ASSERT_TRUE(ParseCommandLine(command, &line));
    EXPECT_EQ(line.waitHandle, 0u);
    EXPECT_FALSE(line.silent);
    EXPECT_FALSE(FormatCleanupCommand(command, 20, "C:\\Temp\\qsu1.tmp", 1, "C:\\Q", 1));
    // Every 32-bit handle value goes there and back, and none past it is read.
    ASSERT_TRUE(FormatCleanupCommand(command, sizeof(command), "p", 0xFFFFFFFFu, "d", 0));
    ASSERT_TRUE(ParseCommandLine(command, &line));
    EXPECT_EQ(line.waitHandle, 0xFFFFFFFFu);
    EXPECT_FALSE(ParseCommandLine("u /_cleanup 4294967296 \"C:\\Q\"", &line));

    for (const char* refused : {"u /_cleanup", "u /_cleanup 12", "u /_cleanup x \"C:\\Q\"",
                                "u /_cleanup 99999999999 \"C:\\Q\"", "u /_cleanup 1 \"\"",
                                "u /_cleanup 1 \"C:\\Q\" /_cleanup 2 \"C:\\R\""})
        EXPECT_FALSE(ParseCommandLine(refused, &line)) << refused;
    std::string tooLong = "u /_cleanup 1 \"C:\\" + std::string(PATH_SIZE, 'x') + "\"";
    EXPECT_FALSE(ParseCommandLine(tooLong.c_str(), &line));
}

} // namespace
