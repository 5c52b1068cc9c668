// quillset try: installs a Setup.exe in a throwaway Wine prefix through its wizard, checks what
// it installed against its package, removes it again and reports what was left.
#pragma once

#include <filesystem>
#include <string>

#include "try_scenario.h"

namespace CLI {
class App;
}

namespace quillset {

struct TryCommand {
    std::filesystem::path setup;
    TryChoices choices;
    std::filesystem::path shots;  // empty: no pictures
    std::filesystem::path json;   // empty: no JSON
    std::string uninstall = "quiet";  // quiet, ui or no
    double timeout = 120;
};

// 0 for a clean installation and removal, 1 when anything failed or was left, 2 when the
// run could not be made at all.
int RunTry(const TryCommand& command);

// The destination typed on the Destination page as the wizard keeps it (see NormalisePathText),
// which the checks compare with; throws std::runtime_error for one that a run must not install
// to: off drive C: or in C:\windows.
std::string ReadDestination(const std::string& typed);

// Throws std::runtime_error when a picture the run may write (one for each shot of `scenario`
// in the --shots folder, and those of a hang there or in the current folder) is the Setup.exe,
// whatever path or link names it.
void CheckPictureOutputs(const TryCommand& command, const std::string& scenario);

}  // namespace quillset

// The options of the try subcommand, filling `command`.
void AddTryOptions(CLI::App& app, quillset::TryCommand& command);

namespace quillset {

}  // namespace quillset
