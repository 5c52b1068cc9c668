// Tests of the manifest reader: a complete manifest read into every field, and refusals that
// name the file and the line of the fault.
#include <gtest/gtest.h>

#include "manifest.h"
#include "test_support.h"

namespace quillset {
namespace {

using test::TemporaryFolder;

constexpr std::string_view FULL_EXTRA = R"(
[[shortcut]]
id = "main"
name = "Vistrel 2.1"
target = '%InstallDir%\Vistrel.exe'
working_dir = '%InstallDir%'
[[shortcut]]
id = "help"
name = "Hilfe für Vistrel"
target = '%InstallDir%\docs - 2.1\read me.txt'
show = "maximized"
start_menu = false
[single_shortcuts]
desktop = "main"
startup = "help"
[run.launch]
program = '%InstallDir%\Vistrel.exe'
[run.post_install]
program = '%InstallDir%\Tools - 2.0\setup helper.exe'
arguments = "/quiet /x"
working_dir = '%InstallDir%'
show = "hidden"
wait = true
[run.uninstall]
program = '%InstallDir%\uninst.exe'
)";

TEST(Manifest, ReadsEveryTable)
{
    TemporaryFolder folder;
    const auto file = test::WriteSampleProject(folder.GetPath(), FULL_EXTRA);
    const Manifest manifest = ReadManifest(file);

    EXPECT_EQ(manifest.shortName, "Vistrel");
    EXPECT_EQ(manifest.installDir, "%ProgramFiles%\\Vistrel");
    EXPECT_FALSE(manifest.notice.has_value());
    EXPECT_FALSE(manifest.infoBefore.has_value());
    EXPECT_EQ(manifest.source, folder.GetPath() / "product");
    ASSERT_EQ(manifest.shortcuts.size(), 2u);
    EXPECT_EQ(manifest.shortcuts[1].name, "Hilfe f\xFCr Vistrel");
    EXPECT_EQ(manifest.shortcuts[1].showMode, 2);
    EXPECT_FALSE(manifest.shortcuts[1].startMenu);
    EXPECT_TRUE(manifest.shortcuts[0].startMenu);
    EXPECT_EQ(manifest.shortcuts[0].workingDir, "%InstallDir%");
    EXPECT_EQ(manifest.shortcuts[1].workingDir, "");
    EXPECT_EQ(manifest.shortcuts[1].target, "%InstallDir%\\docs - 2.1\\read me.txt");
    EXPECT_EQ(manifest.desktopShortcut, 0u);
    EXPECT_FALSE(manifest.quickLaunchShortcut.has_value());
    EXPECT_EQ(manifest.startupShortcut, 1u);
    ASSERT_TRUE(manifest.launch && manifest.postInstall && manifest.uninstall);
    EXPECT_EQ(manifest.launch->commandLine, "%InstallDir%\\Vistrel.exe");
    EXPECT_EQ(manifest.postInstall->commandLine, "\"%InstallDir%\\Tools - 2.0\\setup helper.exe\" /quiet /x");
    EXPECT_EQ(manifest.postInstall->showMode, 3);
    EXPECT_TRUE(manifest.postInstall->wait);
    EXPECT_FALSE(manifest.uninstall->wait);
    EXPECT_EQ(manifest.uninstall->commandLine, "%InstallDir%\\uninst.exe");
}

TEST(Manifest, ReadsProductOptionsAndAttributes)
{
    TemporaryFolder folder;
    const auto file = test::WriteSampleProject(folder.GetPath());
    test::WriteFile(
        file, "[product]\nshort_name='V'\ndisplay_name='V 1'\ninstall_dir='C:\\V'\nmenu_folder='V\\Tools'\n"
              "notice=\"one\\ntwo\"\nevent_name='VEvent'\ninfo_before='before.txt'\ninfo_after='after.txt'\n"
              "[files]\nsource='product'\nuninstaller='own'\n[files.attributes]\n'uninst.exe'='normal'\n"
              "'docs/readme.txt'='readonly  hidden archive system'\n");
    const Manifest manifest = ReadManifest(file);
    EXPECT_EQ(manifest.notice, "one\ntwo");
    EXPECT_EQ(manifest.eventName, "VEvent");
    EXPECT_EQ(manifest.infoAfter, folder.GetPath() / "after.txt");
    ASSERT_EQ(manifest.attributeOverrides.size(), 2u);  // in key order
    EXPECT_EQ(manifest.attributeOverrides[0].path, (std::vector<std::string>{"docs", "readme.txt"}));
    EXPECT_EQ(manifest.attributeOverrides[0].bits, 0x27u);
    EXPECT_EQ(manifest.attributeOverrides[0].line, 15u);
    EXPECT_EQ(manifest.uninstaller, UninstallerChoice::Own);
    EXPECT_EQ(manifest.attributeOverrides[1].path, std::vector<std::string>{"uninst.exe"});
    EXPECT_EQ(manifest.attributeOverrides[1].bits, 0u);
}

TEST(Manifest, WarnsAboutRunEntriesThatAreNoPrograms)
{
    TemporaryFolder folder;
    EXPECT_TRUE(ReadManifest(test::WriteSampleProject(folder.GetPath(), FULL_EXTRA)).warnings.empty());
    const auto file = test::WriteSampleProject(folder.GetPath(), "[run.launch]\nprogram='%InstallDir%\\manual.txt'\n");
    const Manifest manifest = ReadManifest(file);
    ASSERT_EQ(manifest.warnings.size(), 1u);
    EXPECT_NE(manifest.warnings[0].find(":10: 'program' in [run.launch] is \"%InstallDir%\\manual.txt\", which "
                                        "does not end in .exe"),
              std::string::npos)
        << manifest.warnings[0];

    // A short name longer than the page headers hold, counted in characters ("\u00E9" is two
    // bytes in the manifest).
    for (const std::size_t length : {24, 25}) {
        std::string name;
        for (std::size_t i = 0; i < length; ++i)
            name += "\u00E9";
        std::string text = test::GetMinimalManifest() + "uninstaller = \"own\"\n";
        text.replace(text.find("\"Vistrel\""), 9, "\"" + name + "\"");
        test::WriteFile(file, text);
        const Manifest named = ReadManifest(file);
        ASSERT_EQ(named.warnings.size(), length == 25 ? 1u : 0u) << length;
        if (length == 25) {
            EXPECT_NE(named.warnings[0].find(":2: 'short_name' is 25 characters long; the wizard's page headers"),
                      std::string::npos)
                << named.warnings[0];
        }
    }

    // A launch program outside the product's folder keeps its App Paths key at the removal.
    for (const char* program : {"%WindowsDir%\\notepad.exe", "C:\\Tools\\a.exe"}) {
        const Manifest outside = ReadManifest(test::WriteSampleProject(
            folder.GetPath(), "[run.launch]\nprogram='" + std::string(program) + "'\n"));
        ASSERT_FALSE(outside.warnings.empty()) << program;
        EXPECT_NE(outside.warnings.back().find("outside %InstallDir%; the installer registers it under App Paths"),
                  std::string::npos)
            << outside.warnings.back();
    }
}

TEST(Manifest, ComposesRunCommandLines)
{
    EXPECT_EQ(ComposeCommandLine("C:\\Program Files\\a.exe", ""), "C:\\Program Files\\a.exe");
    EXPECT_EQ(ComposeCommandLine("%InstallDir%\\a b.exe", "-u \"x y\""),
              "\"%InstallDir%\\a b.exe\" -u \"x y\"");
}

struct BadManifest {
    std::string extra;  // appended after [files] (line 9 is its first line)
    int line;
    const char* message;
};

class ManifestErrors : public testing::TestWithParam<BadManifest> { };

TEST_P(ManifestErrors, NameFileLineAndFault)
{
    TemporaryFolder folder;
    const auto file = test::WriteSampleProject(folder.GetPath(), GetParam().extra);
    try {
        ReadManifest(file);
        FAIL() << "accepted";
    } catch (const ManifestError& error) {
        const std::string where = file.string() + ":" + std::to_string(GetParam().line) + ": ";
        EXPECT_EQ(std::string(error.what()).rfind(where, 0), 0u) << error.what();
        EXPECT_NE(std::string(error.what()).find(GetParam().message), std::string::npos) << error.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ManifestErrors,
    testing::Values(
        BadManifest{"[[shortcut]]\nid='main'\nname='A'\ntarget='t'\n[single_shortcuts]\ndesktop = 'mian'\n",
                    14, "\"mian\", which no [[shortcut]] has (ids: main)"},
        BadManifest{"[[shortcut]]\nname='A'\ntarget='t'\nshow='tiny'\n", 12,
                    "use normal, minimized, maximized or hidden"},
        BadManifest{"[run.launch]\nprogram='x.exe'\narguments='-a'\n", 11, "takes no 'arguments'"},
        BadManifest{"[[shortcut]]\nname='A'\n", 9, "missing the required key 'target'"},
        BadManifest{"[run\n", 9, ""},
        BadManifest{"[run.uninstall]\nprogram='x'\nwiat=true\n", 11, "unknown key 'wiat' in [run.uninstall]"},
        BadManifest{"[[shortcut]]\nname=\"\\u4E2D\"\ntarget='t'\n", 10, "U+4E2D is not in the Windows-1252"},
        BadManifest{"[[shortcut]]\nname=5\ntarget='t'\n", 10, "must be a string"},
        BadManifest{"[[shortcut]]\nname='A'\ntarget='t'\nstart_menu='yes'\n", 12, "must be true or false"},
        BadManifest{
            "[[shortcut]]\nid='a'\nname='A'\ntarget='t'\n[[shortcut]]\nid='a'\nname='B'\ntarget='t'\n", 14,
            "a second shortcut has the id \"a\""},
        BadManifest{"[[shortcut]]\nname='CON'\ntarget='t'\n", 10, "reserved device name"},
        // Names and paths in messages are UTF-8, as the manifest writes them.
        BadManifest{"[[shortcut]]\nname='COM¹'\ntarget='t'\n", 10, "'COM¹' is a reserved device name"},
        BadManifest{"[run.launch]\nprogram='%InstallDir%\\Café.exe -x'\n", 10,
                    "is \"%InstallDir%\\Café.exe\" followed by the arguments \"-x\""},
        BadManifest{"[run.post_install]\nprogram='a\"b.exe'\n", 10, "cannot contain a double quote"},
        BadManifest{"[files.attributes]\n'docs'='shiny'\n", 10, "unknown attribute word \"shiny\""},
        BadManifest{"[files.attributes]\n'docs'='normal hidden'\n", 10, "'normal' cannot be combined"},
        BadManifest{"[files.attributes]\n'../x'='hidden'\n", 10, "is not a relative path"},
        BadManifest{"[shortcut]\nname='A'\n", 9, "must be written as [[shortcut]] tables"},
        BadManifest{"shortcut = 3\n", 9, "unknown key 'shortcut' in [files]"},
        BadManifest{"[[shortcut]]\nname='A'\ntarget='%InstalDir%\\a.exe'\n", 11,
                    "'target' in [[shortcut]] names %InstalDir%, which is no folder variable; use one of "
                    "%ProgramFiles%, %CommonFiles%, %StartMenu%, %ProgramsMenu%, %StartupMenu%, %InstallDir%, "
                    "%MenuFolder%, %WindowsDir%, %SystemDir%, %TempDir%, %SendToDir%, %DesktopDir% and %Handle%"},
        BadManifest{"[run.launch]\nprogram='%SystemDir%\\a.exe'\nworking_dir='%installdir%'\n", 11,
                    "'working_dir' in [run.launch] names %installdir%"},
        // A name right after a folder's variable would make a sibling of that folder.
        BadManifest{"[[shortcut]]\nname='A'\ntarget='%InstallDir%App.exe'\n", 11,
                    "'target' in [[shortcut]] follows %InstallDir% with \"A\" directly; the variable names a "
                    "whole folder: write a backslash after it, as in '%InstallDir%\\App.exe'"},
        BadManifest{"[run.launch]\nprogram='%SystemDir%\\a.exe'\nworking_dir='%InstallDir%bin'\n", 11,
                    "'working_dir' in [run.launch] follows %InstallDir% with \"b\" directly"},
        // A known token is skipped whole, so its closing sign does not open "x%".
        BadManifest{"[run.uninstall]\nprogram='a.exe'\narguments='%InstallDir%x% 100% %1 %USERPROFILE%'\n", 11,
                    "'arguments' in [run.uninstall] names %USERPROFILE%"},
        // The uninstaller knows only the two folders that its log records.
        BadManifest{"[run.uninstall]\nprogram='%SystemDir%\\cmd.exe'\n", 10,
                    "'program' in [run.uninstall] names %SystemDir%, which the uninstaller does not expand; only "
                    "%InstallDir% and %MenuFolder% are available there"},
        BadManifest{"[run.uninstall]\nprogram='%InstallDir%\\a.exe'\narguments='%MenuFolder% %Handle%'\n", 11,
                    "'arguments' in [run.uninstall] names %Handle%, which the uninstaller does not expand"},
        // Only the command text reaches the uninstall log.
        BadManifest{"[run.uninstall]\nprogram='a.exe'\nworking_dir='%InstallDir%'\n", 11,
                    "'working_dir' is not taken in [run.uninstall]: the uninstall command always runs in the "
                    "product's folder, in the default show mode, and is waited for; remove the key"},
        BadManifest{"[run.uninstall]\nprogram='a.exe'\nshow='hidden'\n", 11,
                    "'show' is not taken in [run.uninstall]"},
        BadManifest{"[run.uninstall]\nprogram='a.exe'\nwait=false\n", 11,
                    "'wait' is not taken in [run.uninstall]"},
        BadManifest{"[run.launch]\nprogram='a.exe'\nwait=true\n", 11,
                    "'wait' is not taken in [run.launch]: the Finish page starts the program and closes "
                    "without waiting for it"},
        // The log keeps the uninstall command as written, before its folders are expanded.
        BadManifest{"[run.uninstall]\nprogram='%InstallDir%\\app.exe'\narguments='/x " + std::string(240, 'a') +
                        "'\n",
                    10, "the command line of [run.uninstall] is 266 characters long as written"},
        BadManifest{"[run.launch]\nprogram='%InstallDir%\\My App.EXE -x'\n", 10,
                    "'program' in [run.launch] is \"%InstallDir%\\My App.EXE\" followed by the arguments "
                    "\"-x\"; the launch entry runs a plain program path and takes no arguments"},
        // Start Menu shortcuts share one folder, where names do not differ by case; a shortcut
        // outside the Start Menu may have a Start Menu shortcut's name.
        BadManifest{"[[shortcut]]\nname='Demo'\ntarget='t'\n[[shortcut]]\nname='x'\ntarget='t'\nstart_menu=false\n"
                    "[[shortcut]]\nname='DEMO'\ntarget='t'\n",
                    17, "a second Start Menu shortcut is named \"DEMO\""},
        // The installer expands targets, folders and command lines into 260-character buffers.
        BadManifest{"[[shortcut]]\nname='A'\ntarget='%InstallDir%\\" + std::string(240, 't') + ".exe'\n", 11, "the shortcut's 'target' is longer than the installer's 259 characters"},
        BadManifest{"[run.post_install]\nprogram='%SystemDir%\\cmd.exe'\narguments='/c echo "
                    "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"
                    "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"
                    "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa'\n",
                    10, "the command line of [run.post_install] is longer than the installer's 259 characters"},
        // A single shortcut's link is measured in its own folder.
        BadManifest{"[[shortcut]]\nid='s'\nname='" + std::string(190, 'n') + "'\ntarget='t'\nstart_menu=false\n"
                    "[single_shortcuts]\nquick_launch='s'\n",
                    15, "'quick_launch': its link would be \"C:\\Documents and Settings"},
        // A link names its target alone: arguments, as far as they can be told, are refused.
        BadManifest{"[[shortcut]]\nname='A'\ntarget='%WindowsDir%\\notepad.exe %InstallDir%\\readme.txt'\n",
                    11,
                    "the shortcut's 'target' is \"%WindowsDir%\\notepad.exe\" followed by the arguments "
                    "\"%InstallDir%\\readme.txt\"; a link starts its target without arguments"},
        BadManifest{"[[shortcut]]\nname='A'\ntarget='%SystemDir%\\cmd /k'\n", 11,
                    "the shortcut's 'target' is \"%SystemDir%\\cmd\" followed by the arguments \"/k\""},
        BadManifest{"[run.post_install]\nprogram='%SystemDir%\\cmd /c exit 3'\n", 10,
                    "is \"%SystemDir%\\cmd\" followed by the arguments \"/c exit 3\"; give the path alone in "
                    "'program' and the rest in 'arguments'"}));

TEST(ManifestProductErrors, PointAtTheKeyOrTheTable)
{
    TemporaryFolder folder;
    const auto file = test::WriteSampleProject(folder.GetPath());
    const auto expectError = [&](const std::string& text, const std::string& expected) {
        test::WriteFile(file, text);
        try {
            ReadManifest(file);
            ADD_FAILURE() << "accepted: " << text;
        } catch (const ManifestError& error) {
            EXPECT_NE(std::string(error.what()).find(expected), std::string::npos) << error.what();
        }
    };
    const std::string files = "[files]\nsource='product'\n";
    expectError("[product]\nshort_name='V'\ninstall_dir='C:\\x'\nmenu_folder='m'\n" + files,
                ":1: [product] is missing the required key 'display_name'");
    expectError("[product]\nshort_name='V'\ndisplay_name=''\ninstall_dir='C:\\x'\nmenu_folder='m'\n" + files,
                ":3: 'display_name' in [product] must not be empty");
    expectError("[product]\nshort_name='V'\ndisplay_name='V\\2.1'\ninstall_dir='C:\\x'\nmenu_folder='m'\n" + files,
                ":3: 'display_name' cannot contain a backslash");
    expectError("[product]\nshort_name='V'\ndisplay_name='   '\ninstall_dir='C:\\x'\nmenu_folder='m'\n" + files,
                ":3: 'display_name' is blank");
    expectError("[product]\nshort_name=' \t'\ndisplay_name='V'\ninstall_dir='C:\\x'\nmenu_folder='m'\n" + files,
                ":2: 'short_name' is blank");
    // TOML's escapes give a tab or a line break that the name would carry into the registry.
    expectError("[product]\nshort_name='V'\ndisplay_name=\"V\\t2.1\"\ninstall_dir='C:\\x'\nmenu_folder='m'\n" + files,
                ":3: 'display_name' cannot contain control characters");
    expectError("[product]\nshort_name=\"V\\nW\"\ndisplay_name='V'\ninstall_dir='C:\\x'\nmenu_folder='m'\n" + files,
                ":2: 'short_name' cannot contain control characters");
    // The limit counts Windows-1252 characters: "\u00E9" is two bytes in the manifest, one stored.
    std::string accented;
    // A longer name makes the key's path longer than the ANSI registry calls take (Wine answers
    // ERROR_MORE_DATA), and the installation would register no entry.
    for (int i = 0; i < 209; ++i)
        accented += "\u00E9";
    expectError("[product]\nshort_name='V'\ndisplay_name=\"" + accented +
                    "\"\ninstall_dir='C:\\x'\nmenu_folder='m'\n" + files,
                ":3: 'display_name' is 209 characters long; it names the product's Uninstall registry key, "
                "which takes at most 208 (the key's path may not pass 260 characters)");
    test::WriteFile(file, "[product]\nshort_name='V'\ndisplay_name=\"" + accented.substr(2) +
                              "\"\ninstall_dir='C:\\x'\nmenu_folder='m'\n" + files + "uninstaller='own'\n");
    EXPECT_EQ(ReadManifest(file).displayName.size(), 208u);
    expectError("[product]\nshort_name='V'\ndisplay_name='D'\ninstall_dir='C:\\x'\nmenu_folder='m'\ninfo_before='"
                "gone.txt'\n" +
                    files,
                ":6: 'info_before': no file");
    expectError("[product]\nshort_name='V'\ndisplay_name='D'\ninstall_dir='C:\\a|b'\nmenu_folder='m'\n" +
                    files,
                ":4: 'install_dir' cannot contain");
    expectError("[product]\nshort_name='V'\ndisplay_name='D'\ninstall_dir='C:\\x'\nmenu_folder='m'\n"
                "event_name='Vistrel\\Running'\n" + files,
                ":6: 'event_name' \"Vistrel\\Running\" holds a backslash");
    expectError("[product]\nshort_name='V'\ndisplay_name='D'\ninstall_dir='C:\\x'\nmenu_folder='m'\nevent_name='" +
                    std::string(260, 'e') + "'\n" + files,
                ":6: 'event_name' is 260 characters long; Windows takes at most 259");
    test::WriteFile(file, "[product]\nshort_name='V'\ndisplay_name='D'\ninstall_dir='C:\\x'\nmenu_folder='m'\n"
                          "event_name='Global\\VistrelRunning'\n" + files + "uninstaller='own'\n");
    EXPECT_EQ(ReadManifest(file).eventName, "Global\\VistrelRunning");
    // Every folder of the destination is made by the wizard, the drive and a leading folder
    // variable aside.
    expectError("[product]\nshort_name='V'\ndisplay_name='D'\ninstall_dir='C:\\CON\\x'\nmenu_folder='m'\n" + files,
                ":4: 'install_dir': 'CON' is a reserved device name");
    expectError("[product]\nshort_name='V'\ndisplay_name='D'\ninstall_dir='%ProgramFiles%\\Demo.'\nmenu_folder='m'\n" +
                    files,
                ":4: 'install_dir': a name cannot end in a dot");
    test::WriteFile(folder.GetPath() / "product" / "UNINST.DAT", "mine");
    expectError("[product]\nshort_name='V'\ndisplay_name='D'\ninstall_dir='C:\\x'\nmenu_folder='m'\n" + files,
                ":7: the source folder holds UNINST.DAT at its top level, the name of the uninstall log");
    std::filesystem::remove(folder.GetPath() / "product" / "UNINST.DAT");
    expectError("[product]\nshort_name='V'\ndisplay_name='D'\ninstall_dir='C:\\x'\nmenu_folder='a\\b.'\n" + files,
                ":5: 'menu_folder': a name cannot end in a dot");
    // The Programs menu's Startup folder runs its shortcuts at each logon; a folder below another is no such.
    const std::string product = "[product]\nshort_name='V'\ndisplay_name='D'\ninstall_dir='C:\\x'\n";
    const std::string owned = files + "uninstaller='own'\n";
    for (const std::string menuFolder : {"Startup", "STARTUP\\Tools"})
        expectError(product + "menu_folder='" + menuFolder + "'\n" + owned,
                    ":5: 'menu_folder' \"" + menuFolder + "\" puts the Start Menu shortcuts in the Programs "
                    "menu's Startup folder, whose shortcuts Windows starts at each logon");
    test::WriteFile(file, product + "menu_folder='V\\Startup'\n" + owned);
    EXPECT_EQ(ReadManifest(file).menuFolder, "V\\Startup");
    // The folder is made like any other: the Programs menu's typical 76 characters, a backslash
    // and 170 make the 247 that CreateDirectoryA allows, with no shortcut to lengthen it.
    test::WriteFile(file, product + "menu_folder='" + std::string(170, 'm') + "'\n" + owned);
    EXPECT_EQ(ReadManifest(file).menuFolder.size(), 170u);
    expectError(product + "menu_folder='" + std::string(171, 'm') + "'\n" + owned,
                ":5: 'menu_folder' is too long: the folder would be \"C:\\Users\\Administrator\\AppData\\Roaming\\"
                "Microsoft\\Windows\\Start Menu\\Programs\\" + std::string(171, 'm') + "\", 248 characters long; "
                "Windows makes folders of up to 247");
    // A folder variable gives a whole folder, so it only starts the destination, before a separator;
    // the wizard offers the defaults as written, so their separators are backslashes.
    for (const auto& [installDir, expected] :
         {std::pair{"C:\\Apps\\%DesktopDir%\\Demo", "names %DesktopDir% after its start"},
          std::pair{"%ProgramFiles%%TempDir%\\Demo", "names %TempDir% after its start"},
          std::pair{"%ProgramFiles%.\\Demo", "follows %ProgramFiles% with \".\" before its first backslash"},
          std::pair{"%ProgramFiles% \\Demo", "follows %ProgramFiles% with \" \" before its first backslash"},
          std::pair{"C:/Apps/Demo", "holds a slash; write backslashes between its folders"},
          std::pair{"%ProgramFiles%\\\\Demo", "holds a doubled backslash"},
          std::pair{"%StartupMenu%\\Demo", "\"%StartupMenu%\\Demo\" lies in the Startup folder"},
          std::pair{"%ProgramsMenu%\\STARTUP", "\"%ProgramsMenu%\\STARTUP\" lies in the Startup folder"},
          std::pair{"C:\\Apps\\\\Demo", "holds a doubled backslash"}})
        expectError("[product]\nshort_name='V'\ndisplay_name='D'\ninstall_dir='" + std::string(installDir) +
                        "'\nmenu_folder='m'\n" + owned,
                    ":4: 'install_dir' " + std::string(expected));
    expectError(product + "menu_folder='V/Tools'\n" + owned,
                ":5: 'menu_folder' holds a slash; write backslashes between its folders");
    expectError("[product]\nshort_name='V'\ndisplay_name='D'\ninstall_dir='C:\\x'\nmenu_folder='m'\n[files]"
                "\nsource='nope'\n",
                ":7: 'source': no folder");
    expectError("[product]\nshort_name='V'\ndisplay_name='D'\ninstall_dir='C:\\x'\nmenu_folder='m'\n",
                "the manifest has no [files] table");
    EXPECT_THROW(ReadManifest(folder.GetPath() / "missing.toml"), std::runtime_error);
}

}  // namespace
}  // namespace quillset
