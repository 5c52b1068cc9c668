// The throwaway Wine world of one try run: an Xvfb display and a 32-bit prefix copied from a
// clean template kept in the user's cache, both made and ended here, and programs run in them.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "stop_signals.h"
#include "try_display.h"

namespace quillset {

struct ProcessResult {
    int exitCode = -1;
    bool timedOut = false;
    bool programsEnded = false;  // RunWine: programs it started still ran after it, and were ended
};

// A run stopped by SIGINT, SIGTERM or SIGHUP while a WineWorld stood: thrown by RunProcess once
// it has ended the process group it waited for, so that the world's destructor still ends the
// display and the server and removes the prefix.
class TryStopped : public std::runtime_error {
public:
    explicit TryStopped(int signal);
    int signal;
};

// Wine could not make the throwaway prefix: the installer was not tried, as when Wine cannot
// run the test driver (exit code 2, not a failed installation's 1).
class WineBroken : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Runs `argv` (looked up in PATH) with `environment`, its standard output and error into
// `output` (or /dev/null when empty), ending its process group after `timeoutSeconds`; before
// ending it, `onTimeout` runs (for a picture of the screen).
ProcessResult RunProcess(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
                         const std::filesystem::path& output, double timeoutSeconds,
                         const std::function<void()>& onTimeout = {});

// The report's line for ProcessResult::programsEnded of `step` ("the installation").
inline std::string DescribeEndedPrograms(const std::string& step)
{
    return "programs started by " + step + " still ran after it had ended; they were ended before the checks";
}

// Throws TryStopped when a stop signal came while no process was waited for.
void ThrowIfStopped();

// Replaces every symbolic link below `root` that leads outside `within` with an empty folder,
// or with a copy of the file it leads to, so that nothing written below `root` lands elsewhere
// (Wine links a profile's folders to the user's home).
void ReplaceOutsideLinks(const std::filesystem::path& root, const std::filesystem::path& within);

// Names the Debian packages to install when wine, the 32-bit loader, Xvfb, xwd or convert is
// missing.
std::optional<std::string> FindMissingTools();

// Removes the run folders ("quillset-try.*") in `parent` that runs ended by SIGKILL or a crash
// left behind, some 600 MB each: a run holds its folder's lock for its whole life, so a lock
// that can be taken has no run behind it. Folders of other users, and ones without a lock
// (a run starting), stay.
void RemoveAbandonedRuns(const std::filesystem::path& parent);

class WineWorld {
public:
    // Starts the display and copies the template prefix (making it first when there is none)
    // into a new temporary folder. Throws std::runtime_error saying what failed.
    WineWorld();
    ~WineWorld();
    WineWorld(const WineWorld&) = delete;
    WineWorld& operator=(const WineWorld&) = delete;

    const std::filesystem::path& Prefix() const { return prefix_; }
    const std::filesystem::path& Folder() const { return folder_; }
    const std::string& Display() const { return display_.name; }
    std::vector<std::string> Environment() const;

    // `wine ARGS...`, then waits for the wineserver to end so that the registry is saved, within
    // what is left of `timeoutSeconds` (at least a few seconds); programs still running then
    // are ended (programsEnded).
    ProcessResult RunWine(const std::vector<std::string>& args, const std::filesystem::path& output,
                          double timeoutSeconds, const std::function<void()>& onTimeout = {});
    // Saves the whole screen as a PNG; false when it could not.
    bool SaveScreen(const std::filesystem::path& png) const;
    // The Linux path of a C:\ path in the prefix, or nothing for another drive.
    std::optional<std::filesystem::path> ToUnixPath(const std::string& windowsPath) const;
    // The Z: path of a Linux file, as Wine's programs take it.
    static std::string ToWinePath(const std::filesystem::path& file);

private:
    void Close();  // ends the server and the display, removes the folder
    bool WaitForServer(double seconds);  // false when programs still ran, which are ended
    std::optional<StopSignalWatch> stopWatch_;  // from the start to the end of the world
    std::filesystem::path folder_;
    std::filesystem::path prefix_;
    std::filesystem::path temporary_;  // the TMPDIR of every program run in the world
    PrivateDisplay display_;
    int runLock_ = -1;  // held while the world stands: see RemoveAbandonedRuns
};

}  // namespace quillset
