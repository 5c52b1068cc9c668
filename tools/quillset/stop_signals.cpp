// The stop signals' handler, which only notes the signal: the command that watches for it ends
// its processes and removes its files, then exits with 128 + the signal.
#include "stop_signals.h"

#include <csignal>
#include <iterator>

namespace quillset {
namespace {

constexpr int STOP_SIGNALS[] = {SIGINT, SIGTERM, SIGHUP};
volatile std::sig_atomic_t stopSignal = 0;

extern "C" void NoteStopSignal(int signal)
{
    stopSignal = signal;
}

}  // namespace

StopSignalWatch::StopSignalWatch()
{
    static_assert(std::size(STOP_SIGNALS) == SIGNAL_COUNT);
    struct sigaction stop {};
    stop.sa_handler = NoteStopSignal;
    sigemptyset(&stop.sa_mask);
    for (std::size_t i = 0; i < SIGNAL_COUNT; ++i) {
        sigaction(STOP_SIGNALS[i], &stop, &previous_[i]);
        if (previous_[i].sa_handler == SIG_IGN)
            sigaction(STOP_SIGNALS[i], &previous_[i], nullptr);
    }
}

StopSignalWatch::~StopSignalWatch()
{
    for (std::size_t i = 0; i < SIGNAL_COUNT; ++i)
        sigaction(STOP_SIGNALS[i], &previous_[i], nullptr);
}

int GetStopSignal()
{
    return stopSignal;
}

}  // namespace quillset
