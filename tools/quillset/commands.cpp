// The commands: every input is read and checked first, the output is written in one atomic
// step at the end, and inspect prints its account to stdout and its failures to stderr.
#include "commands.h"

#include <iostream>
#include <stdexcept>
#include <string>

#include "build_options.h"
#include "file_io.h"
#include "inspector.h"
#include "log_inspector.h"
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

}  // namespace

int RunBuild(const BuildCommand& command)
{
    const fs::path wizard = ResolveInput(command.wizard, "Wizard.dll", "--wizard", "wizard library");
    const fs::path output = !command.output.empty() ? command.output
                            : command.raw           ? "package.bin"
                                                    : "Setup.exe";
    fs::path stub;
    if (!command.raw) {
        stub = ResolveInput(command.stub, "Setup.exe", "--stub", "launcher stub");
        OutputGuard(output).Check(stub, "the launcher stub");
    }

    const std::vector<std::uint8_t> package =
        BuildPackage({command.manifest, wizard, command.threads, ProgressBar::IsTerminalOutput(),
                      command.uninstaller, output, command.level, ResolveCacheSettings(command)});
    if (command.raw)
        WriteOutput(output, package);
    else
        WriteOutput(output, EmbedPackage(ReadWholeFile(stub, MAX_SETUP_FILE_SIZE), package));
    return 0;
}

int RunEmbed(const EmbedCommand& command)
{
    const fs::path stub = ResolveInput(command.stub, "Setup.exe", "--stub", "launcher stub");
    const fs::path output = command.output.empty() ? fs::path("Setup.exe") : command.output;
    const OutputGuard guard(output);
    guard.Check(command.package, "the package");
    guard.Check(stub, "the launcher stub");
    const std::vector<std::uint8_t> package = ReadWholeFile(command.package, MAX_SETUP_FILE_SIZE);
    if (package.empty())
        throw std::runtime_error(command.package.string() + ": the package is empty");
    WriteOutput(output, EmbedPackage(ReadWholeFile(stub, MAX_SETUP_FILE_SIZE), package));
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
