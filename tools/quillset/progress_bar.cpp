// Draws "[#####     ]  50%  12/24 files" in place with a carriage return, redrawing only when
// the percentage changes, and erases itself at the end.
#include "progress_bar.h"

#include <unistd.h>

#include <cstdio>
#include <string>

namespace quillset {
namespace {

constexpr int BAR_WIDTH = 40;

}  // namespace

ProgressBar::ProgressBar(std::uint64_t totalWork, std::uint64_t totalItems, bool enabled)
    : totalWork(totalWork), totalItems(totalItems), enabled(enabled)
{
}

ProgressBar::~ProgressBar()
{
    Finish();
}

bool ProgressBar::IsTerminalOutput()
{
    return ::isatty(STDERR_FILENO) == 1;
}

void ProgressBar::Advance(std::uint64_t work)
{
    if (!enabled)
        return;
    std::lock_guard lock(drawing);
    doneWork += work;
    ++doneItems;
    const int percent = totalWork ? static_cast<int>(doneWork * 100 / totalWork) : 100;
    if (percent != drawnPercent && !finished)
        Draw(percent, doneItems);
}

void ProgressBar::Draw(int percent, std::uint64_t items)
{
    drawnPercent = percent;
    const int filled = percent * BAR_WIDTH / 100;
    const std::string bar = std::string(filled, '#') + std::string(BAR_WIDTH - filled, ' ');
    std::fprintf(stderr, "\r[%s] %3d%%  %llu/%llu", bar.c_str(), percent,
                 static_cast<unsigned long long>(items), static_cast<unsigned long long>(totalItems));
    std::fflush(stderr);
}

void ProgressBar::Finish()
{
    std::lock_guard lock(drawing);
    if (!enabled || finished)
        return;
    finished = true;
    if (drawnPercent >= 0) {
        std::fprintf(stderr, "\r%*s\r", BAR_WIDTH + 30, "");
        std::fflush(stderr);
    }
}

}  // namespace quillset
