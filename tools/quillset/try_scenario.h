// What a try run needs to know of a package (its pages, icons, shortcuts, launch entry and
// file tree) and the driver scenario that walks its wizard with the chosen answers.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace quillset {

struct TryShortcut {
    std::string name, target, workingDir;
    int showCommand = 0;
    bool startMenu = false;
};

struct TryFile {
    std::string path;  // relative to the destination, backslashes
    bool directory = false;
    std::uint32_t attributes = 0, size = 0;
    std::uint64_t lastWriteTime = 0;
    std::span<const std::uint8_t> stream;
};

struct TryPackage {
    std::string shortName, displayName, installDir, menuFolder;
    bool infoBefore = false, infoAfter = false;
    std::vector<TryShortcut> menuList;
    std::optional<TryShortcut> desktop, quickLaunch, startup;
    std::optional<std::string> launchCommand;
    bool launchHidden = false;  // the launch entry starts its program with the window hidden
    std::vector<TryFile> files;  // in tree order, each folder before its contents
};

// Reads what try needs from a raw package; throws std::runtime_error when it cannot.
TryPackage ReadTryPackage(std::span<const std::uint8_t> package);

struct TryChoices {
    std::optional<std::string> dest, menuFolder;
    bool noMenuFolder = false, desktop = false, quickLaunch = false, startup = false, launch = false;
    bool shots = false;
    std::string launchProgram;  // the expanded program path, with launch
    int installSeconds = 120;   // how long the Installing page may take
    std::string readySteps;     // driver steps run on the Ready page before Next (a test hook)
};

// The driver scenario. Throws std::runtime_error for a choice the package does not offer.
std::string MakeScenario(const TryPackage& package, const TryChoices& choices);

// A text as a scenario word: in double quotes, with backslashes and quotes escaped.
std::string QuoteScenarioWord(const std::string& text);

// The program of a command line: the quoted first word, or the text up to the first blank.
std::string FindProgramOfCommand(const std::string& commandLine);

}  // namespace quillset
