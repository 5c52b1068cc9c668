// The removal of a tried product as its Uninstall key tells: quietly with QuietUninstallString,
// or as a user would, through the uninstaller's own questions and messages.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "try_report.h"
#include "try_wine.h"

namespace quillset {

struct RemovalRun {
    const std::map<std::string, std::string>* uninstallKey = nullptr;  // its values, or null
    std::filesystem::path watch;  // the uninstaller watch, for a removal as a user
    std::filesystem::path shots;  // where a picture of a hanging removal goes; empty: the current folder
    double timeout = 120;
};

// Runs QuietUninstallString; without one, removes the product as a user.
void RemoveQuietly(TryReport& report, WineWorld& world, const RemovalRun& run);

// Runs UninstallString through the watch, which answers the confirmation Yes and every later
// message OK; the report says what was asked and said.
void RemoveAsUser(TryReport& report, WineWorld& world, const RemovalRun& run);

// A command line as the program and its blank-separated arguments.
std::vector<std::string> SplitCommand(const std::string& commandLine);

}  // namespace quillset
