// Measuring steps for benchmarks: a time mark, the time elapsed since it, and Setup.exe's
// peak memory as the system reports it. They print figures and never fail on their values.
#include <windows.h>
#include <psapi.h>

#include <cstdio>

#include "steps.h"

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
