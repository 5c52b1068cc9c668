// Unit tests of the plain logic of quillset try: the shell link reader on bytes, the Wine
// registry parser and snapshot comparison, the scenario made from a package, the driver's and the
// uninstaller watch's printouts read back, the folders a prefix gives its variables, the files
// check, the pictures kept off the Setup.exe, the JSON report, and the display's cookie.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "file_time.h"
#include "try_checks.h"
#include "try_command.h"
#include "try_display.h"
#include "try_driver_output.h"
#include "try_lnk.h"
#include "try_report.h"
#include "try_scenario.h"
#include "try_snapshot.h"
#include "try_wine.h"

namespace quillset {
namespace {

namespace fs = std::filesystem;

void PutU32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// A link as Wine writes one: header, an item id list, LinkInfo with a local base path, and a
// Unicode working folder whose count includes its NUL.
std::vector<std::uint8_t> MakeLink(const std::string& path, const std::string& workingDir, std::uint32_t show)
{
    std::vector<std::uint8_t> bytes(0x4C, 0);
    PutU32(bytes, 0, 0x4C);
    const std::uint8_t clsid[16] = {1, 0x14, 2, 0, 0, 0, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46};
    std::memcpy(bytes.data() + 4, clsid, 16);
    PutU32(bytes, 0x14, 0x1 | 0x2 | 0x10 | 0x80);
    PutU32(bytes, 0x3C, show);
    bytes.insert(bytes.end(), {4, 0, 0xAA, 0xBB, 0xCC, 0xDD});  // id list of 4 bytes
    const std::size_t info = bytes.size();
    const std::uint32_t infoSize = 0x1C + static_cast<std::uint32_t>(path.size()) + 1;
    bytes.resize(info + infoSize, 0);
    PutU32(bytes, info, infoSize);
    PutU32(bytes, info + 4, 0x1C);
    PutU32(bytes, info + 8, 1);
    PutU32(bytes, info + 0x10, 0x1C);
    std::memcpy(bytes.data() + info + 0x1C, path.c_str(), path.size() + 1);
    const std::size_t count = workingDir.size() + 1;
    bytes.push_back(static_cast<std::uint8_t>(count));
    bytes.push_back(0);
    for (const char c : workingDir + '\0') {
        bytes.push_back(static_cast<std::uint8_t>(c));
        bytes.push_back(0);
    }
    return bytes;
}

TEST(TryShellLink, ReadsShowCommandTargetAndWorkingFolderAndRefusesEveryCut)
{
    const auto bytes = MakeLink("C:\\Program Files\\Inkwell\\Inkwell.exe", "C:\\Program Files\\Inkwell", 7);
    const ShellLink link = ParseShellLink(bytes);
    ASSERT_TRUE(link.ok) << link.problem;
    EXPECT_EQ(link.showCommand, 7u);
    EXPECT_EQ(link.localBasePath, "C:\\Program Files\\Inkwell\\Inkwell.exe");
    EXPECT_EQ(link.workingDir, "C:\\Program Files\\Inkwell");

    for (std::size_t size = 0; size < bytes.size(); ++size)
        EXPECT_FALSE(ParseShellLink(std::span(bytes.data(), size)).ok) << "cut at " << size;
    auto wrongClsid = bytes;
    wrongClsid[5] ^= 1;
    EXPECT_EQ(ParseShellLink(wrongClsid).problem, "no shell link header");
}

TEST(TryRegistry, ParsesKeysValuesEscapesAndContinuedLines)
{
    const std::string text =
        "WINE REGISTRY Version 2\n;; All keys relative to \\\\User\\\\S-1-5-21\n\n#arch=win32\n\n"
        "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\Inkwell 1.0] 1700000000\n"
        "#time=1d9\n"
        "\"DisplayName\"=\"Inkwell 1.0\"\n"
        "\"UninstallString\"=\"\\\"C:\\\\Program Files\\\\Inkwell\\\\uninst.exe\\\"\"\n"
        "\"NoModify\"=dword:0000002a\n"
        "\"Blob\"=hex:01,02,\\\n  03,04\n"
        "@=\"default\"\n\n"
        "[Software\\\\Other]\n";
    const RegistryKeys keys = ParseWineRegistry(text);
    ASSERT_EQ(keys.size(), 2u);
    const auto& values = keys.at("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Inkwell 1.0");
    EXPECT_EQ(DescribeRegistryData(values.at("DisplayName")), "Inkwell 1.0");
    EXPECT_EQ(DescribeRegistryData(values.at("UninstallString")), "\"C:\\Program Files\\Inkwell\\uninst.exe\"");
    EXPECT_EQ(DescribeRegistryData(values.at("NoModify")), "42");
    EXPECT_EQ(values.at("Blob"), "hex:01,02,03,04");
    EXPECT_EQ(DescribeRegistryData(values.at("")), "default");
    EXPECT_TRUE(keys.at("Software\\Other").empty());
}

TEST(TrySnapshot, ReadsWinesEscapesForCharactersBeyondAscii)
{
    // Wine writes a UTF-16 unit as \x and up to four hex digits; the package's texts are
    // Windows-1252.
    const RegistryKeys keys = ParseWineRegistry(
        "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\Caf\\xe9 1.0]\n"
        "\"DisplayName\"=\"Caf\\xe9 1.0 \\x20ac\\x00e9t\\x3042\"\n");
    ASSERT_EQ(keys.size(), 1u);
    const auto& [key, values] = *keys.begin();
    EXPECT_EQ(key, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Caf\xe9 1.0");
    EXPECT_EQ(DescribeRegistryData(values.at("DisplayName")), "Caf\xe9 1.0 \x80\xe9t\xe3\x81\x82");
}

TEST(TrySnapshot, ReadsWinesEscapesForControlCharacters)
{
    // As Wine wrote these key and value names: a letter for some, else one to three octal
    // digits, three when an octal digit follows.
    const RegistryKeys keys = ParseWineRegistry("[Software\\\\A\\tB\\nC\\e\\1D\\0015\\19\\x]\n\"v\\a\\37.\"=\"1\"\n");
    ASSERT_EQ(keys.size(), 1u);
    const auto& [key, values] = *keys.begin();
    EXPECT_EQ(key, std::string("Software\\A\tB\nC\x1b\x01" "D\x01" "5\x01" "9x"));
    EXPECT_TRUE(values.contains("v\a\x1f.")) << values.begin()->first;
}

TEST(TrySnapshot, LeavesOutWindowsAndTheUsersTempFoldersButNotTheWayToTheDestination)
{
    std::string folder = (fs::temp_directory_path() / "quillset-snapshot-XXXXXX").string();
    ASSERT_NE(::mkdtemp(folder.data()), nullptr);
    const fs::path drive = fs::path(folder) / "drive_c";
    for (const char* file : {"windows/win.ini", "users/root/Temp/a.tmp", "users/root/AppData/Local/Temp/b.tmp",
                             "Temp/Inkwell/app.exe", "Program Files/Inkwell/temp/c.txt",
                             "users/root/Temp/Inkwell/left.ini"}) {
        fs::create_directories((drive / file).parent_path());
        std::ofstream(drive / file) << "x";
    }
    const PrefixSnapshot snapshot = TakeSnapshot(folder, "C:\\Program Files\\Inkwell");
    const PrefixSnapshot inTemp = TakeSnapshot(folder, "C:\\Users\\root\\TEMP\\Inkwell");
    fs::remove_all(folder);
    for (const char* entry : {"file C:\\Temp\\Inkwell\\app.exe", "file C:\\Program Files\\Inkwell\\temp\\c.txt",
                              "folder C:\\users\\root\\AppData\\Local"})
        EXPECT_TRUE(snapshot.entries.contains(entry)) << entry;
    for (const char* entry : {"folder C:\\windows", "file C:\\users\\root\\Temp\\a.tmp",
                              "folder C:\\users\\root\\AppData\\Local\\Temp", "file C:\\users\\root\\Temp\\Inkwell\\left.ini"})
        EXPECT_FALSE(snapshot.entries.contains(entry)) << entry;
    // A destination in a Temp folder is watched, in any case, and the rest of that folder is not.
    EXPECT_TRUE(inTemp.entries.contains("file C:\\users\\root\\Temp\\Inkwell\\left.ini"));
    EXPECT_FALSE(inTemp.entries.contains("file C:\\users\\root\\Temp\\a.tmp"));
    EXPECT_FALSE(inTemp.entries.contains("file C:\\users\\root\\AppData\\Local\\Temp\\b.tmp"));
}

TEST(TryWorld, RemovesOnlyTheRunFoldersWhoseRunIsGone)
{
    std::string folder = (fs::temp_directory_path() / "quillset-runs-XXXXXX").string();
    ASSERT_NE(::mkdtemp(folder.data()), nullptr);
    const fs::path parent(folder);
    for (const char* run : {"quillset-try.gone", "quillset-try.live", "quillset-try.starting", "other"}) {
        fs::create_directories(parent / run / "prefix");
        if (std::string_view(run) != "quillset-try.starting")
            std::ofstream(parent / run / "run.lock").flush();
    }
    // A live run holds its lock: this open file's lock stands for it.
    const int live = ::open((parent / "quillset-try.live" / "run.lock").c_str(), O_RDONLY);
    ASSERT_GE(live, 0);
    ASSERT_EQ(::flock(live, LOCK_EX), 0);
    RemoveAbandonedRuns(parent);
    EXPECT_FALSE(fs::exists(parent / "quillset-try.gone"));
    for (const char* run : {"quillset-try.live", "quillset-try.starting", "other"})
        EXPECT_TRUE(fs::exists(parent / run / "prefix")) << run;
    ::close(live);
    RemoveAbandonedRuns(parent);
    EXPECT_FALSE(fs::exists(parent / "quillset-try.live")) << "its run has ended";
    fs::remove_all(parent);
}

// A client of the run's display gets in with its cookie only: another cookie for the same
// display, or none, is turned away.
TEST(TryDisplay, ServesOnlyTheClientsThatHoldItsCookie)
{
    std::string folder = (fs::temp_directory_path() / "quillset-display-XXXXXX").string();
    ASSERT_NE(::mkdtemp(folder.data()), nullptr);
    PrivateDisplay display = StartPrivateDisplay(folder);
    struct stat status { };
    ASSERT_EQ(::stat(display.authority.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);
    const auto takePicture = [&](const fs::path& authority) {
        return RunProcess({"xwd", "-root", "-silent", "-out", (fs::path(folder) / "screen.xwd").string()},
                          {"PATH=/usr/bin:/bin", "DISPLAY=" + display.name, "XAUTHORITY=" + authority.string()},
                          {}, 20)
            .exitCode;
    };
    EXPECT_EQ(takePicture(display.authority), 0);
    const fs::path other = fs::path(folder) / "other";
    WriteDisplayCookie(other, std::stoi(display.name.substr(1)));
    EXPECT_NE(takePicture(other), 0);
    EXPECT_NE(takePicture(fs::path(folder) / "none"), 0);
    const std::string socket = "/tmp/.X11-unix/X" + display.name.substr(1);
    EndPrivateDisplay(display);
    EXPECT_FALSE(fs::exists(socket));
    fs::remove_all(folder);
}

TEST(TryTemplate, LinksThatLeadOutOfThePrefixBecomeItsOwnAtAnyDepth)
{
    std::string folder = (fs::temp_directory_path() / "quillset-template-XXXXXX").string();
    ASSERT_NE(::mkdtemp(folder.data()), nullptr);
    const fs::path base(folder);
    const fs::path home = base / "home";
    const fs::path prefix = base / "prefix";
    const fs::path roaming = prefix / "drive_c/users/root/AppData/Roaming/Microsoft/Windows";
    fs::create_directories(home);
    fs::create_directories(roaming);
    std::ofstream(home / "notes.txt") << "the user's own";
    std::ofstream(prefix / "drive_c/inside.txt") << "the prefix's";
    // As Wine makes them: the profile's folders and a deeper one lead to the home.
    fs::create_directory_symlink(home, prefix / "drive_c/users/root/Desktop");
    fs::create_directory_symlink(home, roaming / "Templates");
    fs::create_symlink(home / "notes.txt", prefix / "drive_c/users/root/notes.txt");
    fs::create_symlink("../../inside.txt", prefix / "drive_c/users/root/inside.txt");
    fs::create_directory_symlink("../" + home.filename().string(), prefix / "escape");

    ReplaceOutsideLinks(prefix / "drive_c", prefix);

    for (const fs::path& folderLink : {prefix / "drive_c/users/root/Desktop", roaming / "Templates"}) {
        EXPECT_FALSE(fs::is_symlink(folderLink)) << folderLink;
        EXPECT_TRUE(fs::is_directory(folderLink) && fs::is_empty(folderLink)) << folderLink;
    }
    EXPECT_FALSE(fs::is_symlink(prefix / "drive_c/users/root/notes.txt"));
    std::ifstream copy(prefix / "drive_c/users/root/notes.txt");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(copy), {}), "the user's own");
    EXPECT_TRUE(fs::is_symlink(prefix / "drive_c/users/root/inside.txt"));  // within the prefix
    EXPECT_TRUE(fs::is_symlink(prefix / "escape"));                         // outside the walk
    EXPECT_TRUE(fs::exists(home / "notes.txt"));
    fs::remove_all(base);
}

TEST(TrySnapshot, ListsOnlyWhatWasAddedAndLeavesOutWineOwnKeys)
{
    PrefixSnapshot before, after;
    AddRegistryEntries(before, "HKCU", ParseWineRegistry("[Software\\\\Kept]\n\"A\"=\"1\"\n"));
    AddRegistryEntries(after, "HKCU",
                       ParseWineRegistry("[Software\\\\Kept]\n\"A\"=\"2\"\n[Software\\\\Wine\\\\Fonts]\n\"X\"=\"y\"\n"
                                         "[Software\\\\Left]\n"));
    before.entries.insert("file C:\\users\\root\\gone.txt");
    after.entries.insert("folder C:\\Program Files\\Inkwell");
    EXPECT_EQ(FindAdded(before, after),
              (std::vector<std::string>{"folder C:\\Program Files\\Inkwell", "key HKCU\\Software\\Left",
                                        "value HKCU\\Software\\Kept\\A = 2"}));
    EXPECT_TRUE(FindAdded(after, after).empty());
}

TEST(TryReport, JsonEscapesEveryCharacterThatNeedsItAndFailsOnLeftovers)
{
    EXPECT_EQ(QuoteJson("a\"b\\c\n\t\x01"), "\"a\\\"b\\\\c\\n\\t\\u0001\"");
    EXPECT_EQ(QuoteJson("caf\xe9"), "\"caf\xc3\xa9\"");        // Windows-1252 becomes UTF-8
    EXPECT_EQ(QuoteJson("caf\xc3\xa9"), "\"caf\xc3\xa9\"");    // UTF-8 stays

    TryReport report;
    report.setup = "C:\\Setup.exe";
    report.Pass("files", "all 6 files");
    EXPECT_FALSE(report.Failed());
    EXPECT_NE(FormatReportText(report).find("result: clean installation, not removed"), std::string::npos);
    report.removalRan = true;
    EXPECT_NE(FormatReportText(report).find("result: clean installation and removal"), std::string::npos);
    report.leftovers.push_back("file C:\\Program Files\\Inkwell\\x \"1\".txt");
    EXPECT_TRUE(report.Failed());
    EXPECT_NE(FormatReportText(report).find("result: FAILED (0 failed checks, 1 left behind)\n"), std::string::npos);
    // Without a removal there is no count of what it left.
    TryReport unremoved;
    unremoved.Fail("install", "the installer hung");
    EXPECT_NE(FormatReportText(unremoved).find("result: FAILED (1 failed checks, not removed)\n"), std::string::npos)
        << FormatReportText(unremoved);
    const std::string json = FormatReportJson(report);
    EXPECT_NE(json.find("\"ok\": false"), std::string::npos);
    EXPECT_NE(json.find("\"left_behind\": [\"file C:\\\\Program Files\\\\Inkwell\\\\x \\\"1\\\".txt\"]"),
              std::string::npos) << json;
    EXPECT_NE(json.find("{\"section\": \"files\", \"ok\": true, \"text\": \"all 6 files\"}"), std::string::npos);
    EXPECT_EQ(json.back(), '\n');
    EXPECT_EQ(json[json.size() - 2], '}');
    EXPECT_EQ(json.find("\"error\""), std::string::npos);

    // A run that ended early fails with its reason, whatever its checks said so far.
    TryReport early;
    early.Pass("install", "the wizard went through its pages");
    early.error = "stopped by signal 15";
    EXPECT_TRUE(early.Failed());
    EXPECT_NE(FormatReportJson(early).find("\"ok\": false,\n  \"error\": \"stopped by signal 15\",\n"),
              std::string::npos) << FormatReportJson(early);
}

TEST(TryScenario, FollowsThePackagesPagesAndRefusesChoicesItDoesNotOffer)
{
    TryPackage package;
    package.infoAfter = true;
    package.launchCommand = "\"%InstallDir%\\app.exe\" /x";
    package.desktop = TryShortcut{"App", "%InstallDir%\\app.exe", "", 1, false};
    TryChoices choices;
    choices.dest = "C:\\Apps\\\"odd\"";
    choices.desktop = true;
    // The Start Menu page shows the whole path: the typed name takes the default's place.
    package.menuFolder = "Vendor\\App 1.0";
    choices.menuFolder = "App";
    const std::string scenario = MakeScenario(package, choices);
    EXPECT_NE(scenario.find("expect page startmenu\nset tail 1004 \"Vendor\\\\App 1.0\" \"App\"\n"), std::string::npos)
        << scenario;
    EXPECT_EQ(scenario.find("expect page info\n"), scenario.rfind("expect page info\n"));  // only after
    EXPECT_LT(scenario.find("expect page ready"), scenario.find("expect page info"));
    EXPECT_LT(scenario.find("expect page finish"), scenario.find("uncheck 1013"));
    EXPECT_NE(scenario.find("set 1004 \"C:\\\\Apps\\\\\\\"odd\\\"\"\n"), std::string::npos) << scenario;
    EXPECT_NE(scenario.find("check 1016\n"), std::string::npos);
    EXPECT_EQ(scenario.find("shot "), std::string::npos);

    // The installation is waited for as long as the run may take, after the Ready page's hook.
    choices.installSeconds = 301;
    choices.readySteps = "touch \"C:\\x\"";
    const std::string hooked = MakeScenario(package, choices);
    EXPECT_LT(hooked.find("expect page ready\ntouch \"C:\\x\"\npress next\nawait installation 301\n"),
              hooked.find("expect page info")) << hooked;

    choices.startup = true;
    EXPECT_THROW(MakeScenario(package, choices), std::runtime_error);
    EXPECT_EQ(FindProgramOfCommand(*package.launchCommand), "%InstallDir%\\app.exe");
    EXPECT_EQ(FindProgramOfCommand("C:\\a.exe /S"), "C:\\a.exe");
}

TEST(TryDestination, TakesWhatTheWizardKeepsAndRefusesOneOffDriveCOrInTheWindowsFolder)
{
    EXPECT_EQ(ReadDestination("C:\\Program Files\\Inkwell"), "C:\\Program Files\\Inkwell");
    // As the Destination page keeps it: slashes are backslashes, doubled ones are one.
    EXPECT_EQ(ReadDestination("C:/Probe"), "C:\\Probe");
    EXPECT_EQ(ReadDestination(" c:\\Apps//Ink/ "), "c:\\Apps\\Ink");
    for (const char* refused : {"Z:\\tmp\\x", "Probe", "C:Probe", "C:\\windows\\Probe", "C:/Windows. \\Probe",
                                "C:\\\\windows\\Probe", "C://WINDOWS/Probe"})
        EXPECT_THROW(ReadDestination(refused), std::runtime_error) << refused;
}

// The refusal's text, or nothing when the pictures may be written.
std::string CheckPictures(const TryCommand& command, const std::string& scenario)
{
    try {
        CheckPictureOutputs(command, scenario);
        return "";
    } catch (const std::runtime_error& error) {
        return error.what();
    }
}

TEST(TryOutputs, RefusesAPictureThatWouldReplaceTheSetupExeWhateverNamesIt)
{
    std::string folder = (fs::temp_directory_path() / "quillset-outputs-XXXXXX").string();
    ASSERT_NE(::mkdtemp(folder.data()), nullptr);
    const fs::path shots = fs::path(folder) / "shots";
    fs::create_directories(shots);
    TryCommand command;
    command.setup = fs::path(folder) / "Setup.exe";
    command.shots = shots;
    std::ofstream(command.setup) << "MZ";
    TryChoices choices;
    choices.shots = true;
    const std::string scenario = MakeScenario(TryPackage{}, choices);
    EXPECT_EQ(CheckPictures(command, scenario), "");

    // A shot's picture through a link, the hang's in the --shots folder, and without --shots
    // the hang's in the current folder.
    fs::create_symlink(command.setup, shots / "wizard-installing.png");
    EXPECT_NE(CheckPictures(command, scenario).find("wizard-installing.png: the output would replace the "
                                                    "Setup.exe being tried"), std::string::npos);
    fs::remove(shots / "wizard-installing.png");
    command.setup = shots / "timeout.png";
    std::ofstream(command.setup) << "MZ";
    EXPECT_NE(CheckPictures(command, scenario).find("name another folder with --shots"), std::string::npos);
    const fs::path current = fs::current_path();
    fs::current_path(folder);
    command.shots.clear();
    command.setup = "uninstall-timeout.png";
    std::ofstream(command.setup) << "MZ";
    EXPECT_NE(CheckPictures(command, MakeScenario(TryPackage{}, {})), "");
    command.setup = "Setup.exe";
    EXPECT_EQ(CheckPictures(command, MakeScenario(TryPackage{}, {})), "");

    // The JSON report as one of the pictures, and --shots naming a file.
    command.shots = "shots";
    command.json = "shots/../shots/wizard-welcome.png";
    EXPECT_NE(CheckPictures(command, scenario).find("--json shots/../shots/wizard-welcome.png is also the picture "),
              std::string::npos);
    command.json.clear();
    command.shots = "Setup.exe";
    EXPECT_EQ(CheckPictures(command, scenario), "--shots Setup.exe is a file, not a folder for the pictures");
    fs::current_path(current);
    fs::remove_all(folder);
}

TEST(TryFolders, ExpandsEveryVariableAsTheInstallationSawItAndNoneOnlyTheWizardKnows)
{
    const std::filesystem::path prefix = std::filesystem::temp_directory_path() / "quillset-try-folders";
    std::filesystem::remove_all(prefix);
    std::filesystem::create_directories(prefix / "drive_c" / "users" / "me" / "Temp");
    InstalledProduct product;
    product.prefix = prefix;
    product.dest = "D:\\Apps\\Ink";
    const std::string shell = "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Explorer\\\\Shell Folders]\n";
    product.user = ParseWineRegistry(
        shell + "\"Desktop\"=\"C:\\\\users\\\\me\\\\Desktop\"\n\"StartUp\"=\"C:\\\\S\\\\StartUp\"\n"
                "\"SendTo\"=str(2):\"%USERPROFILE%\\\\SendTo\"\n"
                "[Environment]\n\"TMP\"=\"C:\\\\nowhere\"\n\"TEMP\"=\"C:\\\\users\\\\me\\\\Temp\"\n");
    product.machine = ParseWineRegistry("[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion]\n"
                                        "\"ProgramFilesDir\"=\"E:\\\\Programme\"\n");
    const CheckFolders folders = FindPrefixFolders(product, "C:\\M\\Ink 1.0");
    EXPECT_EQ(ExpandForCheck("%ProgramFiles%\\a.exe", folders), "E:\\Programme\\a.exe");
    EXPECT_EQ(ExpandForCheck("%DesktopDir%|%StartupMenu%|%MenuFolder%|%InstallDir%", folders),
              "C:\\users\\me\\Desktop|C:\\S\\StartUp|C:\\M\\Ink 1.0|D:\\Apps\\Ink");
    // TMP names no folder, so TEMP is taken, as the wizard takes it.
    EXPECT_EQ(ExpandForCheck("%TempDir%\\x", folders), "C:\\users\\me\\Temp\\x");
    EXPECT_EQ(ExpandForCheck("%SystemDir%\\notepad.exe %1 100%", folders), "C:\\windows\\system32\\notepad.exe %1 100%");
    EXPECT_EQ(ExpandForCheck("%Handle%", folders), std::nullopt);
    EXPECT_EQ(ExpandForCheck("%SendToDir%\\x", folders), std::nullopt);  // written with a variable in it
    EXPECT_EQ(ExpandForCheck("%StartMenu%\\x", folders), std::nullopt);  // not in Shell Folders
    EXPECT_EQ(ExpandForCheck(std::string(300, 'a') + "%InstallDir%", folders), std::nullopt);  // no path

    // Without a folder TMP or TEMP names, the Windows folder; without the log, no menu folder.
    product.user = {};
    const CheckFolders bare = FindPrefixFolders(product, "");
    EXPECT_EQ(ExpandForCheck("%TempDir%", bare), "C:\\windows");
    EXPECT_EQ(ExpandForCheck("%MenuFolder%\\a.lnk", bare), std::nullopt);
    EXPECT_EQ(ExpandForCheck("%ProgramFiles%", bare), "E:\\Programme");
    std::filesystem::remove_all(prefix);
}

// The lines of the files check, each with its outcome first.
std::vector<std::string> CheckFileLines(const TryPackage& package, const InstalledProduct& product)
{
    TryReport report;
    CheckFiles(report, package, product);
    std::vector<std::string> lines;
    for (const TryCheck& check : report.checks)
        lines.push_back((check.ok ? "ok " : "FAILED ") + check.text);
    return lines;
}

TEST(TryChecks, FilesPassOnlyWhenEveryFileAndFolderOfThePackageIsThere)
{
    std::string folder = (fs::temp_directory_path() / "quillset-files-XXXXXX").string();
    ASSERT_NE(::mkdtemp(folder.data()), nullptr);
    const fs::path dest = fs::path(folder) / "drive_c" / "App";
    fs::create_directories(dest / "empty");
    TryPackage package;
    TryFile emptyFolder;
    emptyFolder.path = "empty";
    emptyFolder.directory = true;
    package.files.push_back(emptyFolder);
    for (const char* name : {"a.txt", "b.txt"}) {
        std::ofstream(dest / name).flush();
        struct stat info {};
        ASSERT_EQ(::stat((dest / name).c_str(), &info), 0);
        TryFile file;
        file.path = name;
        file.lastWriteTime = ConvertToFileTime(info.st_mtim.tv_sec, info.st_mtim.tv_nsec).value();
        package.files.push_back(file);
    }
    InstalledProduct product;
    product.prefix = folder;
    product.dest = "C:\\App";
    const std::vector<std::string> sound = CheckFileLines(package, product);
    ASSERT_EQ(sound.size(), 1u);
    EXPECT_TRUE(sound[0].starts_with("ok all 2 files of the package are installed in C:\\App")) << sound[0];

    // A missing folder, then one file, then every one: each fails, and nothing passes.
    fs::remove(dest / "empty");
    EXPECT_EQ(CheckFileLines(package, product), std::vector<std::string>{"FAILED C:\\App\\empty is missing"});
    fs::create_directories(dest / "empty");
    fs::remove(dest / "a.txt");
    EXPECT_EQ(CheckFileLines(package, product), std::vector<std::string>{"FAILED C:\\App\\a.txt is missing"});
    fs::remove(dest / "b.txt");
    EXPECT_EQ(CheckFileLines(package, product),
              (std::vector<std::string>{"FAILED C:\\App\\a.txt is missing", "FAILED C:\\App\\b.txt is missing"}));

    // A package name is Windows-1252 even where its bytes would also read as UTF-8: "\xC3\xA9"
    // is "Ã©", which Wine keeps as those two characters.
    TryPackage odd;
    TryFile file;
    file.path = "\xC3\xA9.txt";
    odd.files.push_back(file);
    std::ofstream(dest / "\u00C3\u00A9.txt").flush();
    struct stat info {};
    ASSERT_EQ(::stat((dest / "\u00C3\u00A9.txt").c_str(), &info), 0);
    odd.files[0].lastWriteTime = ConvertToFileTime(info.st_mtim.tv_sec, info.st_mtim.tv_nsec).value();
    const std::vector<std::string> named = CheckFileLines(odd, product);
    ASSERT_EQ(named.size(), 1u);
    EXPECT_TRUE(named[0].starts_with("ok all 1 files")) << named[0];
    fs::remove_all(folder);
}

TEST(TryDriverOutput, TellsPagesPassedWhereTheWizardStoodAndTheBoxThatStoppedIt)
{
    // A clean run: the Ready page twice (the pictured exit question), an information text after.
    const DriverOutcome clean = ReadDriverOutput(
        "   1  start\r\n   2  expect page welcome\n   3  press next\n   4  expect page info\n   5  press next\n"
        "   6  expect page ready\n   7  press cancel\n   8  expect page ready\n   9  press next\n"
        "  10  await installation 121\n      (took 3.2 s)\n  11  expect page info\n  12  press next\n"
        "  13  expect page finish\nscenario.txt: all 13 steps passed\n");
    EXPECT_EQ(clean.pages, (std::vector<std::string>{"welcome", "info", "ready", "info-after", "finish"}));
    EXPECT_EQ(clean.standing, "finish");
    EXPECT_TRUE(clean.failure.empty());

    // An error box while installing: the Ready page was left, so the wizard stood on Installing.
    const DriverOutcome box = ReadDriverOutput(
        "   1  expect page ready\n   2  press next\n   3  await installation 121\n"
        "scenario.txt:3: FAILED: await installation 121\n"
        "    a message box \"Setup Error\": \"Cannot create the destination directory.\" is open\n");
    EXPECT_EQ(box.pages, std::vector<std::string>{"ready"});
    EXPECT_EQ(box.standing, "installing");
    EXPECT_EQ(box.messageBox, "\"Setup Error\": \"Cannot create the destination directory.\"");
    EXPECT_EQ(box.failure, "await installation 121: a message box \"Setup Error\": \"Cannot create the "
                           "destination directory.\" is open");

    // A page whose expectation failed was not passed; a reason without a box names none.
    const DriverOutcome wrong = ReadDriverOutput(
        "   1  expect page welcome\n   2  press next\n   3  expect page destination\n"
        "x.txt:3: FAILED: expect page destination\n    as run: expect page destination\n"
        "    expected the destination page, saw the welcome page (after waiting 20 s)\n");
    EXPECT_EQ(wrong.pages, std::vector<std::string>{"welcome"});
    EXPECT_EQ(wrong.standing, "welcome");
    EXPECT_TRUE(wrong.messageBox.empty());
    EXPECT_EQ(wrong.failure, "expect page destination: expected the destination page, saw the welcome page "
                             "(after waiting 20 s)");

    // Cut off by the deadline in the middle: the last step started is known, nothing failed.
    const DriverOutcome cut = ReadDriverOutput("   1  start\n   2  expect page welcome\n   3  pre");
    EXPECT_EQ(cut.standing, "welcome");
    EXPECT_EQ(cut.lastStep, "pre");
    EXPECT_EQ(ReadDriverOutput("").standing, "none");
}

TEST(TryWatchOutput, ReadsQuestionsMessagesAndTheExitCodeOnlyWhenItEnded)
{
    const WatchOutcome ended = ReadWatchOutput(
        "command line: \"C:\\P\\uninst.exe\"\r\nquestion: Remove it?\r\nmessage: Gone. question: no\n"
        "exit code: 3\n");
    EXPECT_EQ(ended.questions, std::vector<std::string>{"Remove it?"});
    EXPECT_EQ(ended.messages, std::vector<std::string>{"Gone. question: no"});
    EXPECT_EQ(ended.exitCode, 3);
    const WatchOutcome unstarted = ReadWatchOutput("FAIL: cannot start x\nFAIL: later\n");
    EXPECT_FALSE(unstarted.exitCode.has_value());
    EXPECT_EQ(unstarted.failure, "cannot start x");
}

}  // namespace
}  // namespace quillset
