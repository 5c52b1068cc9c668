// The quillset command line: build a Setup.exe from a manifest, embed a package into the
// launcher stub, or inspect a package; options parsed with CLI11.
#include <CLI/CLI.hpp>

#include <iostream>
#include <thread>

#include "build_options.h"
#include "commands.h"

namespace {

unsigned GetDefaultThreads()
{
    const unsigned cores = std::thread::hardware_concurrency();
    return cores ? cores : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    CLI::App app{"quillset: builds self-contained Setup.exe installers for 32-bit Windows programs"};
    app.require_subcommand(1);

    quillset::BuildCommand build;
    build.threads = GetDefaultThreads();
    CLI::App* buildApp = app.add_subcommand("build", "Build a Setup.exe (or a raw package) from a manifest");
    buildApp->add_option("MANIFEST", build.manifest, "The product manifest (TOML)")->required();
    buildApp->add_option("-o,--output", build.output,
                         "Output file (default Setup.exe, or package.bin with --raw)");
    buildApp->add_option("--stub", build.stub,
                         "Launcher stub (default: ../share/quillset/Setup.exe beside the tool)");
    buildApp->add_option("--wizard", build.wizard,
                         "Wizard library (default: ../share/quillset/Wizard.dll beside the tool)");
    buildApp->add_option("--uninstaller", build.uninstaller,
                         "Uninstaller added as uninst.exe (default: ../share/quillset/uninst.exe beside the tool)");
    buildApp->add_flag("--raw", build.raw, "Write the bare package instead of a Setup.exe");
    buildApp->add_option("-j,--jobs", build.threads, "Compression threads (default: all cores)")
        ->check(CLI::Range(1u, 1024u));
    quillset::AddCompressionOptions(*buildApp, build);

    quillset::EmbedCommand embed;
    CLI::App* embedApp = app.add_subcommand("embed", "Put a package file into the launcher stub");
    embedApp->add_option("PACKAGE", embed.package, "A raw setup package")->required();
    embedApp->add_option("-o,--output", embed.output, "Output file (default Setup.exe)");
    embedApp->add_option("--stub", embed.stub,
                         "Launcher stub (default: ../share/quillset/Setup.exe beside the tool)");

    std::filesystem::path inspected;
    CLI::App* inspectApp =
        app.add_subcommand("inspect", "Describe a Setup.exe, a raw package or an uninst.dat and check it");
    inspectApp->add_option("FILE", inspected, "A Setup.exe, a raw package or an uninstall log")->required();

    CLI11_PARSE(app, argc, argv);

    try {
        if (buildApp->parsed())
            return quillset::RunBuild(build);
        if (embedApp->parsed())
            return quillset::RunEmbed(embed);
        return quillset::RunInspect(inspected);
    } catch (const std::exception& error) {
        std::cerr << "quillset: error: " << error.what() << "\n";
        return 1;
    }
}
