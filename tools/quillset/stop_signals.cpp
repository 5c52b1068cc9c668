// The stop signals' one handler: while a watch lives it only notes the signal, and the command
// ends its processes and removes its files itself; otherwise it removes the held files and ends
// the process as the signal would have.
#include "stop_signals.h"

#include <limits.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstring>
#include <iterator>
#include <mutex>

namespace quillset {
namespace {

constexpr int STOP_SIGNALS[] = {SIGINT, SIGTERM, SIGHUP};
constexpr std::size_t SIGNAL_COUNT = std::size(STOP_SIGNALS);
// Temporary files held at once: a build holds one pack of the stream cache.
constexpr std::size_t REMOVAL_SLOTS = 4;

volatile std::sig_atomic_t stopSignal = 0;
std::atomic<int> watches{0};
char removalPaths[REMOVAL_SLOTS][PATH_MAX];
std::atomic<bool> removalHeld[REMOVAL_SLOTS];

// Installs and restores the handler for watches and held files alike, around the first and
// the last of them.
std::mutex installGuard;
int installs = 0;
struct sigaction previous[SIGNAL_COUNT];

extern "C" void HandleStopSignal(int signal)
{
    if (watches.load() > 0) {
        stopSignal = signal;
        return;
    }
    for (std::size_t i = 0; i < REMOVAL_SLOTS; ++i)
        if (removalHeld[i].load())
            (void)::unlink(removalPaths[i]);  // nothing is left to report a failure to
    std::signal(signal, SIG_DFL);
    std::raise(signal);  // delivered as the handler returns, by the default action
}

void InstallHandler()
{
    const std::lock_guard lock(installGuard);
    if (installs++ > 0)
        return;
    struct sigaction stop {};
    stop.sa_handler = HandleStopSignal;
    sigemptyset(&stop.sa_mask);
    for (std::size_t i = 0; i < SIGNAL_COUNT; ++i) {
        sigaction(STOP_SIGNALS[i], &stop, &previous[i]);
        if (previous[i].sa_handler == SIG_IGN)
            sigaction(STOP_SIGNALS[i], &previous[i], nullptr);
    }
}

void RestoreHandler()
{
    const std::lock_guard lock(installGuard);
    if (--installs > 0)
        return;
    for (std::size_t i = 0; i < SIGNAL_COUNT; ++i)
        sigaction(STOP_SIGNALS[i], &previous[i], nullptr);
}

}  // namespace

// A watch counts from before its handler is in place, so that a signal meanwhile is noted for
// the watch's command, and stops counting before the handler may go, so that a later signal
// is not noted when nobody looks any more.
StopSignalWatch::StopSignalWatch()
{
    ++watches;
    InstallHandler();
}

StopSignalWatch::~StopSignalWatch()
{
    --watches;
    RestoreHandler();
}

int GetStopSignal()
{
    return stopSignal;
}

RemovalOnStop::RemovalOnStop(const std::string& path) : slot_(-1)
{
    if (path.size() >= PATH_MAX)
        return;
    {
        const std::lock_guard lock(installGuard);
        for (std::size_t i = 0; i < REMOVAL_SLOTS && slot_ < 0; ++i) {
            if (!removalHeld[i].load()) {
                std::memcpy(removalPaths[i], path.c_str(), path.size() + 1);
                removalHeld[i].store(true);
                slot_ = static_cast<int>(i);
            }
        }
    }
    if (slot_ >= 0)
        InstallHandler();
}

RemovalOnStop::~RemovalOnStop()
{
    if (slot_ < 0)
        return;
    removalHeld[slot_].store(false);
    RestoreHandler();
}

}  // namespace quillset
