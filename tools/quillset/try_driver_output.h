// What the wizard test driver and the uninstaller watch printed under Wine, read back into the
// pages passed, where the wizard stood, the message box that stopped it, and the boxes answered.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace quillset {

struct DriverOutcome {
    std::vector<std::string> pages;  // passed
    std::string standing;            // the page the wizard stood on last, "installing" once Ready was left
    std::string failure;             // the failed step and what the driver saw, or empty
    std::string messageBox;          // "CAPTION": "TEXT" of a box that was open at the failure, or empty
    std::string lastStep;
};

// Reads the driver's printout: "  12  step" as each step starts, "...: FAILED: step" and an
// indented reason when one fails.
DriverOutcome ReadDriverOutput(const std::string& output);

struct WatchOutcome {
    std::vector<std::string> questions;  // answered Yes
    std::vector<std::string> messages;   // answered OK
    std::optional<int> exitCode;         // the uninstaller's, when it ended
    std::string failure;                 // why the watch could not run it, or empty
};

// Reads the uninstaller watch's "question: ", "message: ", "exit code: " and "FAIL: " lines.
WatchOutcome ReadWatchOutput(const std::string& output);

}  // namespace quillset
