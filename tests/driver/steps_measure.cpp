// Measuring steps for benchmarks: a time mark, the time elapsed since it, and Setup.exe's
// peak memory as the system reports it. They print figures and never fail on their values.
#include <windows.h>
#include <psapi.h>

#include <cstdio>

#include "steps.h"
#include "step_helpers.h"
#include "wizard_windows.h"

std::string MarkTime(Session& session, const Arguments&)
{
    LARGE_INTEGER now;
    (void)QueryPerformanceCounter(&now); // cannot fail on any supported system
    session.markCounter = now.QuadPart;
    return "";
}

std::string PrintElapsed(Session& session, const Arguments& args)
{
    if (!session.markCounter)
        return "no 'mark' step came before";
    LARGE_INTEGER now, frequency;
    (void)QueryPerformanceCounter(&now);
    (void)QueryPerformanceFrequency(&frequency);
    long long microseconds = (now.QuadPart - session.markCounter) * 1000000 / frequency.QuadPart;
    std::printf("%s %lld\n", args[0].c_str(), microseconds);
    return "";
}

std::string PrintPeakMemory(Session& session, const Arguments& args)
{
    if (!IsRunning(session.setup))
        return "Setup.exe does not run";
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof(counters);
    if (!GetProcessMemoryInfo(session.setup.hProcess, &counters, sizeof(counters)))
        return "GetProcessMemoryInfo failed with error " + std::to_string(GetLastError());
    std::printf("%s peak_working_set=%lu peak_pagefile=%lu\n", args[0].c_str(),
                (unsigned long)counters.PeakWorkingSetSize, (unsigned long)counters.PeakPagefileUsage);
    return "";
}

// Waits until the page shown now is left, looking only at that page's window: reading the whole
// wizard each time, as the expect steps do, keeps the wizard's thread and Wine's server busy
// and would be measured as part of the work.
std::string AwaitPageChange(Session& session, const Arguments&)
{
    const DWORD CHECK_INTERVAL_MS = 10;
    WizardView view;
    std::string problem = WaitForWizard(session, view, nullptr);
    if (!problem.empty())
        return problem;
    DWORD start = GetTickCount();
    while (IsWindow(view.page) && IsWindowVisible(view.page)) {
        if (!IsRunning(session.setup))
            return std::string("Setup.exe ended while the ") + NamePageKind(view.kind) + " page was shown";
        if (GetTickCount() - start >= session.timeoutMs)
            return std::string("the ") + NamePageKind(view.kind) + " page is still shown after " +
                   std::to_string(session.timeoutMs / 1000) + " s";
        Sleep(CHECK_INTERVAL_MS);
    }
    return "";
}
