// The signals that stop a command of the tool (SIGINT, SIGTERM, SIGHUP), noted while a watch
// lives instead of ending the process, so that what the command started can be ended first.
#pragma once

#include <signal.h>

#include <cstddef>

namespace quillset {

class StopSignalWatch {
public:
    // A signal that was ignored (nohup, a background job) stays ignored.
    StopSignalWatch();
    // The handlers from before come back.
    ~StopSignalWatch();
    StopSignalWatch(const StopSignalWatch&) = delete;
    StopSignalWatch& operator=(const StopSignalWatch&) = delete;

private:
    static constexpr std::size_t SIGNAL_COUNT = 3;
    struct sigaction previous_[SIGNAL_COUNT];
};

// The stop signal that came while a watch lived, or 0.
int GetStopSignal();

}  // namespace quillset
