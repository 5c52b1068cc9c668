// What the wizard test driver printed under Wine, read back into the pages passed, where the
// wizard stood, and the message box that stopped it.
#pragma once

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

}  // namespace quillset
