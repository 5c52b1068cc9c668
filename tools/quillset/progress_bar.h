// A progress bar on standard error for long builds; it draws only when standard error is a
// terminal, so logs and pipes stay quiet.
#pragma once

#include <cstdint>
#include <mutex>

namespace quillset {

class ProgressBar {
public:
    // `totalWork` in any unit (bytes here); `enabled` is normally IsTerminalOutput().
    ProgressBar(std::uint64_t totalWork, std::uint64_t totalItems, bool enabled);
    ~ProgressBar();

    // Records one finished item of `work` units; safe to call from several threads.
    void Advance(std::uint64_t work);

    // Clears the bar; called by the destructor as well.
    void Finish();

    static bool IsTerminalOutput();

private:
    void Draw(int percent, std::uint64_t items);

    std::uint64_t totalWork;
    std::uint64_t totalItems;
    bool enabled;
    bool finished = false;
    std::mutex drawing;  // guards everything below
    std::uint64_t doneWork = 0;
    std::uint64_t doneItems = 0;
    int drawnPercent = -1;
};

}  // namespace quillset
