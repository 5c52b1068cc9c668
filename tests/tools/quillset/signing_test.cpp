// Tests of code signing: how a signing command is split and its placeholders replaced, which
// programs a build has signed, and how a failing signer stops it.
#include <gtest/gtest.h>
#include <signal.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "code_signing.h"
#include "file_io.h"
#include "manifest.h"
#include "package_builder.h"
#include "test_signer.h"
#include "test_support.h"

namespace quillset {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using test::RunTool;
using test::TemporaryFolder;
using Words = std::vector<std::string>;

const fs::path STUB = test::GetFixture("gui_stub.exe");

// Records each file it signs in signed.txt where it runs, signs it with osslsigncode and the
// test signer in the folder "signer" beside the script, and keeps a copy of what it wrote as
// signed-NAME where it runs.
constexpr std::string_view SIGNER_SCRIPT = R"(import os, shutil, subprocess, sys
source, target = sys.argv[1], sys.argv[2]
with open("signed.txt", "a") as log:
    log.write(os.path.basename(source) + "\n")
signer = os.path.join(os.path.dirname(os.path.abspath(__file__)), "signer")
if os.path.exists(target):
    os.remove(target)  # osslsigncode writes only new files
subprocess.run(["osslsigncode", "sign", "-certs", os.path.join(signer, "cert.pem"),
                "-key", os.path.join(signer, "key.pem"), "-in", source, "-out", target],
               check=True, stdout=subprocess.DEVNULL)
shutil.copyfile(target, "signed-" + os.path.basename(source))
)";

bool Contains(const std::string& text, std::string_view part)
{
    return text.find(part) != std::string::npos;
}

std::string GetRefusal(std::string_view command)
{
    try {
        ParseSigningCommand(command, ".");
    } catch (const std::invalid_argument& error) {
        return error.what();
    }
    return "(accepted)";
}

TEST(SigningCommand, SplitsWordsAsAShellWouldWithoutExpandingAnything)
{
    const std::vector<std::pair<std::string, Words>> cases = {
        {"sign -in {in} -out {out}", {"sign", "-in", "{in}", "-out", "{out}"}},
        {" \tsign   {in}\t{out}  ", {"sign", "{in}", "{out}"}},
        {"'a b' \"c d\" e\\ f", {"a b", "c d", "e f"}},
        {"a'b'\"c\"d '' \"\"", {"abcd", "", ""}},
        {R"("x\"y\\z\$w\`" "\q")", {"x\"y\\z$w`", "\\q"}},
        {"'|&;<>()$`*? \"#~' a#b c~", {"|&;<>()$`*? \"#~", "a#b", "c~"}},
        {"a\\\nb \"c\\\nd\" 'e\nf'", {"ab", "cd", "e\nf"}},
        {"-in={in} {in}{out}", {"-in={in}", "{in}{out}"}},
    };
    for (const auto& [text, words] : cases)
        EXPECT_EQ(SplitCommandWords(text), words) << text;
}

TEST(SigningCommand, RefusesWhatAShellWouldReadOtherwiseAndMissingPlaceholders)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"sign 'x {in} {out}", "single quote in the signing command is not closed"},
        {"sign \"x {in} {out}", "double quote in the signing command is not closed"},
        {"sign {in} {out} \\", "ends in a backslash"},
        {"sign {in} {out} | tee log", "unquoted |"},
        {"sign -pass $PASS {in} {out}", "unquoted $"},
        {"sign -pass \"$PASS\" {in} {out}", "$ in double quotes"},
        {"sign {in} {out}; rm x", "unquoted ;"},
        {"sign {in} {out} >log", "unquoted >"},
        {"sign ~/cert.p12 {in} {out}", "unquoted ~ at the start of a word"},
        {"sign {in} {out} # comment", "unquoted # at the start of a word"},
        {"sign {in}\nsign {out}", "spans lines"},
        {"  ", "the signing command is empty"},
        {"{in} {out}", "first word"},
        {"sign -in {in}", "write {out}"},
        {"sign -out {out}", "write {in}"},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_TRUE(Contains(GetRefusal(text), expected)) << text << ": " << GetRefusal(text);
}

TEST(SigningCommand, ReplacesPlaceholdersInsideWordsAndNeverInWhatTheyBecome)
{
    const Words words = {"sign", "-in={in}", "{out}{in}", "{{in}}", "{inn}", "x"};
    EXPECT_EQ(ReplacePlaceholders(words, "/t/{out}", "/o"),
              (Words{"sign", "-in=/t/{out}", "/o/t/{out}", "{/t/{out}}", "{inn}", "x"}));
}

TEST(SigningCommand, IsReadFromTheManifestAtItsLine)
{
    TemporaryFolder folder;
    const fs::path manifest =
        test::WriteSampleProject(folder.GetPath(), "[signing]\ncommand = \"sign '{in}' {out}\"\n");
    const Manifest read = ReadManifest(manifest);
    ASSERT_TRUE(read.signing);
    EXPECT_EQ(read.signing->words, (Words{"sign", "{in}", "{out}"}));
    EXPECT_EQ(read.signing->folder, fs::absolute(folder.GetPath()));

    const std::vector<std::pair<std::string, std::string>> cases = {
        {"[signing]\ncommand = 'sign {in}'\n",
         ":10: [signing] 'command': the signing command does not name the signed file"},
        {"[signing]\ncomand = 'sign {in} {out}'\n", ":9: [signing] is missing the required key 'command'"},
    };
    for (const auto& [extra, expected] : cases) {
        test::WriteSampleProject(folder.GetPath(), extra);
        try {
            ReadManifest(manifest);
            ADD_FAILURE() << "accepted " << extra;
        } catch (const ManifestError& error) {
            EXPECT_TRUE(Contains(error.what(), expected)) << error.what();
        }
    }
}

// A project whose uninst.exe is a PE image, as signers want, in the folder "project"; the tool
// runs in the folder above.
class SigningBuild : public testing::Test {
protected:
    void SetUp() override
    {
        manifest = test::WriteSampleProject(folder.GetPath() / "project");
        fs::copy_file(STUB, folder.GetPath() / "project" / "product" / "uninst.exe",
                      fs::copy_options::overwrite_existing);
        fs::create_directory(temporary);
        ::setenv("TMPDIR", temporary.c_str(), 1);
        test::WriteFile(folder.GetPath() / "sign.py", SIGNER_SCRIPT);
        UseSigner({});
    }
    void TearDown() override { ::unsetenv("TMPDIR"); }

    void UseSigner(const test::SignerShape& shape) const
    {
        fs::create_directories(folder.GetPath() / "signer");
        test::WriteTestSigner(test::MakeTestSigner(shape), folder.GetPath() / "signer");
    }

    void WriteManifest(const std::string& extra) const
    {
        test::WriteFile(manifest, test::GetMinimalManifest() + "uninstaller = 'own'\n" + extra);
    }
    test::ToolRun Build(const std::string& options)
    {
        return RunTool(folder.GetPath(), "build project/manifest.toml --wizard project/wizard.dll --stub '" +
                                             STUB.string() + "' -o Setup.exe " + options);
    }
    // What the recording signer wrote: --sign runs where the tool runs, the manifest's command
    // in the manifest's folder.
    std::string ReadSigned(const fs::path& where) const
    {
        std::ifstream in(where / "signed.txt");
        return {std::istreambuf_iterator<char>(in), {}};
    }
    bool IsClean() const { return fs::is_empty(temporary) && !fs::exists(folder.GetPath() / "Setup.exe"); }

    TemporaryFolder folder;
    fs::path manifest;
    fs::path temporary = folder.GetPath() / "tmp";
    // The script's command without its two paths; the test folder's path needs no quotes.
    const std::string signer = "python3 " + (folder.GetPath() / "sign.py").string();
};

// --sign with `command`, quoted for the shell that RunTool starts.
std::string SignOption(std::string_view command)
{
    std::string quoted = "--sign '";
    for (const char c : command)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

TEST_F(SigningBuild, SignsTheUninstallerThatIsPackedAndThenSetup)
{
    WriteManifest("[signing]\ncommand = \"sh -c 'echo manifest >signed.txt; false' {in} {out}\"\n");
    const test::ToolRun run = Build(SignOption(signer + " {in} {out}"));  // --sign wins over the manifest
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_TRUE(run.output.starts_with("wrote Setup.exe (")) << run.output;
    EXPECT_EQ(ReadSigned(folder.GetPath()), "uninst.exe\nSetup.exe\n");
    EXPECT_TRUE(fs::is_empty(temporary));

    const test::ToolRun inspect = RunTool(folder.GetPath(), "inspect Setup.exe");
    for (const char* program : {"  Setup.exe   ", "  uninst.exe  "})
        EXPECT_TRUE(Contains(inspect.output, program + std::string("signed (certificate table of "))) << inspect.output;
    const std::string size = std::to_string(fs::file_size(folder.GetPath() / "signed-uninst.exe"));
    EXPECT_TRUE(Contains(inspect.output, " " + size + " bytes (")) << inspect.output;
}

TEST_F(SigningBuild, ASignatureThatWindowsWouldRefuseStopsTheBuild)
{
    WriteManifest("");
    const std::vector<std::pair<test::SignerShape, std::string>> cases = {
        {{false, -2 * 86400, -86400}, "' expired on 20"},
        {{true}, "' has an elliptic-curve key, which Windows XP and earlier cannot verify"},
    };
    for (const auto& [shape, refusal] : cases) {
        UseSigner(shape);
        const test::ToolRun run = Build(SignOption(signer + " {in} {out}"));
        EXPECT_EQ(run.exitCode, 1) << run.output;
        EXPECT_TRUE(Contains(run.output, "the signing command 'python3' signed uninst.exe, but Windows would refuse "
                                         "the signature: the signer's certificate '/CN=Quillset test signer" +
                                             refusal))
            << run.output;
        EXPECT_TRUE(IsClean());
    }
}

TEST_F(SigningBuild, SignsOnlySetupWithoutAnUninstallerAndOnlyTheUninstallerInARawPackage)
{
    test::WriteFile(manifest, test::GetMinimalManifest() + "uninstaller = 'none'\n[signing]\ncommand = '''" +
                                  signer + " {in} {out}'''\n");
    fs::remove(folder.GetPath() / "project" / "product" / "uninst.exe");
    ASSERT_EQ(Build("").exitCode, 0);
    EXPECT_EQ(ReadSigned(folder.GetPath() / "project"), "Setup.exe\n");

    test::WriteFile(manifest, test::GetMinimalManifest());
    const std::string raw = "--raw --uninstaller '" + STUB.string() + "' ";
    ASSERT_EQ(Build(raw + SignOption(signer + " {in} {out}")).exitCode, 0);
    EXPECT_EQ(ReadSigned(folder.GetPath()), "uninst.exe\n");
}

TEST_F(SigningBuild, AnUninstallerWhoseSignatureAVerifierWouldRefuseIsNotPacked)
{
    // Signed by the script, then given bytes after its signature.
    const fs::path product = folder.GetPath() / "project" / "product";
    ASSERT_EQ(test::RunProgram(folder.GetPath(), "/usr/bin/env",
                               signer + " '" + STUB.string() + "' '" + (product / "uninst.exe").string() + "'")
                  .exitCode,
              0);
    std::ofstream(product / "uninst.exe", std::ios::binary | std::ios::app) << "appended";
    const std::string unsound = "signature is unsound (signed, but 8 bytes follow the signature";
    WriteManifest("");
    const test::ToolRun own = Build("");
    EXPECT_EQ(own.exitCode, 1) << own.output;
    EXPECT_TRUE(Contains(own.output, "uninst.exe: not a usable uninstaller: its " + unsound)) << own.output;

    fs::rename(product / "uninst.exe", folder.GetPath() / "builtin.exe");
    test::WriteFile(manifest, test::GetMinimalManifest());
    const test::ToolRun builtin = Build("--uninstaller builtin.exe");
    EXPECT_EQ(builtin.exitCode, 1) << builtin.output;
    EXPECT_TRUE(Contains(builtin.output, "builtin.exe: not a usable uninstaller: its " + unsound)) << builtin.output;
    EXPECT_TRUE(IsClean());
}

TEST_F(SigningBuild, AnOwnUninstallerThatIsNoProgramIsRefusedOnceSigned)
{
    // The recording signer signs any PE image, a DLL too.
    fs::copy_file(folder.GetPath() / "project" / "wizard.dll", folder.GetPath() / "project" / "product" / "uninst.exe",
                  fs::copy_options::overwrite_existing);
    WriteManifest("");
    const test::ToolRun run = Build(SignOption(signer + " {in} {out}"));
    EXPECT_EQ(run.exitCode, 1) << run.output;
    EXPECT_TRUE(Contains(run.output, "uninst.exe: not a usable uninstaller once signed: it is a DLL, not a program"))
        << run.output;
    EXPECT_TRUE(IsClean());
}

TEST_F(SigningBuild, AStopWhileSigningEndsTheSignerAndLeavesNothing)
{
    WriteManifest("[signing]\ncommand = '''sh -c 'echo $$ >signer.pid; exec sleep 60' sh {in} {out}'''\n");
    // The build in the background, stopped with SIGTERM once its signer runs.
    const std::string script = std::string("\"") + QUILLSET_TOOL +
                               "\" build project/manifest.toml --wizard project/wizard.dll --stub \"" + STUB.string() +
                               "\" -o Setup.exe & build=$!; n=0; while [ ! -s project/signer.pid ] && [ $n -lt 200 ]; "
                               "do sleep 0.05; n=$((n + 1)); done; kill -TERM $build; wait $build; echo \"exit $?\"";
    const test::ToolRun run = test::RunProgram(folder.GetPath(), "/bin/sh", "-c '" + script + "'");
    EXPECT_TRUE(Contains(run.output, "exit 143")) << run.output;
    std::ifstream in(folder.GetPath() / "project" / "signer.pid");
    pid_t signer = 0;
    ASSERT_TRUE(in >> signer) << "the signer never ran";
    EXPECT_TRUE(::kill(signer, 0) != 0 && errno == ESRCH) << "the signer still runs";
    EXPECT_TRUE(IsClean());
}

TEST_F(SigningBuild, ASignerThatAsksOnTheTerminalFailsInsteadOfWaiting)
{
    // The build on a terminal of its own, as a vendor runs it, where a signer that reads the
    // terminal would be stopped for good; `timeout` ends a build that waits.
    WriteManifest("[signing]\ncommand = '''sh -c 'read p </dev/tty && cp \"$1\" \"$2\"' sh {in} {out}'''\n");
    test::WriteFile(folder.GetPath() / "on_terminal.sh",
                    "timeout 30 script -qec '\"" + std::string(QUILLSET_TOOL) +
                        "\" build project/manifest.toml --wizard project/wizard.dll --stub \"" + STUB.string() +
                        "\" -o Setup.exe' /dev/null\necho \"exit $?\"\n");
    const test::ToolRun run = test::RunProgram(folder.GetPath(), "/bin/sh", "on_terminal.sh");
    EXPECT_FALSE(Contains(run.output, "exit 124")) << run.output;
    EXPECT_TRUE(Contains(run.output, "the signing command 'sh' failed with exit code 2 while it signed uninst.exe"))
        << run.output;
    EXPECT_TRUE(IsClean());
}

TEST_F(SigningBuild, AnUnusableTemporaryFolderIsNamedAndNothingIsWritten)
{
    const fs::path missing = folder.GetPath() / "missing";
    ::setenv("TMPDIR", missing.c_str(), 1);
    WriteManifest("[signing]\ncommand = '" + signer + " {in} {out}'\n");
    const test::ToolRun run = Build("");
    EXPECT_EQ(run.exitCode, 1) << run.output;
    EXPECT_TRUE(Contains(run.output, "quillset: error: cannot make a temporary folder for signing: ")) << run.output;
    EXPECT_TRUE(Contains(run.output, "(TMPDIR is \"" + missing.string() + "\"); set TMPDIR to a folder")) << run.output;
    EXPECT_TRUE(IsClean());
}

TEST_F(SigningBuild, AFailingSignerStopsTheBuildWithItsExitCodeAndOutputAndLeavesNothing)
{
    struct Case {
        std::string command;
        int exitCode;
        std::vector<std::string> expected;
    };
    const std::vector<Case> cases = {
        {"sh -c 'echo no such key >&2; exit 3' sh {in} {out}", 3,
         {"quillset: error: the signing command 'sh' failed with exit code 3 while it signed uninst.exe; "
          "its output:\n  no such key\n"}},
        // The package is complete by then; Setup.exe still does not appear.
        {"sh -c 'case \"$1\" in *Setup.exe) echo refused; exit 4;; esac; " + signer +
             " \"$1\" \"$2\"' sh {in} {out}",
         4,
         {"exit code 4 while it signed Setup.exe", "\n  refused\n"}},
        {"true {in} {out}", 1, {"'true' succeeded but wrote no signed uninst.exe", "it printed nothing"}},
        {"sh -c 'echo text >\"$2\"' sh {in} {out}", 1,
         {"wrote a signed uninst.exe that is no valid PE image"}},
        {"sh -c 'head -c 1024 \"$1\" >\"$2\"' sh {in} {out}", 1,
         {"uninst.exe that is no valid PE image (truncated"}},
        {"sh -c '" + signer + " \"$0\" \"$2\"' " + STUB.string() + " {in} {out}", 1,
         {"'sh' wrote a Setup.exe that differs from the program it was given at byte "}},
        {"no-such-signer {in} {out}", 127, {"cannot run the signing command 'no-such-signer'"}},
        // Signed, then changed in the DOS stub: the signature would cover any change.
        {"sh -c '" + signer + " \"$1\" \"$2\" && printf X | dd of=\"$2\" bs=1 seek=70 conv=notrunc 2>/dev/null' "
         "sh {in} {out}",
         1, {"'sh' wrote a uninst.exe that differs from the program it was given at byte 70"}},
        // A command that succeeds without signing would ship an unsigned program.
        {"cp {in} {out}", 1, {"the signing command 'cp' succeeded but left uninst.exe unsigned"}},
        // A security directory entry that leads past the end of the file.
        {"python3 -c 'import sys; b = bytearray(open(sys.argv[1], \"rb\").read()); "
         "at = int.from_bytes(b[60:64], \"little\") + 24 + 128; "
         "b[at:at + 8] = len(b).to_bytes(4, \"little\") + (8).to_bytes(4, \"little\"); "
         "open(sys.argv[2], \"wb\").write(b)' {in} {out}",
         1, {"'python3' wrote a uninst.exe whose signature is unsound (damaged signature: "}},
    };
    for (const Case& entry : cases) {
        WriteManifest("[signing]\ncommand = '''" + entry.command + "'''\n");
        const test::ToolRun run = Build("");
        EXPECT_EQ(run.exitCode, entry.exitCode) << entry.command << "\n" << run.output;
        for (const std::string& part : entry.expected)
            EXPECT_TRUE(Contains(run.output, part)) << entry.command << "\n" << run.output;
        EXPECT_TRUE(IsClean()) << entry.command;
    }
}

TEST_F(SigningBuild, TheOutputMayNotReplaceAFileThatTheSigningCommandNames)
{
    const std::string keyText = "the vendor's key";
    const std::string certificateText = "the vendor's certificate";
    const fs::path key = folder.GetPath() / "key.pem";
    const fs::path certificate = folder.GetPath() / "project" / "cert.pem";
    test::WriteFile(key, keyText);
    test::WriteFile(certificate, certificateText);
    const std::string copy = signer + " {in} {out}";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"key.pem", SignOption(copy + " -key key.pem")},
        {"key.pem", SignOption(copy + " -key=key.pem")},
        // The manifest's command names its files from the manifest's folder.
        {"project/cert.pem", ""},
    };
    WriteManifest("[signing]\ncommand = '''" + copy + " -certs cert.pem'''\n");
    for (const auto& [output, options] : cases) {
        const test::ToolRun run =
            RunTool(folder.GetPath(), "build project/manifest.toml --wizard project/wizard.dll --stub '" +
                                          STUB.string() + "' -o " + output + " " + options);
        EXPECT_EQ(run.exitCode, 1) << options << "\n" << run.output;
        EXPECT_TRUE(Contains(run.output, "the output would replace a file that the signing command names"))
            << run.output;
    }
    EXPECT_EQ(test::ReadBytes(key), Bytes(keyText.begin(), keyText.end()));
    EXPECT_EQ(test::ReadBytes(certificate), Bytes(certificateText.begin(), certificateText.end()));
    EXPECT_EQ(Build(SignOption(copy + " -key key.pem")).exitCode, 0) << "another output is built";
}

}  // namespace
}  // namespace quillset
