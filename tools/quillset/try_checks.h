// The checks of what an installation left against the package: the file tree, the shortcuts,
// the product's registry keys and the uninstall log, each adding its lines to the report.
#pragma once

#include <filesystem>
#include <string>

#include "try_report.h"
#include "try_scenario.h"
#include "try_snapshot.h"

namespace quillset {

struct InstalledProduct {
    std::filesystem::path prefix;  // the Wine prefix
    std::string dest;              // the destination as Windows names it
    std::string menuFolder;        // the Start Menu folder as typed
    TryChoices choices;
    RegistryKeys user, machine;    // user.reg and system.reg after the installation
};

// Whether a Windows path of drive C exists, and its Linux path.
std::filesystem::path ToPrefixPath(const std::filesystem::path& prefix, const std::string& windowsPath);

// `text` with %InstallDir% and the fixed folders of a Wine prefix expanded; nothing when a
// variable is left that only the wizard knows.
std::optional<std::string> ExpandForCheck(const std::string& text, const std::string& dest);

void CheckFiles(TryReport& report, const TryPackage& package, const InstalledProduct& product);
void CheckShortcuts(TryReport& report, const TryPackage& package, const InstalledProduct& product);
void CheckRegistry(TryReport& report, const TryPackage& package, const InstalledProduct& product);
void CheckUninstallLog(TryReport& report, const TryPackage& package, const InstalledProduct& product);

// The Uninstall key's values after the installation, or null when there is none.
const std::map<std::string, std::string>* FindUninstallKey(const TryPackage& package, const InstalledProduct& product);

}  // namespace quillset
