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

// Folder variable names (without percent signs) to their values in a prefix.
using CheckFolders = std::map<std::string, std::string>;

// The folders every fresh Wine prefix has, with `dest` as %InstallDir%.
CheckFolders MakeFixedFolders(const std::string& dest);

// The folders as the installation saw them: Program Files from HKLM, the user's shell folders
// and temporary folder from HKCU, and `menuFolder` (from the uninstall log) as %MenuFolder%.
CheckFolders FindPrefixFolders(const InstalledProduct& product, const std::string& menuFolder);

// `text` with its folder variables expanded as the shared expansion does; nothing when it
// names one without a value here (%Handle%, which only the wizard knows).
std::optional<std::string> ExpandForCheck(const std::string& text, const CheckFolders& folders);
std::optional<std::string> ExpandForCheck(const std::string& text, const std::string& dest);

void CheckFiles(TryReport& report, const TryPackage& package, const InstalledProduct& product);
void CheckShortcuts(TryReport& report, const TryPackage& package, const InstalledProduct& product);
void CheckRegistry(TryReport& report, const TryPackage& package, const InstalledProduct& product);
void CheckUninstallLog(TryReport& report, const TryPackage& package, const InstalledProduct& product);

// The Uninstall key's values after the installation, or null when there is none.
const std::map<std::string, std::string>* FindUninstallKey(const TryPackage& package, const InstalledProduct& product);

}  // namespace quillset
