// The signals that stop a command of the tool (SIGINT, SIGTERM, SIGHUP): noted while a watch
// lives, so that what the command started can be ended first, and otherwise the end of the
// process, after the files held for removal on a stop are removed.
#pragma once

#include <signal.h>

#include <cstddef>
#include <string>

namespace quillset {

class StopSignalWatch {
public:
    // A signal that was ignored (nohup, a background job) stays ignored.
    StopSignalWatch();
    // The handling from before comes back.
    ~StopSignalWatch();
    StopSignalWatch(const StopSignalWatch&) = delete;
    StopSignalWatch& operator=(const StopSignalWatch&) = delete;
};

// The stop signal that came while a watch lived, or 0.
int GetStopSignal();

// A temporary file that a stop signal coming while no watch lives removes before the process
// ends, as no destructor runs then. A few are held at once; a path beyond them, or too long,
// is left as it was before.
class RemovalOnStop {
public:
    explicit RemovalOnStop(const std::string& path);
    // The file is no longer removed on a stop (it was renamed, or removed).
    ~RemovalOnStop();
    RemovalOnStop(const RemovalOnStop&) = delete;
    RemovalOnStop& operator=(const RemovalOnStop&) = delete;

private:
    int slot_;
};

}  // namespace quillset
