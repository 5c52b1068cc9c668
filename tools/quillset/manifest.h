// The product manifest: what a package holds, read from a TOML file. Texts are already in
// Windows-1252; paths of source files are resolved against the manifest's folder.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "code_signing.h"

namespace quillset {

// A manifest that cannot be used; the message starts with "file:line: ".
class ManifestError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct ManifestShortcut {
    std::string id;  // UTF-8, as referred to by [single_shortcuts]
    std::string name;
    std::string target;
    std::size_t targetLine = 0;
    std::string workingDir;
    std::size_t workingDirLine = 0;
    std::uint8_t showMode = 0;  // show-mode index 0..3
    bool startMenu = true;
};

struct ManifestRunEntry {
    std::string program;  // the path alone
    std::size_t programLine = 0;
    std::string commandLine;  // the program path, quoted when arguments follow
    std::string workingDir;
    std::size_t workingDirLine = 0;
    std::uint8_t showMode = 0;
    bool wait = false;
};

// Attribute words given for one path of the source tree.
struct AttributeOverride {
    std::vector<std::string> path;  // UTF-8 components below the source folder
    std::uint32_t bits = 0;         // 0 for "normal"
    std::size_t line = 0;
};

// The uninstaller's file name at the top of every installed tree.
inline constexpr std::string_view UNINSTALLER_FILE = "uninst.exe";

// Where the package's top-level "uninst.exe" comes from.
enum class UninstallerChoice {
    Builtin,  // the tool adds its own uninstaller; the source folder must not hold one
    Own,      // the vendor's, which the source folder must hold at its top level
    None,     // no uninstaller at all
};

// [version]: the vendor's values for Setup.exe's version record (UTF-8); absent ones stay the stub's.
struct ManifestVersion {
    std::optional<std::string> productName;
    std::optional<std::string> productVersion;  // also the file version
    std::array<std::uint16_t, 4> number{};      // parsed from productVersion
    std::optional<std::string> company;
    std::optional<std::string> description;
    std::optional<std::string> copyright;
};

struct Manifest {
    std::filesystem::path file;
    std::string shortName;
    std::string displayName;
    std::string installDir;
    std::string menuFolder;
    std::optional<std::string> notice;
    std::optional<std::string> eventName;
    std::optional<std::filesystem::path> infoBefore;
    std::optional<std::filesystem::path> infoAfter;
    std::filesystem::path source;
    std::vector<AttributeOverride> attributeOverrides;
    UninstallerChoice uninstaller = UninstallerChoice::Builtin;
    bool followOutsideLinks = false;  // links in the source folder may lead out of it
    std::vector<ManifestShortcut> shortcuts;
    std::optional<std::size_t> desktopShortcut;  // indexes into `shortcuts`
    std::optional<std::size_t> quickLaunchShortcut;
    std::optional<std::size_t> startupShortcut;
    std::optional<ManifestRunEntry> launch;
    std::optional<ManifestRunEntry> postInstall;
    std::optional<ManifestRunEntry> uninstall;
    std::optional<SigningCommand> signing;  // [signing] command, run in the manifest's folder
    // The vendor's brand: Setup.exe's icon and version record, the wizard's page bitmaps.
    std::optional<std::filesystem::path> icon;
    std::optional<std::filesystem::path> welcomeImage;
    std::optional<std::filesystem::path> headerImage;
    std::optional<ManifestVersion> version;
    std::vector<std::string> warnings;  // "file:line: text" of what is built as asked but may not work
};

// Reads and checks a manifest; throws ManifestError naming the file, the line and the fault.
Manifest ReadManifest(const std::filesystem::path& file);

// The command line of a run entry: the program alone, or the program in double quotes followed
// by a space and the arguments, so that a path with spaces cannot start another program.
std::string ComposeCommandLine(std::string_view program, std::string_view arguments);

}  // namespace quillset
