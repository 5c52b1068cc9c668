// The account of one try run: what was installed, each check with its outcome, what the removal
// left; printed as text for people and written as JSON for programs.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quillset {

struct TryCheck {
    std::string section;  // "install", "files", "shortcuts", "registry", "log", "removal"
    bool ok = true;
    std::string text;
};

struct TryReport {
    std::string setup;
    std::vector<std::string> pages;      // the pages passed, in order
    std::vector<std::string> installed;  // what the installation made, one line each
    std::string uninstallLog;            // uninst.dat as `quillset inspect` prints it
    std::vector<TryCheck> checks;
    std::vector<std::string> leftovers;  // what the removal left behind
    bool removalRan = false;
    std::vector<std::string> pictures;
    std::string error;  // why the run ended without a full report; empty when it has one

    void Pass(std::string section, std::string text) { checks.push_back({std::move(section), true, std::move(text)}); }
    void Fail(std::string section, std::string text) { checks.push_back({std::move(section), false, std::move(text)}); }
    bool Failed() const;  // the run ended early, a check failed or something was left
};

std::string FormatReportText(const TryReport& report);
std::string FormatReportJson(const TryReport& report);

// `text` as a JSON string, quotes included; bytes that are no valid UTF-8 are taken as
// Windows-1252, as the package's texts are.
std::string QuoteJson(std::string_view text);

}  // namespace quillset
