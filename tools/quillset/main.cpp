// The quillset command line: build a Setup.exe from a manifest, embed a package into the
// launcher stub, or inspect a package; options parsed with CLI11.
#include <CLI/CLI.hpp>

#include <csignal>
#include <iostream>
#include <thread>

#include "build_options.h"
#include "code_signing.h"
#include "commands.h"
#include "tool_paths.h"
#include "try_command.h"
#include "try_wine.h"

namespace {

// Does nothing: a caught signal, unlike an ignored one, goes back to its default in the
// programs that the tool starts (the signing command, Wine).
extern "C" void NoteFileSizeLimit(int) {}

unsigned GetDefaultThreads()
{
    const unsigned cores = std::thread::hardware_concurrency();
    return cores ? cores : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    // A write past the file size limit (ulimit -f) then fails with EFBIG, which the output's
    // writer cleans up after and the cache takes as a warning, instead of killing the tool.
    (void)std::signal(SIGXFSZ, NoteFileSizeLimit);
    CLI::App app{"quillset: builds self-contained Setup.exe installers for 32-bit Windows programs"};
    app.require_subcommand(1);
    app.set_version_flag("--version", std::string("quillset ") + QUILLSET_VERSION);
    // The defaults beside the tool are shown where this copy of the tool finds them.
    const std::string sharedStub = quillset::FindSharedFile("Setup.exe").string();
    const std::string sharedWizard = quillset::FindSharedFile("Wizard.dll").string();
    const std::string sharedUninstaller = quillset::FindSharedFile("uninst.exe").string();

    // An empty -o would otherwise be taken as no -o at all, and the default written.
    const CLI::Validator namesAFile(
        [](const std::string& path) { return path.empty() ? std::string("an empty path names no file") : std::string(); },
        "");

    quillset::BuildCommand build;
    build.threads = GetDefaultThreads();
    CLI::App* buildApp = app.add_subcommand("build", "Build a Setup.exe (or a raw package) from a manifest");
    buildApp->add_option("MANIFEST", build.manifest, "The product manifest (TOML)")->required();
    buildApp->add_option("-o,--output", build.output, "Output file")
        ->check(namesAFile)
        ->default_str("Setup.exe, or package.bin with --raw");
    buildApp->add_option("--stub", build.stub, "Launcher stub: a 32-bit GUI program with the launcher's resources")
        ->default_str(sharedStub);
    buildApp->add_option("--wizard", build.wizard, "Wizard library: a 32-bit DLL that exports ShowWizard")
        ->default_str(sharedWizard);
    buildApp->add_option("--uninstaller", build.uninstaller,
                         "Uninstaller added as uninst.exe when the manifest asks for the builtin one")
        ->default_str(sharedUninstaller);
    buildApp->add_flag("--raw", build.raw, "Write the bare package instead of a Setup.exe");
    buildApp->add_option("--sign", build.sign,
                         "Signing command run on uninst.exe and Setup.exe, with {in} and {out} for their "
                         "files (replaces the manifest's [signing] command)");
    buildApp->add_option("-j,--jobs", build.threads, "Compression threads (all cores by default)")
        ->check(quillset::MakePlainNumberCheck())
        ->check(CLI::Range(1u, 1024u))
        ->capture_default_str();
    quillset::AddCompressionOptions(*buildApp, build);

    quillset::EmbedCommand embed;
    CLI::App* embedApp = app.add_subcommand("embed", "Put a checked package file into the launcher stub");
    embedApp->add_option("PACKAGE", embed.package, "A raw setup package")->required();
    embedApp->add_option("-o,--output", embed.output, "Output file")->check(namesAFile)->default_str("Setup.exe");
    embedApp->add_option("--stub", embed.stub, "Launcher stub: a 32-bit GUI program with the launcher's resources")
        ->default_str(sharedStub);

    std::filesystem::path inspected;
    CLI::App* inspectApp =
        app.add_subcommand("inspect", "Describe a Setup.exe, a raw package or an uninst.dat and check it");
    inspectApp->add_option("FILE", inspected, "A Setup.exe, a raw package or an uninstall log")->required();

    quillset::TryCommand tryRun;
    CLI::App* tryApp = app.add_subcommand("try", "Install a Setup.exe in a throwaway Wine prefix, check it, remove it");
    AddTryOptions(*tryApp, tryRun);

    // CLI11 would only say that a command is required.
    const auto isCommand = [&](const std::string& name) {
        return !app.get_subcommands([&](CLI::App* command) { return command->get_name() == name; }).empty();
    };
    if (argc > 1 && argv[1][0] != '-' && !isCommand(argv[1])) {
        std::cerr << "quillset: unknown command \"" << argv[1]
                  << "\"; the commands are build, embed, inspect and try (quillset --help says more)\n";
        return 2;
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        // CLI11 prints its message (or the help, or the version asked for) and has a code of its
        // own for each misuse; any misuse is 2 here, so that it cannot pass for a failed check.
        return app.exit(error) == static_cast<int>(CLI::ExitCodes::Success) ? 0 : 2;
    }

    try {
        if (buildApp->parsed())
            return quillset::RunBuild(build);
        if (tryApp->parsed())
            return quillset::RunTry(tryRun);
        if (embedApp->parsed())
            return quillset::RunEmbed(embed);
        return quillset::RunInspect(inspected);
    } catch (const quillset::TryStopped& stopped) {
        std::cerr << "quillset: " << stopped.what() << "\n";
        return 128 + stopped.signal;
    } catch (const quillset::WineBroken& error) {
        std::cerr << "quillset: error: " << error.what() << "\n";
        return 2;
    } catch (const quillset::SigningError& error) {
        std::cerr << "quillset: error: " << error.what() << "\n";
        return error.exitCode;
    } catch (const std::exception& error) {
        std::cerr << "quillset: error: " << error.what() << "\n";
        return 1;
    }
}
