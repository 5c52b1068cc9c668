// Tests of the quillset command line as a user runs it: default names and inputs, all-or-nothing
// output, Setup.exe round trips through build, embed and inspect, and exit codes.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <thread>
#include <tuple>

#include "common/byte_order.h"
#include "test_support.h"

namespace quillset {
namespace {

namespace fs = std::filesystem;
using test::RunTool;
using test::TemporaryFolder;

const fs::path STUB = test::GetFixture("gui_stub.exe");

bool Contains(const std::string& text, std::string_view part)
{
    return text.find(part) != std::string::npos;
}

TEST(CommandLine, BuildsARawPackageAndInspectsIt)
{
    TemporaryFolder folder;
    test::WriteSampleProject(folder.GetPath());
    const std::vector<std::uint8_t> noise = test::MakeNoise(3000, 7);  // a size with a thousands group
    test::WriteFile(folder.GetPath() / "product" / "noise.bin", std::string(noise.begin(), noise.end()));
    const test::ToolRun build =
        RunTool(folder.GetPath(), "build manifest.toml --raw --wizard wizard.dll -j 2");
    EXPECT_EQ(build.exitCode, 0) << build.output;
    ASSERT_TRUE(fs::exists(folder.GetPath() / "package.bin"));
    // One line and no progress bar when the output is not a terminal.
    const std::uintmax_t size = fs::file_size(folder.GetPath() / "package.bin");
    ASSERT_TRUE(size >= 3000 && size < 1000000) << size;
    std::string grouped = std::to_string(size);
    grouped.insert(grouped.size() - 3, ",");
    EXPECT_EQ(build.output, "wrote package.bin (" + grouped + " bytes)\n");
    const test::ToolRun inspect = RunTool(folder.GetPath(), "inspect package.bin");
    EXPECT_EQ(inspect.exitCode, 0) << inspect.output;
    EXPECT_TRUE(Contains(inspect.output, "readme.txt")) << inspect.output;
}

TEST(CommandLine, FindsItsDefaultsBesideItselfOrSaysWhichOption)
{
    TemporaryFolder folder;
    test::WriteSampleProject(folder.GetPath());
    const fs::path prefix = folder.GetPath() / "prefix";
    fs::create_directories(prefix / "bin");
    fs::copy_file(QUILLSET_TOOL, prefix / "bin" / "quillset");
    const fs::path share = prefix / "share" / "quillset";

    test::ToolRun run =
        test::RunProgram(folder.GetPath(), prefix / "bin" / "quillset", "build manifest.toml");
    EXPECT_NE(run.exitCode, 0);
    EXPECT_TRUE(Contains(run.output, "no wizard library at " + (share / "Wizard.dll").string() +
                                         "; name one with --wizard"))
        << run.output;

    fs::create_directories(share);
    fs::copy_file(folder.GetPath() / "wizard.dll", share / "Wizard.dll");
    run = test::RunProgram(folder.GetPath(), prefix / "bin" / "quillset", "build manifest.toml");
    EXPECT_TRUE(Contains(run.output,
                         "no launcher stub at " + (share / "Setup.exe").string() + "; name one with --stub"))
        << run.output;

    fs::copy_file(STUB, share / "Setup.exe");
    run = test::RunProgram(folder.GetPath(), prefix / "bin" / "quillset", "build manifest.toml");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    run = RunTool(folder.GetPath(), "inspect Setup.exe");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_TRUE(Contains(run.output, "Windows executable with a package resource")) << run.output;
}

TEST(CommandLine, FindsTheUninstallerBesideItselfOrTakesTheOption)
{
    TemporaryFolder folder;
    const fs::path manifest = test::WriteSampleProject(folder.GetPath());
    fs::remove(folder.GetPath() / "product" / "uninst.exe");
    test::WriteFile(manifest, test::GetMinimalManifest());
    const fs::path prefix = folder.GetPath() / "prefix";
    fs::create_directories(prefix / "bin");
    fs::copy_file(QUILLSET_TOOL, prefix / "bin" / "quillset");
    const fs::path share = prefix / "share" / "quillset";
    const fs::path tool = prefix / "bin" / "quillset";

    test::ToolRun run = test::RunProgram(folder.GetPath(), tool, "build manifest.toml --raw --wizard wizard.dll");
    EXPECT_NE(run.exitCode, 0);
    EXPECT_TRUE(Contains(run.output, "no uninstaller at " + (share / "uninst.exe").string() +
                                         "; name one with --uninstaller"))
        << run.output;

    fs::copy_file(test::GetFixture("no_rsrc.exe"), folder.GetPath() / "mine.exe");
    run = test::RunProgram(folder.GetPath(), tool,
                           "build manifest.toml --raw --wizard wizard.dll --uninstaller mine.exe -o named.bin");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    fs::create_directories(share);
    fs::copy_file(test::GetFixture("rsrc_inner.exe"), share / "uninst.exe");
    run = test::RunProgram(folder.GetPath(), tool, "build manifest.toml --raw --wizard wizard.dll -o found.bin");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    const std::string namedSize = std::to_string(fs::file_size(folder.GetPath() / "mine.exe"));
    const std::string foundSize = std::to_string(fs::file_size(share / "uninst.exe"));
    ASSERT_NE(namedSize, foundSize);
    for (const auto& [file, size] : {std::pair{"named.bin", namedSize}, std::pair{"found.bin", foundSize}}) {
        run = RunTool(folder.GetPath(), std::string("inspect ") + file);
        EXPECT_EQ(run.exitCode, 0) << run.output;
        const std::size_t line = run.output.find("\n  uninst.exe  0x20 archive  ");
        ASSERT_NE(line, std::string::npos) << run.output;
        const std::string record = run.output.substr(line, run.output.find('\n', line + 1) - line);
        EXPECT_TRUE(Contains(record, std::string(" UTC  ") + size + " bytes (")) << record;
    }
}

TEST(CommandLine, EmbedsASoundPackageIntoTheStub)
{
    TemporaryFolder folder;
    test::WriteSampleProject(folder.GetPath());
    ASSERT_EQ(RunTool(folder.GetPath(), "build manifest.toml --raw --wizard wizard.dll -o p.bin").exitCode,
              0);
    const test::ToolRun embed =
        RunTool(folder.GetPath(), "embed p.bin -o out.exe --stub '" + STUB.string() + "'");
    ASSERT_EQ(embed.exitCode, 0) << embed.output;
    EXPECT_TRUE(embed.output.starts_with("wrote out.exe (")) << embed.output;
    const std::string raw = RunTool(folder.GetPath(), "inspect p.bin").output;
    const std::string embedded = RunTool(folder.GetPath(), "inspect out.exe").output;
    // The same account, with the Setup.exe's own signature first among the signatures.
    std::string expected = "Windows executable with a package resource\n" + raw;
    const std::size_t signatures = expected.rfind("signatures:\n");
    ASSERT_NE(signatures, std::string::npos) << raw;
    expected.insert(signatures + 12, "  Setup.exe   not signed\n");
    EXPECT_EQ(embedded, expected);
}

TEST(CommandLine, AFailedBuildLeavesTheOldOutputAndNoTemporaryFile)
{
    TemporaryFolder folder;
    test::WriteSampleProject(folder.GetPath(), "[single_shortcuts]\ndesktop = 'none'\n");
    test::WriteFile(folder.GetPath() / "Setup.exe", "old");
    const test::ToolRun run =
        RunTool(folder.GetPath(), "build manifest.toml --wizard wizard.dll --stub '" + STUB.string() + "'");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(Contains(run.output, "quillset: error: ")) << run.output;
    EXPECT_TRUE(Contains(run.output, "manifest.toml:10: 'desktop' names the shortcut id \"none\""))
        << run.output;
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder.GetPath()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Setup.exe", "after.txt", "before.txt", "manifest.toml",
                                               "product", "wizard.dll"}));
    EXPECT_EQ(RunTool(folder.GetPath(), "inspect Setup.exe").exitCode, 1);  // still "old"
}

std::string ReadText(const fs::path& file);

TEST(CommandLine, AnOutputOverTheFileSizeLimitIsAnErrorNotAKill)
{
    // Under ulimit -f, through the cache's pack and then the output: both writes fail with
    // EFBIG, the cache's as a warning, the output's as the error, and no temporary file stays.
    TemporaryFolder folder;
    test::WriteSampleProject(folder.GetPath());
    const std::vector<std::uint8_t> noise = test::MakeNoise(400000, 5);
    test::WriteFile(folder.GetPath() / "product" / "noise.bin", std::string(noise.begin(), noise.end()));
    test::WriteFile(folder.GetPath() / "Setup.exe", "old");
    const test::ToolRun run = test::RunProgram(
        folder.GetPath(), "/bin/sh",
        "-c \"ulimit -f 256 && XDG_CACHE_HOME='" + (folder.GetPath() / "cache").string() + "' exec '" +
            QUILLSET_TOOL + "' build manifest.toml --raw --wizard wizard.dll -o Setup.exe\"");
    EXPECT_EQ(run.exitCode, 1) << run.output;
    EXPECT_TRUE(Contains(run.output, "quillset: warning: stream cache: ")) << run.output;
    EXPECT_TRUE(Contains(run.output, "File too large")) << run.output;
    EXPECT_EQ(ReadText(folder.GetPath() / "Setup.exe"), "old");
    for (const auto& entry : fs::directory_iterator(folder.GetPath()))
        EXPECT_FALSE(entry.path().filename().string().starts_with(".quillset-output")) << entry.path();
}

TEST(CommandLine, TheCacheGivesUpItsRoomWhenTheOutputsDiskIsFull)
{
    // A 1 MiB drive for the cache and the output, mounted in a mount namespace of the test's
    // own: the output fits it, the output and the cache's copy of its stream do not.
    TemporaryFolder folder;
    test::WriteSampleProject(folder.GetPath());
    const std::vector<std::uint8_t> noise = test::MakeNoise(600000, 9);
    test::WriteFile(folder.GetPath() / "product" / "noise.bin", std::string(noise.begin(), noise.end()));
    ASSERT_EQ(RunTool(folder.GetPath(), "build manifest.toml --raw --wizard wizard.dll --no-cache -o plain.bin")
                  .exitCode,
              0);
    const fs::path drive = folder.GetPath() / "drive";
    fs::create_directory(drive);
    const std::string script =
        "mount -t tmpfs -o size=1m tmpfs '" + drive.string() + "' || exit 77; XDG_CACHE_HOME='" +
        (drive / "cache").string() + "' '" + QUILLSET_TOOL +
        "' build manifest.toml --raw --wizard wizard.dll -o '" + (drive / "package.bin").string() +
        "'; echo full exit \\$?; cp '" + (drive / "package.bin").string() + "' full.bin; ls -A '" +
        (drive / "cache" / "quillset" / "packs-v1").string() + "'" +
        // The same through a link on another disk: the room is freed where the file goes.
        "; rm -rf '" + (drive / "cache").string() + "' '" + (drive / "package.bin").string() + "'; ln -s '" +
        (drive / "package.bin").string() + "' link.bin; XDG_CACHE_HOME='" + (drive / "cache").string() + "' '" +
        QUILLSET_TOOL + "' build manifest.toml --raw --wizard wizard.dll -o link.bin; echo link exit \\$?; cmp '" +
        (drive / "package.bin").string() + "' plain.bin && echo link same";
    const test::ToolRun run = test::RunProgram(folder.GetPath(), "unshare", "-m sh -c \"" + script + "\"");
    if (run.exitCode == 77 || run.exitCode == 1)  // unshare refused, or mount
        GTEST_SKIP() << "no private mount of a small drive here: " << run.output;
    EXPECT_TRUE(Contains(run.output, "full exit 0\n")) << run.output;
    EXPECT_TRUE(Contains(run.output, "quillset: warning: stream cache: the disk is full")) << run.output;
    EXPECT_FALSE(Contains(run.output, ".pack")) << run.output;
    EXPECT_EQ(ReadText(folder.GetPath() / "full.bin"), ReadText(folder.GetPath() / "plain.bin"));
    EXPECT_TRUE(Contains(run.output, "link exit 0\nlink same\n")) << run.output;

    // A cache on another disk gives no room on the output's: its packs stay, the error stands.
    const std::string elsewhere =
        "mount -t tmpfs -o size=256k tmpfs '" + drive.string() + "' || exit 77; XDG_CACHE_HOME='" +
        (folder.GetPath() / "cache").string() + "' '" + QUILLSET_TOOL +
        "' build manifest.toml --raw --wizard wizard.dll -o '" + (drive / "package.bin").string() +
        "'; echo exit \\$?";
    const test::ToolRun other = test::RunProgram(folder.GetPath(), "unshare", "-m sh -c \"" + elsewhere + "\"");
    EXPECT_TRUE(Contains(other.output, "cannot write " + (drive / "package.bin").string() +
                                           ": No space left on device"))
        << other.output;
    EXPECT_TRUE(Contains(other.output, "exit 1\n")) << other.output;
    EXPECT_FALSE(Contains(other.output, "the disk is full")) << other.output;
    std::size_t packs = 0;
    for (const auto& entry : fs::directory_iterator(folder.GetPath() / "cache" / "quillset" / "packs-v1"))
        packs += entry.path().extension() == ".pack";
    EXPECT_EQ(packs, 1u);
}

std::string ReadText(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(CommandLine, RefusesAnOutputThatIsOneOfItsInputs)
{
    TemporaryFolder folder;
    const fs::path manifest = test::WriteSampleProject(folder.GetPath());
    test::WriteFile(manifest, "[product]\nshort_name='V'\ndisplay_name='V 1'\ninstall_dir='C:\\V'\n"
                              "menu_folder='V'\ninfo_after='after.txt'\n"
                              "[files]\nsource='product'\nuninstaller='own'\n");
    fs::copy_file(STUB, folder.GetPath() / "stub.exe");
    fs::create_symlink("wizard.dll", folder.GetPath() / "wizard-link.dll");
    ASSERT_EQ(RunTool(folder.GetPath(), "build manifest.toml --raw --wizard wizard.dll -o p.bin").exitCode, 0);

    // Other spellings and links of the same file count: the output's identity is compared.
    const std::string raw = "build manifest.toml --raw --wizard wizard.dll -o ";
    const std::string minusO = "name another output file with -o";
    const std::vector<std::tuple<std::string, std::string, std::string, std::string>> cases = {
        {raw + "./manifest.toml", "manifest.toml", "the manifest", minusO},
        {raw + "product/docs/../Vistrel.exe", "product/Vistrel.exe", "the product file ", minusO},
        {raw + "after.txt", "after.txt", "the information text after installing", minusO},
        {raw + "wizard-link.dll", "wizard.dll", "the wizard library", minusO},
        {raw + "wizard.dll.zlib", "wizard.dll.zlib", "the wizard library's prepacked stream", minusO},
        {"build manifest.toml --wizard wizard.dll --stub stub.exe -o stub.exe", "stub.exe", "the launcher stub", minusO},
        {"embed p.bin --stub stub.exe -o p.bin", "p.bin", "the package", minusO},
        // Refused before Wine starts, so no Wine is needed here.
        {"try p.bin --json ./p.bin", "p.bin", "the Setup.exe being tried", "name another file with --json"},
        {"try wizard.dll --json wizard-link.dll", "wizard.dll", "the Setup.exe being tried",
         "name another file with --json"},
    };
    for (const auto& [arguments, input, what, remedy] : cases) {
        const std::string before = ReadText(folder.GetPath() / input);
        const test::ToolRun run = RunTool(folder.GetPath(), arguments);
        EXPECT_EQ(run.exitCode, 1) << arguments;
        EXPECT_TRUE(Contains(run.output, ": the output would replace " + what)) << run.output;
        EXPECT_TRUE(Contains(run.output, remedy)) << run.output;
        EXPECT_EQ(ReadText(folder.GetPath() / input), before) << arguments;
    }
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder.GetPath()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"after.txt", "before.txt", "manifest.toml", "p.bin", "product",
                                               "stub.exe", "wizard-link.dll", "wizard.dll"}));
}

TEST(CommandLine, RefusesModulesThatCouldNotStart)
{
    // An entry point or an import directory outside the sections' bytes, or a layout that the
    // loader refuses: the module would fail on the user's machine before any of its code ran.
    struct Case {
        std::string file;
        std::uint32_t optionalHeaderField;  // 16 the entry point, 32 and 36 the alignments,
                                            // 60 the headers' size, 104 the import directory
        std::uint32_t value;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"stub.exe", 16, 0x7FFF0000, "stub.exe: not a usable launcher stub: its entry point 0x7FFF0000 lies in "
                                     "none of its sections"},
        {"stub.exe", 104, 0x00FF0000, "stub.exe: not a usable launcher stub: its import directory ("},
        {"wizard.dll", 104, 0x00FF0000, "wizard.dll: not a usable wizard library: its import directory ("},
        {"uninst.exe", 36, 0, "uninst.exe: not a usable uninstaller: its file and section alignments (0 and "},
        {"uninst.exe", 32, 0x80000000, "uninst.exe: not a usable uninstaller: its section .text lies at "},
        {"uninst.exe", 60, 0, "uninst.exe: not a usable uninstaller: its headers' size of 0 bytes does not cover"},
    };
    for (const Case& entry : cases) {
        TemporaryFolder folder;
        const fs::path manifest = test::WriteSampleProject(folder.GetPath());
        fs::copy_file(STUB, folder.GetPath() / "stub.exe");
        if (entry.file == "uninst.exe") {  // the builtin uninstaller, which --uninstaller names
            fs::copy_file(STUB, folder.GetPath() / "uninst.exe");
            fs::remove(folder.GetPath() / "product" / "uninst.exe");
            test::WriteFile(manifest, test::GetMinimalManifest());
        }
        const fs::path damaged = folder.GetPath() / entry.file;
        std::vector<std::uint8_t> bytes = test::ReadBytes(damaged);
        const std::uint32_t optionalHeader = ReadU32(bytes.data() + 0x3C) + 24;
        ASSERT_NE(ReadU32(bytes.data() + optionalHeader + entry.optionalHeaderField), 0u) << entry.file;
        WriteU32(bytes.data() + optionalHeader + entry.optionalHeaderField, entry.value);
        test::WriteFile(damaged, std::string(bytes.begin(), bytes.end()));
        const std::string uninstaller = entry.file == "uninst.exe" ? " --uninstaller uninst.exe" : "";
        const test::ToolRun run = RunTool(
            folder.GetPath(), "build manifest.toml --wizard wizard.dll --stub stub.exe" + uninstaller + " -o out.exe");
        EXPECT_EQ(run.exitCode, 1) << run.output;
        EXPECT_TRUE(Contains(run.output, entry.expected)) << run.output;
        EXPECT_FALSE(fs::exists(folder.GetPath() / "out.exe"));
    }
}

TEST(CommandLine, RefusesFaultyManifestsAtTheirLineAndWritesNothing)
{
    struct Case {
        std::string displayName;
        std::string extra;  // from line 9
        std::string expected;
        bool outsideLink = false;  // product/elsewhere leads to the project folder
    };
    const std::vector<Case> cases = {
        {"V\\1", "", "manifest.toml:3: 'display_name' cannot contain a backslash"},
        {"V 1", "[[shortcut]]\nname='A'\ntarget='%InstalDir%\\Vistrel.exe'\n",
         "manifest.toml:11: 'target' in [[shortcut]] names %InstalDir%, which is no folder variable"},
        {"V 1", "\n[run.launch]\nprogram='%InstallDir%\\Vistrel.exe /x'\n",
         "manifest.toml:11: 'program' in [run.launch] is \"%InstallDir%\\Vistrel.exe\" followed by the "
         "arguments \"/x\""},
        {"V 1", "[run.launch]\nprogram='%InstallDir%\\Vistrl.exe'\n",
         "manifest.toml:10: 'program' in [run.launch] is \"%InstallDir%\\Vistrl.exe\", which is no file of the "
         "package"},
        {"V 1", "follow_outside_links = false\n", "product/elsewhere: is a link to ", true},
    };
    for (const Case& entry : cases) {
        TemporaryFolder folder;
        const fs::path manifest = test::WriteSampleProject(folder.GetPath());
        test::WriteFile(manifest, "[product]\nshort_name='V'\ndisplay_name='" + entry.displayName +
                                      "'\ninstall_dir='%ProgramFiles%\\V'\nmenu_folder='V'\n[files]\n"
                                      "source='product'\nuninstaller='own'\n" + entry.extra);
        if (entry.outsideLink)
            fs::create_directory_symlink("..", folder.GetPath() / "product" / "elsewhere");
        const test::ToolRun run =
            RunTool(folder.GetPath(), "build manifest.toml --raw --wizard wizard.dll -o out.bin");
        EXPECT_EQ(run.exitCode, 1) << run.output;
        EXPECT_TRUE(Contains(run.output, "quillset: error: ")) << run.output;
        EXPECT_TRUE(Contains(run.output, entry.expected)) << run.output;
        for (const auto& file : fs::directory_iterator(folder.GetPath()))
            EXPECT_FALSE(Contains(file.path().filename().string(), "out.bin")) << file.path();
    }
}

TEST(CommandLine, RefusesWhatWouldBreakAnInstallerAndWritesNothing)
{
    struct Case {
        std::string arguments;
        std::string expected;       // after "quillset: error: "
        std::string installDir = "%ProgramFiles%\\V";
        std::string menuFolder = "V";
        std::string uninstaller = "own";
    };
    const std::string fixtures = "'" + std::string(PE_FIXTURE_DIR) + "/";
    const std::string build = "build manifest.toml -o out.exe --stub '" + STUB.string() + "' ";
    const std::string longName(120, 'n');
    const std::vector<Case> cases = {
        {"embed p.bin -o out.exe --stub '" + STUB.string() + "'",
         "p.bin: not a setup package that an installer can use (1 failure(s), as `quillset inspect` lists "
         "them):\n  wizard library stream: "},
        {"embed '" + STUB.string() + "' -o out.exe --stub '" + STUB.string() + "'",
         "gui_stub.exe: is a program, not a raw setup package; embed takes what `quillset build --raw` writes"},
        {build + "--wizard " + fixtures + "no_rsrc.exe'",
         "no_rsrc.exe: not a usable wizard library: it is a program, not a DLL; the wizard library must be a "
         "32-bit x86 DLL that exports ShowWizard"},
        {build + "--wizard " + fixtures + "other_export.dll'",
         "other_export.dll: not a usable wizard library: it does not export ShowWizard"},
        // The stub is refused first, before a package is built with the wrong wizard.
        {"build manifest.toml -o out.exe --stub " + fixtures + "rsrc_last.exe' --wizard " + fixtures +
             "other_export.dll'",
         "rsrc_last.exe: not a usable launcher stub: it is a console program, not a Windows GUI one; the "
         "launcher stub must be a 32-bit x86 Windows GUI program with the launcher's resources (strings 1 to "
         "4, icon group 104)"},
        {build + "--wizard wizard.dll --uninstaller wizard.dll",
         "wizard.dll: not a usable uninstaller: it is a DLL, not a program", "%ProgramFiles%\\V", "V",
         "builtin"},
        {build + "--wizard wizard.dll", "manifest.toml:4: 'install_dir' is \"%ProgramFiles%\", which does not "
         "end in a folder name after a backslash", "%ProgramFiles%"},
        {build + "--wizard wizard.dll", "manifest.toml:4: 'install_dir' is \"C:\\\", which does not end",
         "C:\\"},
        {build + "--wizard wizard.dll", "manifest.toml:4: 'install_dir' is \"%ProgramFiles%\\V\\\", which "
         "does not end", "%ProgramFiles%\\V\\"},
        {build + "--wizard wizard.dll", "manifest.toml:4: 'install_dir' is \"V\", which is no absolute path "
         "once its folder variables are expanded; give a drive path", "V"},
        // The Programs menu's 76 characters (Vista's for Administrator, longer than XP's), the
        // folder, the name and ".lnk" make 260.
        {build + "--wizard wizard.dll", "manifest.toml:5: 'menu_folder' is too long: its shortcut \"" +
         longName + "\" would be installed as \"C:\\Users\\Administrator\\AppData\\Roaming\\Microsoft\\"
         "Windows\\Start Menu\\Programs\\" + std::string(58, 'm') + "\\", "%ProgramFiles%\\V", std::string(58, 'm')},
    };
    for (const Case& entry : cases) {
        TemporaryFolder folder;
        const fs::path manifest = test::WriteSampleProject(folder.GetPath());
        if (entry.uninstaller == "builtin")
            fs::remove(folder.GetPath() / "product" / "uninst.exe");
        test::WriteFile(manifest, "[product]\nshort_name='V'\ndisplay_name='V 1'\ninstall_dir='" +
                                      entry.installDir + "'\nmenu_folder='" + entry.menuFolder +
                                      "'\n[files]\nsource='product'\nuninstaller='" + entry.uninstaller +
                                      "'\n[[shortcut]]\nname='" + longName +
                                      "'\ntarget='%InstallDir%\\Vistrel.exe'\n");
        if (entry.arguments.starts_with("embed")) {
            // A package whose wizard library stream starts 16 bytes before its end.
            ASSERT_EQ(RunTool(folder.GetPath(), "build manifest.toml --raw --wizard wizard.dll -o p.bin").exitCode,
                      0);
            const std::uint32_t at = static_cast<std::uint32_t>(fs::file_size(folder.GetPath() / "p.bin") - 16);
            std::fstream file(folder.GetPath() / "p.bin", std::ios::in | std::ios::out | std::ios::binary);
            file.seekp(24);
            for (int shift = 0; shift < 32; shift += 8)
                file.put(static_cast<char>(at >> shift));
        }
        const test::ToolRun run = RunTool(folder.GetPath(), entry.arguments);
        EXPECT_EQ(run.exitCode, 1) << entry.arguments << "\n" << run.output;
        EXPECT_TRUE(Contains(run.output, "quillset: error: ")) << run.output;
        EXPECT_TRUE(Contains(run.output, entry.expected)) << "expected: " << entry.expected << "\n" << run.output;
        for (const auto& file : fs::directory_iterator(folder.GetPath()))
            EXPECT_FALSE(Contains(file.path().filename().string(), "out")) << file.path();
    }
}

TEST(CommandLine, WarnsThatWithoutAnUninstallerTheUninstallEntryNamesAMissingFile)
{
    TemporaryFolder folder;
    const fs::path manifest = test::WriteSampleProject(folder.GetPath());
    fs::remove(folder.GetPath() / "product" / "uninst.exe");
    test::WriteFile(manifest, test::GetMinimalManifest() + "uninstaller = 'none'\n");
    const test::ToolRun run = RunTool(folder.GetPath(), "build manifest.toml --raw --wizard wizard.dll");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_TRUE(Contains(run.output, "quillset: warning: manifest.toml:8: 'uninstaller' in [files] is \"none\": "
                                     "the installer still registers uninst.exe"))
        << run.output;
    EXPECT_TRUE(fs::exists(folder.GetPath() / "package.bin"));
}

TEST(CommandLine, WarnsOfFileNamesThatOnlyWesternCodePagesSpellAsWritten)
{
    TemporaryFolder folder;
    const fs::path manifest = test::WriteSampleProject(folder.GetPath());
    const test::ToolRun plain = RunTool(folder.GetPath(), "build manifest.toml --raw --wizard wizard.dll");
    EXPECT_EQ(plain.exitCode, 0) << plain.output;
    EXPECT_FALSE(Contains(plain.output, "outside ASCII")) << plain.output;
    test::WriteFile(folder.GetPath() / "product" / "Caf\xC3\xA9" / "readme.txt", "text");
    test::WriteFile(folder.GetPath() / "product" / "size \xC2\xBC.txt", "text");
    const test::ToolRun run = RunTool(folder.GetPath(), "build manifest.toml --raw --wizard wizard.dll");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_TRUE(Contains(run.output, "quillset: warning: 2 names of the product's files use characters outside "
                                     "ASCII (the first: "))
        << run.output;
    EXPECT_TRUE(fs::exists(folder.GetPath() / "package.bin"));
}

TEST(CommandLine, PrintsItsVersionAndTheDefaultsOfEveryCommand)
{
    TemporaryFolder folder;
    const test::ToolRun version = RunTool(folder.GetPath(), "--version");
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.output, "quillset " QUILLSET_VERSION "\n");

    // The tool shows where it looks for its files, beside itself.
    const fs::path share = (fs::path(QUILLSET_TOOL).parent_path() / ".." / "share" / "quillset").lexically_normal();
    const std::vector<std::pair<std::string, std::vector<std::string>>> commands = {
        {"build",
         {"-o,--output TEXT=Setup.exe, or package.bin with --raw", "--stub TEXT=" + (share / "Setup.exe").string(),
          "--wizard TEXT=" + (share / "Wizard.dll").string(),
          "--uninstaller TEXT=" + (share / "uninst.exe").string(), "--raw ",
          "-j,--jobs UINT:UINT in [1 - 1024]=" + std::to_string(std::max(1u, std::thread::hardware_concurrency()))}},
        {"embed", {"-o,--output TEXT=Setup.exe ", "--stub TEXT=" + (share / "Setup.exe").string()}},
        {"inspect", {"FILE TEXT REQUIRED"}},
    };
    for (const auto& [command, options] : commands) {
        const test::ToolRun help = RunTool(folder.GetPath(), command + " --help");
        EXPECT_EQ(help.exitCode, 0) << help.output;
        for (const std::string& option : options)
            EXPECT_TRUE(Contains(help.output, option)) << option << "\n" << help.output;
    }
}

TEST(CommandLine, TryReplacesAnEarlierReportWithAFailedOneWhenItEndsWithoutItsOwn)
{
    TemporaryFolder folder;
    test::WriteFile(folder.GetPath() / "Setup.exe", "no installer");
    // Stand-ins for the programs a run needs, so that it gets past that check without Wine.
    const fs::path tools = folder.GetPath() / "tools";
    fs::create_directories(tools);
    for (const char* name : {"wine", "wineserver", "wineboot", "wine-stable", "Xvfb", "xwd", "convert"}) {
        test::WriteFile(tools / name, "#!/bin/sh\nexit 1\n");
        fs::permissions(tools / name, fs::perms::owner_all);
    }
    // A Setup.exe that a failed build never wrote, too.
    const std::vector<std::tuple<fs::path, std::string, int, std::string>> cases = {
        {folder.GetPath() / "none", "Setup.exe", 2, "quillset try needs Wine with its 32-bit loader"},
        {tools, "Setup.exe", 1, "Setup.exe: not a PE image: no MZ header; try takes a Setup.exe"},
        {tools, "Missing.exe", 1, "cannot read Missing.exe: No such file or directory"},
    };
    for (const auto& [path, setup, exitCode, error] : cases) {
        test::WriteFile(folder.GetPath() / "report.json", "{\n  \"setup\": \"" + setup + "\",\n  \"ok\": true\n}\n");
        const test::ToolRun run = test::RunProgram(
            folder.GetPath(), "/usr/bin/env",
            "PATH='" + path.string() + "' '" + QUILLSET_TOOL + "' try " + setup + " --json report.json");
        EXPECT_EQ(run.exitCode, exitCode) << run.output;
        EXPECT_TRUE(Contains(run.output, "quillset: error: " + error)) << run.output;
        const std::string report = ReadText(folder.GetPath() / "report.json");
        EXPECT_TRUE(report.starts_with("{\n  \"setup\": \"" + setup + "\",\n  \"ok\": false,\n  \"error\": \"" + error))
            << report;
    }
}

// A Wine that fails while the template prefix is made: the error quotes what the failed step
// said last, not what an earlier run left in the log, and nothing when the step said nothing.
TEST(CommandLine, TryQuotesTheLastLineOfTheFailedPrefixStep)
{
    TemporaryFolder folder;
    test::WriteSampleProject(folder.GetPath());
    ASSERT_EQ(RunTool(folder.GetPath(), "build manifest.toml --wizard wizard.dll --stub '" + STUB.string() + "'")
                  .exitCode,
              0);
    const fs::path tools = folder.GetPath() / "tools";
    fs::create_directories(tools);
    for (const char* name : {"wine", "wineserver", "wine-stable"}) {
        test::WriteFile(tools / name, "#!/bin/sh\nexit 0\n");
        fs::permissions(tools / name, fs::perms::owner_all);
    }
    const fs::path log = folder.GetPath() / "cache" / "quillset" / "template.log";
    fs::create_directories(log.parent_path());
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"echo starting; echo 'exec: /usr/lib/wine/wine: Exec format error' >&2; exit 1",
         "failed at 'wineboot --init': exec: /usr/lib/wine/wine: Exec format error; see "},
        {"exit 1", "failed at 'wineboot --init'; see "},
    };
    for (const auto& [wineboot, error] : cases) {
        test::WriteFile(log, "an earlier run: kernel32.dll not found\n");
        test::WriteFile(tools / "wineboot", "#!/bin/sh\n" + wineboot + "\n");
        fs::permissions(tools / "wineboot", fs::perms::owner_all);
        const test::ToolRun run = test::RunProgram(
            folder.GetPath(), "/usr/bin/env",
            "PATH='" + tools.string() + ":/usr/bin:/bin' XDG_CACHE_HOME='" + (folder.GetPath() / "cache").string() +
                "' TMPDIR='" + folder.GetPath().string() + "' '" + QUILLSET_TOOL + "' try Setup.exe");
        EXPECT_EQ(run.exitCode, 2) << run.output;
        EXPECT_TRUE(Contains(run.output, "quillset: error: making the Wine prefix " + error + log.string()))
            << run.output;
    }
}

TEST(CommandLine, InspectNamesDamagedStreamsAndExitsNonZero)
{
    TemporaryFolder folder;
    test::WriteSampleProject(folder.GetPath());
    ASSERT_EQ(RunTool(folder.GetPath(), "build manifest.toml --raw --wizard wizard.dll").exitCode, 0);
    std::fstream file(folder.GetPath() / "package.bin", std::ios::in | std::ios::out | std::ios::binary);
    unsigned char field[4];
    file.seekg(24);
    file.read(reinterpret_cast<char*>(field), 4);
    file.seekp(field[0] + 256 * field[1] + 100);  // inside the wizard library's stream
    file.put('\x55');
    file.close();
    const test::ToolRun run = RunTool(folder.GetPath(), "inspect package.bin");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(Contains(run.output, "1 failure(s):\n  wizard library stream: ")) << run.output;
}

TEST(CommandLine, InspectRefusesAFileLargerThanAnySetupExeWithoutReadingIt)
{
    TemporaryFolder folder;
    const fs::path file = folder.GetPath() / "huge.bin";
    test::WriteFile(file, "MZ");
    fs::resize_file(file, (std::uintmax_t{1} << 32) + 1);  // sparse: takes no disk space
    const test::ToolRun run = RunTool(folder.GetPath(), "inspect huge.bin");
    EXPECT_NE(run.exitCode, 0);
    EXPECT_TRUE(Contains(run.output, "huge.bin: it is larger than 4294967296 bytes")) << run.output;
}

TEST(CommandLine, RefusesBadOptionsWithExitCodeTwoAndCLI11sWords)
{
    TemporaryFolder folder;
    test::WriteSampleProject(folder.GetPath());
    const std::vector<std::pair<std::string, std::string>> misuses = {
        {"build manifest.toml --raw --wizard wizard.dll -j 0", "--jobs: Value 0 not in range"},
        {"build manifest.toml --raw --wizard wizard.dll -j 0x10", "--jobs: write the number in decimal digits"},
        {"build manifest.toml --raw --wizard wizard.dll -j +2", "--jobs: write the number in decimal digits"},
        {"build manifest.toml --raw --wizard wizard.dll --level ' 5'", "--level: write the number in decimal"},
        {"build manifest.toml --raw --wizard wizard.dll -o ''", "--output: an empty path names no file"},
        {"embed package.bin -o ''", "--output: an empty path names no file"},
        {"", "A subcommand is required"},
        {"bogus manifest.toml", "unknown command \"bogus\"; the commands are build, embed, inspect and try"},
        {"inspect", "FILE is required"},
        {"inspect manifest.toml extra", "The following argument was not expected: extra"},
        {"try", "SETUP is required"},
        {"try manifest.toml --timeout 1", "--timeout: Value 1 not in range"},
    };
    for (const auto& [arguments, message] : misuses) {
        const test::ToolRun run = RunTool(folder.GetPath(), arguments);
        EXPECT_EQ(run.exitCode, 2) << arguments << "\n" << run.output;
        EXPECT_TRUE(Contains(run.output, message)) << run.output;
    }
    EXPECT_EQ(RunTool(folder.GetPath(), "inspect missing.bin").exitCode, 1);  // a failure, not a misuse
    EXPECT_FALSE(fs::exists(folder.GetPath() / "package.bin"));
}

TEST(CommandLine, DrawsProgressOnATerminal)
{
    TemporaryFolder folder;
    test::WriteSampleProject(folder.GetPath());
    const test::ToolRun run =
        test::RunProgram(folder.GetPath(), "script",
                         "-qec \"'" + std::string(QUILLSET_TOOL) +
                             "' build manifest.toml --raw --wizard wizard.dll\" /dev/null");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_TRUE(Contains(run.output, "] 100%  4/4")) << run.output;
    EXPECT_TRUE(Contains(run.output, "\rwrote package.bin (")) << run.output;  // after the bar is erased
}

}  // namespace
}  // namespace quillset
