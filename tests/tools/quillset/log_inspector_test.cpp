// Tests of `quillset inspect` on uninstall logs: which files are taken for one, a sound log
// printed in the order of removal, and a damaged one refused with the reason.
#include <gtest/gtest.h>

#include <string>

#include "log_bytes.h"
#include "log_inspector.h"

namespace quillset {
namespace {

using namespace std::string_literals;

std::span<const std::uint8_t> AsBytes(const std::string& text)
{
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

bool Contains(const std::string& text, std::string_view part)
{
    return text.find(part) != std::string::npos;
}

TEST(InspectUninstallLog, TakesLogsByNameOrByTheirOwnSizeField)
{
    const std::string log = BuildLog();
    EXPECT_TRUE(IsUninstallLog("x/uninst.dat", AsBytes("short")));
    EXPECT_TRUE(IsUninstallLog("UNINST.DAT", AsBytes("")));
    EXPECT_TRUE(IsUninstallLog("copy.bin", AsBytes(log)));
    EXPECT_FALSE(IsUninstallLog("package.bin", AsBytes(log.substr(0, log.size() - 1))));
    std::string executable = log;
    executable[0] = 'M';
    executable[1] = 'Z';
    EXPECT_FALSE(IsUninstallLog("Setup.exe", AsBytes(executable)));
}

TEST(InspectUninstallLog, PrintsWhatTheUninstallerWouldRemoveInItsOrder)
{
    const InspectReport report = InspectUninstallLog(AsBytes(BuildLog()));
    EXPECT_TRUE(report.failures.empty());
    const std::string& text = report.text;
    EXPECT_TRUE(Contains(text, "destination          C:\\Program Files|\\Vistrel  (existing length 16)"))
        << text;
    EXPECT_TRUE(Contains(text, "uninstall command    \"%InstallDir%\\Vistrel.exe -u\"")) << text;
    EXPECT_TRUE(Contains(text, "files (4) and folders (1), in the order of removal\n"
                               "  uninst.dat\n  uninst.exe\n  sub\\a.txt\n  sub\\\n  Vistrel.exe\n"))
        << text;
    EXPECT_TRUE(Contains(text, "shortcuts (1)\n  C:\\Desktop\\Vistrel 2.1.lnk\n")) << text;
    EXPECT_TRUE(Contains(text, "  HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vistrel 2.1\n"
                               "  HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Vistrel.exe\n"))
        << text;
}

TEST(InspectUninstallLog, RefusesADamagedLogWithTheReason)
{
    const std::string log = BuildLog();
    InspectReport report = InspectUninstallLog(AsBytes(log.substr(0, 20)));
    ASSERT_EQ(report.failures.size(), 1u);
    EXPECT_TRUE(Contains(report.failures[0], "fewer than the 48 of its header")) << report.failures[0];

    report = InspectUninstallLog(AsBytes(log.substr(0, log.size() - 1)));
    ASSERT_EQ(report.failures.size(), 1u);
    EXPECT_EQ(report.failures[0], "damaged: the file does not have the size its header records; "
                                  "the uninstaller refuses it and removes nothing");
    EXPECT_TRUE(Contains(report.text, "header\n  file size            " + std::to_string(log.size())));

    report = InspectUninstallLog(AsBytes(BuildLog("", "", "\x01Software\\Other\0\0"s)));
    ASSERT_EQ(report.failures.size(), 1u);
    EXPECT_TRUE(Contains(report.failures[0], "not one of the product's own entries"));
    EXPECT_FALSE(Contains(report.text, "registry keys"));
}

}  // namespace
}  // namespace quillset
