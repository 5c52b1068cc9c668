// The commands: every input is read and checked first, the output is written in one atomic
// step at the end, and inspect prints its account to stdout and its failures to stderr.
#include "commands.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <iostream>
#include <stdexcept>
#include <string>
#include <system_error>

#include "brand.h"
#include "build_options.h"
#include "code_signing.h"
#include "file_io.h"
#include "inspector.h"
#include "log_inspector.h"
#include "module_checks.h"
#include "output_guard.h"
#include "package_builder.h"
#include "pe_image.h"
#include "pe_resources.h"
#include "pe_signature.h"
#include "progress_bar.h"
#include "text_format.h"
#include "tool_paths.h"

namespace quillset {

namespace fs = std::filesystem;

namespace {

// A Setup.exe is a PE32 image, whose file offsets and sizes are 32-bit (embedding refuses a
// bigger one), and a package addresses its bytes with 32-bit offsets; so neither can be larger
// than 4 GiB, and a bigger file is refused before it is read into memory.
constexpr std::uint64_t MAX_SETUP_FILE_SIZE = std::uint64_t{1} << 32;

// Writes the output and says so in one line on standard output, the only thing a successful
// build or embed prints there (the progress bar draws on standard error).
void WriteOutput(const fs::path& output, const BytePieces& bytes)
{
    WriteFileAtomically(output, bytes);
    std::cout << "wrote " << output.string() << " (" << FormatGrouped(bytes.Size()) << " bytes)\n"
              << std::flush;
}

// The packs among `cachePacks` that lie on the disk that `output` is written to, the disk of
// the file its links lead to.
std::vector<fs::path> FindPacksBeside(const fs::path& output, const std::vector<fs::path>& cachePacks)
{
    std::vector<fs::path> beside;
    fs::path folder;
    try {
        folder = FindOutputFolder(output);
    } catch (const std::runtime_error&) {
        return beside;  // the write's own error is the one to report
    }
    struct stat outputStatus { };
    if (::stat(folder.c_str(), &outputStatus) != 0)
        return beside;
    for (const fs::path& pack : cachePacks) {
        struct stat packStatus { };
        if (::stat(pack.c_str(), &packStatus) == 0 && packStatus.st_dev == outputStatus.st_dev)
            beside.push_back(pack);
    }
    return beside;
}

// WriteOutput, which on a full disk gives up the room that this build's packs took there in
// the stream cache and tries once more: the cache must never be why a build fails.
void WriteBuildOutput(const fs::path& output, const BytePieces& bytes, const std::vector<fs::path>& cachePacks)
{
    std::vector<fs::path> beside;
    try {
        WriteOutput(output, bytes);
        return;
    } catch (const std::system_error& error) {
        const bool full = error.code() == std::errc::no_space_on_device || error.code().value() == EDQUOT;
        if (full)
            beside = FindPacksBeside(output, cachePacks);
        if (beside.empty())
            throw;
    }
    std::uintmax_t freed = 0;
    for (const fs::path& pack : beside) {
        std::error_code sizeError;
        std::error_code removeError;
        const std::uintmax_t size = fs::file_size(pack, sizeError);
        if (fs::remove(pack, removeError) && !sizeError)
            freed += size;
    }
    std::cerr << "quillset: warning: stream cache: the disk is full; the " << FormatGrouped(freed)
              << " bytes of this build's streams in the cache are given up for the output\n";
    WriteOutput(output, bytes);
}

// The launcher stub's bytes, refused with its name when no working Setup.exe can be made of
// it; a signed stub is said to lose its signature, which embedding takes off.
std::vector<std::uint8_t> LoadStub(const fs::path& stub)
{
    std::vector<std::uint8_t> bytes = ReadWholeFile(stub, MAX_SETUP_FILE_SIZE);
    CheckModuleFile(stub, bytes, ModuleRole::LauncherStub);
    try {
        if (FindPeSignature(ReadPeImage(bytes), bytes).state != PeSignature::State::Unsigned)
            std::cerr << "quillset: note: " << stub.string()
                      << " is signed; its signature is taken off, as the package would break it\n";
    } catch (const PeFormatError&) {
        // EmbedPackage says what is wrong with it.
    }
    return bytes;
}

}  // namespace

int RunBuild(const BuildCommand& command)
{
    const fs::path wizard = ResolveInput(command.wizard, "Wizard.dll", "--wizard", "wizard library");
    const fs::path output = !command.output.empty() ? command.output
                            : command.raw           ? "package.bin"
                                                    : "Setup.exe";
    std::optional<SigningCommand> signing;
    if (command.sign) {
        try {
            signing = ParseSigningCommand(*command.sign, fs::current_path());
        } catch (const std::invalid_argument& error) {
            throw std::runtime_error(std::string("--sign: ") + error.what());
        }
    }
    std::vector<std::uint8_t> stub;
    if (!command.raw) {
        const fs::path stubFile = ResolveInput(command.stub, "Setup.exe", "--stub", "launcher stub");
        OutputGuard(output).Check(stubFile, "the launcher stub");
        stub = LoadStub(stubFile);
    }

    StubBrand brand;
    BuildSettings settings{command.manifest,
                           wizard,
                           command.threads,
                           ProgressBar::IsTerminalOutput(),
                           command.uninstaller,
                           output,
                           command.level,
                           ResolveCacheSettings(command),
                           signing,
                           &brand};
    BuiltPackage package = BuildSignedPackage(settings);
    if (command.raw) {
        WriteBuildOutput(output, package.bytes, package.cachePacks);
        return 0;
    }
    BytePieces setup = EmbedPackageInPieces(stub, package.bytes,
                                            [&](ResourceDirectory& tree) { ApplyStubBrand(tree, brand); });
    if (package.signing) {
        // The signing command takes the image as one file; it is held once while it signs.
        const std::vector<std::uint8_t> image = setup.Join();
        setup = {};
        package.bytes = {};
        setup = BytePieces(SignImage(*package.signing, image, "Setup.exe"));
    }
    WriteBuildOutput(output, setup, package.cachePacks);
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
    // A raw package starts with zero bytes; one that starts as a program is most likely a
    // Setup.exe, whose header checks would only list noise.
    if (package.size() >= 2 && package[0] == 'M' && package[1] == 'Z')
        throw std::runtime_error(command.package.string() +
                                 ": is a program, not a raw setup package; embed takes what `quillset build "
                                 "--raw` writes, and `quillset inspect` describes a Setup.exe");
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
    const BytePieces packagePieces = BytePieces::Borrowing(package);
    WriteOutput(output, EmbedPackageInPieces(stubBytes, packagePieces));
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
