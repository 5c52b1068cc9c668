// The driver prints each step before it runs it, so a page counts as passed only once the step
// after its "expect page" has started; a failure's reason follows on indented lines.
#include "try_driver_output.h"

#include <cctype>
#include <cstdlib>
#include <sstream>

namespace quillset {
namespace {

std::vector<std::string> SplitLines(const std::string& output)
{
    std::vector<std::string> lines;
    std::istringstream in(output);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// The driver describes an open box as: a message box "CAPTION": "TEXT" is open.
std::string FindMessageBox(const std::string& reason)
{
    static const std::string opening = "a message box ";
    static const std::string closing = " is open";
    const std::size_t start = reason.find(opening);
    if (start == std::string::npos)
        return "";
    const std::size_t end = reason.find(closing, start);
    if (end == std::string::npos)
        return "";
    return reason.substr(start + opening.size(), end - start - opening.size());
}

}  // namespace

DriverOutcome ReadDriverOutput(const std::string& output)
{
    DriverOutcome outcome;
    std::string pendingPage;
    bool afterReady = false;
    auto confirm = [&] {
        if (pendingPage.empty())
            return;
        // The Ready page is expected twice when the exit confirmation is pictured.
        if (outcome.pages.empty() || outcome.pages.back() != pendingPage)
            outcome.pages.push_back(pendingPage);
        outcome.standing = pendingPage;
        pendingPage.clear();
    };
    for (const std::string& line : SplitLines(output)) {
        if (const std::size_t failed = line.find(": FAILED: "); failed != std::string::npos) {
            outcome.failure = line.substr(failed + 10);
            pendingPage.clear();
            continue;
        }
        if (!outcome.failure.empty()) {
            if (line.starts_with("    ") && !line.starts_with("    as run:")) {
                outcome.failure += ": " + line.substr(4);
                if (outcome.messageBox.empty())
                    outcome.messageBox = FindMessageBox(line);
            }
            continue;
        }
        const std::size_t step = line.find_first_not_of(' ');
        if (step == std::string::npos || !std::isdigit(static_cast<unsigned char>(line[step])))
            continue;
        const std::size_t text = line.find("  ", step);
        if (text == std::string::npos)
            continue;
        confirm();
        outcome.lastStep = line.substr(text + 2);
        if (outcome.lastStep == "press next" && outcome.standing == "ready")
            outcome.standing = "installing";
        if (outcome.lastStep.starts_with("expect page ")) {
            pendingPage = outcome.lastStep.substr(12);
            if (pendingPage == "ready")
                afterReady = true;
            else if (pendingPage == "info" && afterReady)
                pendingPage = "info-after";
        }
    }
    if (outcome.failure.empty())
        confirm();
    if (outcome.standing.empty())
        outcome.standing = "none";
    return outcome;
}

WatchOutcome ReadWatchOutput(const std::string& output)
{
    WatchOutcome outcome;
    for (const std::string& line : SplitLines(output)) {
        if (line.starts_with("question: "))
            outcome.questions.push_back(line.substr(10));
        else if (line.starts_with("message: "))
            outcome.messages.push_back(line.substr(9));
        else if (line.starts_with("exit code: "))
            outcome.exitCode = std::atoi(line.c_str() + 11);
        else if (line.starts_with("FAIL: ") && outcome.failure.empty())
            outcome.failure = line.substr(6);
    }
    return outcome;
}

}  // namespace quillset
