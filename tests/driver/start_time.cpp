// Measures how long a program takes from CreateProcess to its window shown, polling every
// millisecond, then closes it (the wizard through Cancel and Yes, so it cleans up after itself).
#include "start_time.h"

#include <windows.h>

#include <cstdio>

#include "wizard_windows.h"

namespace {

const DWORD GIVE_UP_MS = 30000;
const DWORD CLOSE_WAIT_MS = 20000;

bool IsWelcomeShown(DWORD processId)
{
    WizardView view = ReadWizard(processId);
    return view.frame && IsWindowVisible(view.frame) && view.kind == PageKind::Welcome && IsWindowVisible(view.page);
}

// Cancel, then Yes in the confirmation; a plain window gets WM_CLOSE.
void CloseProgram(const std::string& what, const PROCESS_INFORMATION& process)
{
    DWORD start = GetTickCount();
    bool asked = false;
    while (WaitForSingleObject(process.hProcess, 10) == WAIT_TIMEOUT && GetTickCount() - start < CLOSE_WAIT_MS) {
        if (what == "window") {
            if (!asked && FindShownWindow(process.dwProcessId))
                asked = PostMessageA(FindShownWindow(process.dwProcessId), WM_CLOSE, 0, 0);
            continue;
        }
        HWND frame = FindFrame(process.dwProcessId);
        if (HWND box = FindOtherDialog(process.dwProcessId, frame)) {
            if (HWND yes = GetDlgItem(box, IDYES))
                PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED), reinterpret_cast<LPARAM>(yes));
        } else if (frame && !asked) {
            asked = PostMessageA(frame, WM_CLOSE, 0, 0);
        }
    }
    if (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT)
        (void)TerminateProcess(process.hProcess, 1); // the measurement is over either way
}

} // namespace

int MeasureStartTime(const std::string& what, const std::string& program)
{
    if (what != "welcome" && what != "window") {
        std::fprintf(stderr, "--start-time takes welcome or window, not %s\n", what.c_str());
        return 2;
    }
    LARGE_INTEGER frequency, start, now;
    QueryPerformanceFrequency(&frequency);
    std::string commandLine = "\"" + program + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    QueryPerformanceCounter(&start);
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        std::fprintf(stderr, "cannot start %s\n", program.c_str());
        return 1;
    }
    bool shown = false;
    for (;;) {
        shown = what == "welcome" ? IsWelcomeShown(process.dwProcessId) : FindShownWindow(process.dwProcessId) != nullptr;
        QueryPerformanceCounter(&now);
        if (shown || WaitForSingleObject(process.hProcess, 1) != WAIT_TIMEOUT)
            break;
        if ((now.QuadPart - start.QuadPart) * 1000 / frequency.QuadPart > GIVE_UP_MS)
            break;
    }
    long long micros = (now.QuadPart - start.QuadPart) * 1000000 / frequency.QuadPart;
    CloseProgram(what, process);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    if (!shown) {
        std::fprintf(stderr, "%s showed no %s\n", program.c_str(), what.c_str());
        return 1;
    }
    std::printf("%lld\n", micros);
    return 0;
}
