// The command line of quillset try, kept beside the command so that main.cpp only adds it.
// The choices it reads are the ones a person would make on the wizard's pages.
#include <CLI/CLI.hpp>

#include "try_command.h"

void AddTryOptions(CLI::App& app, quillset::TryCommand& command)
{
    // A missing Setup.exe is the run's error, not a usage error, so that its --json report says so.
    app.add_option("SETUP", command.setup, "The Setup.exe to try")->required();
    app.add_option("--dest", command.choices.dest, "Destination typed on the Destination page");
    app.add_option("--menu-folder", command.choices.menuFolder, "Start Menu folder typed on its page");
    app.add_flag("--no-menu-folder", command.choices.noMenuFolder, "Tick \"no Start Menu folder\"");
    app.add_flag("--desktop", command.choices.desktop, "Tick the Desktop icon");
    app.add_flag("--quick-launch", command.choices.quickLaunch, "Tick the Quick Launch icon");
    app.add_flag("--startup", command.choices.startup, "Tick the Startup icon");
    app.add_flag("--launch", command.choices.launch, "Leave the Finish page's launch box ticked");
    app.add_option("--shots", command.shots, "Save a PNG of every page passed in this folder");
    app.add_option("--json", command.json, "Write the report as JSON to this file");
    app.add_option("--uninstall", command.uninstall,
                   "quiet (default): run QuietUninstallString; ui: answer the uninstaller's questions; no: keep it")
        ->check(CLI::IsMember({"quiet", "ui", "no"}));
    app.add_option("--timeout", command.timeout, "Seconds before a hanging installer is ended (default 120)")
        ->check(CLI::Range(5.0, 3600.0));
}
