// Bounded formatting: the "%s" format of control texts and error boxes cut at their buffers,
// numbers in decimal and hexadecimal, and the required-space text.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/format.h"

namespace {

enum {
    CONTROL_TEXT_SIZE = 512,    // the frame's control texts
    ERROR_TEXT_SIZE = 500,      // the error box's text
};

TEST(FormatText, PrintsTheArgumentForEachPercentS)
{
    char buffer[CONTROL_TEXT_SIZE];
    EXPECT_EQ(FormatText(buffer, sizeof(buffer), "%s Setup", "Vistrel"), 1);
    EXPECT_STREQ(buffer, "Vistrel Setup");
    EXPECT_EQ(FormatText(buffer, sizeof(buffer), "&Launch the %s", "Vistrel"), 1);
    EXPECT_STREQ(buffer, "&Launch the Vistrel");
    EXPECT_EQ(FormatText(buffer, sizeof(buffer), "100%% of %s, %s", "it"), 1);
    EXPECT_STREQ(buffer, "100% of it, it");
    EXPECT_EQ(FormatText(buffer, sizeof(buffer), "%d %", "x"), 1);
    EXPECT_STREQ(buffer, "%d %");
    EXPECT_EQ(FormatText(buffer, sizeof(buffer), "no argument", "x"), 1);
    EXPECT_STREQ(buffer, "no argument");
}

TEST(FormatText, WithoutArgumentCopiesTheFormatUnchanged)
{
    char buffer[CONTROL_TEXT_SIZE];
    EXPECT_EQ(FormatText(buffer, sizeof(buffer), "Ready to %s 100%%", nullptr), 1);
    EXPECT_STREQ(buffer, "Ready to %s 100%%");
}

// Fills a buffer with a guard pattern, formats into its first `size` bytes and checks that
// nothing beyond them was touched.
std::string FormatGuarded(size_t size, const std::string& format, const char* argument,
                          int* whole)
{
    std::string buffer(size + 16, '#');
    *whole = FormatText(buffer.data(), size, format.c_str(), argument);
    EXPECT_EQ(buffer.substr(size), std::string(16, '#'));
    return buffer.c_str();
}

TEST(FormatText, CutsAtTheControlTextBuffer)
{
    int whole = 0;
    const std::string name(600, 'n');
    std::string text = FormatGuarded(CONTROL_TEXT_SIZE, "Welcome to the %s Setup Wizard",
                                     name.c_str(), &whole);
    EXPECT_EQ(whole, 0);
    EXPECT_EQ(text, "Welcome to the " + std::string(CONTROL_TEXT_SIZE - 1 - 15, 'n'));

    const std::string fits(CONTROL_TEXT_SIZE - 1 - 6, 'n');
    text = FormatGuarded(CONTROL_TEXT_SIZE, "%s Setup", fits.c_str(), &whole);
    EXPECT_EQ(whole, 1);
    EXPECT_EQ(text, fits + " Setup");
    const std::string oneMore = fits + "n";
    text = FormatGuarded(CONTROL_TEXT_SIZE, "%s Setup", oneMore.c_str(), &whole);
    EXPECT_EQ(whole, 0);
    EXPECT_EQ(text, oneMore + " Setu");

    const std::string longFormat(700, 'f');
    text = FormatGuarded(CONTROL_TEXT_SIZE, longFormat, nullptr, &whole);
    EXPECT_EQ(whole, 0);
    EXPECT_EQ(text, std::string(CONTROL_TEXT_SIZE - 1, 'f'));
}

TEST(FormatText, CutsTheErrorTextAtItsBuffer)
{
    int whole = 0;
    const std::string name(480, 'p');
    std::string text = FormatGuarded(
        ERROR_TEXT_SIZE,
        "Setup has detected that %s is currently running. Please close all instances of it now.",
        name.c_str(), &whole);
    EXPECT_EQ(whole, 0);
    EXPECT_EQ(text.size(), ERROR_TEXT_SIZE - 1u);
    EXPECT_EQ(text.substr(0, 24 + 475), "Setup has detected that " + std::string(475, 'p'));
}

TEST(FormatText, OneByteBufferHoldsOnlyTheTerminator)
{
    int whole = 1;
    EXPECT_EQ(FormatGuarded(1, "%s", "x", &whole), "");
    EXPECT_EQ(whole, 0);
    EXPECT_EQ(FormatGuarded(1, "", "x", &whole), "");
    EXPECT_EQ(whole, 1);
}

TEST(FormatNumber, DecimalAndUpperCaseHexadecimal)
{
    char buffer[HANDLE_TEXT_SIZE];
    EXPECT_EQ(FormatNumber(buffer, sizeof(buffer), 0, 10), 1);
    EXPECT_STREQ(buffer, "0");
    EXPECT_EQ(FormatNumber(buffer, sizeof(buffer), 4294967295u, 10), 1);
    EXPECT_STREQ(buffer, "4294967295");
    EXPECT_EQ(FormatNumber(buffer, sizeof(buffer), 0x1A0ECu, 16), 1);
    EXPECT_STREQ(buffer, "1A0EC");
    EXPECT_EQ(FormatNumber(buffer, sizeof(buffer), 0xFFFFFFFFu, 16), 1);
    EXPECT_STREQ(buffer, "FFFFFFFF");
    EXPECT_EQ(FormatNumber(buffer, 5, 12345, 10), 0);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(FormatNumber(buffer, 6, 12345, 10), 1);
    EXPECT_STREQ(buffer, "12345");
}

TEST(FormatRequiredSpace, RoundsUpToWholeKilobytes)
{
    struct Case {
        uint32_t totalSize;
        const char* text;
    } cases[] = {
        {0, "0 KB"},
        {1, "1 KB"},
        {1023, "1 KB"},
        {1024, "1 KB"},
        {1025, "2 KB"},
        {322100, "315 KB"},
        {0xFFFFFC00u, "4194303 KB"},
        {0xFFFFFC01u, "4194304 KB"},
        {0xFFFFFFFFu, "4194304 KB"},
    };
    for (const Case& c : cases) {
        char buffer[REQUIRED_SPACE_TEXT_SIZE];
        std::memset(buffer, '#', sizeof(buffer));
        FormatRequiredSpace(buffer, c.totalSize);
        EXPECT_STREQ(buffer, c.text) << c.totalSize;
    }
}

} // namespace
