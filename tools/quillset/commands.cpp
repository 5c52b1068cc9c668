// The commands: every input is read and checked first, the output is written in one atomic
// step at the end, and inspect prints its account to stdout and its failures to stderr.
#include "commands.h"

#include <iostream>
#include <stdexcept>
#include <string>

#include "file_io.h"
#include "inspector.h"
#include "log_inspector.h"
#include "module_checks.h"
#include "output_guard.h"
#include "package_builder.h"
#include "pe_resources.h"
#include "progress_bar.h"
#include "text_format.h"
#include "tool_paths.h"

namespace quillset {

namespace fs = std::filesystem;

namespace {

// A Setup.exe is a PE32 image, whose file offsets and sizes are 32-bit (EmbedPackage refuses a
// bigger one), and a package addresses its bytes with 32-bit offsets; so neither can be larger
// than 4 GiB, and a bigger file is refused before it is read into memory.
constexpr std::uint64_t MAX_SETUP_FILE_SIZE = std::uint64_t{1} << 32;

// Writes the output and says so in one line on standard output, the only thing a successful
// build or embed prints there (the progress bar draws on standard error).
void WriteOutput(const fs::path& output, const std::vector<std::uint8_t>& bytes)
{
    WriteFileAtomically(output, bytes);
    std::cout << "wrote " << output.string() << " (" << FormatGrouped(bytes.size()) << " bytes)\n"
              << std::flush;
}

// The launcher stub's bytes, refused with its name when no working Setup.exe can be made of it.
std::vector<std::uint8_t> LoadStub(const fs::path& stub)
{
    std::vector<std::uint8_t> bytes = ReadWholeFile(stub, MAX_SETUP_FILE_SIZE);
    CheckModuleFile(stub, bytes, ModuleRole::LauncherStub);
    return bytes;
}

}  // namespace

int RunBuild(const BuildCommand& command)
{
    const fs::path wizard = ResolveInput(command.wizard, "Wizard.dll", "--wizard", "wizard library");
    const fs::path output = !command.output.empty() ? command.output
                            : command.raw           ? "package.bin"
                                                    : "Setup.exe";
    std::vector<std::uint8_t> stub;
    if (!command.raw) {
        const fs::path stubFile = ResolveInput(command.stub, "Setup.exe", "--stub", "launcher stub");
        OutputGuard(output).Check(stubFile, "the launcher stub");
        stub = LoadStub(stubFile);
    }

    const std::vector<std::uint8_t> package =
        BuildPackage({command.manifest, wizard, command.threads, ProgressBar::IsTerminalOutput(),
                      command.uninstaller, output});
    if (command.raw)
        WriteOutput(output, package);
    else
        WriteOutput(output, EmbedPackage(stub, package));
    return 0;
}

int RunEmbed(const EmbedCommand& command)
{
    const fs::path stub = ResolveInput(command.stub, "Setup.exe", "--stub", "launcher stub");
    const fs::path output = command.output.empty() ? fs::path("Setup.exe") : command.output;
    const OutputGuard guard(output);
    guard.Check(command.package, "the package");
    guard.Check(stub, "the launcher stub");
    const std::vector<std::uint8_t> stubBytes = LoadStub(stub);
    const std::vector<std::uint8_t> package = ReadWholeFile(command.package, MAX_SETUP_FILE_SIZE);
    // The launcher and the wizard trust the package as written: it gets inspect's full check.
    const InspectReport report = InspectPackage(package);
    if (!report.failures.empty()) {
        std::string message = command.package.string() + ": not a setup package that an installer can use (" +
                              std::to_string(report.failures.size()) + " failure(s), as `quillset inspect` "
                              "lists them):";
        for (const std::string& failure : report.failures)
            message += "\n  " + failure;
        throw std::runtime_error(message);
    }
    WriteOutput(output, EmbedPackage(stubBytes, package));
    return 0;
}

int RunInspect(const fs::path& file)
{
    const std::vector<std::uint8_t> bytes = ReadWholeFile(file, MAX_SETUP_FILE_SIZE);
    const InspectReport report = IsUninstallLog(file, bytes) ? InspectUninstallLog(bytes) : InspectFile(bytes);
    std::cout << report.text << std::flush;
    if (report.failures.empty())
        return 0;
    std::cerr << file.string() << ": " << report.failures.size() << " failure(s):\n";
    for (const std::string& failure : report.failures)
        std::cerr << "  " << failure << "\n";
    return 1;
}

}  // namespace quillset
