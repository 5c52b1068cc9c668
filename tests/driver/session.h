// The driver's state while it runs a scenario (the programs it started, messages it waits
// for) and the waiting routines every step uses: bounded polling, never the clock's result.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

// The longest wait a scenario may ask for, ten hours: at the largest scale it still fits the
// tick counter.
const int MAX_WAIT_SECONDS = 36000;

struct Session {
    std::map<std::string, std::string> variables;
    DWORD timeoutMs = 20000;
    DWORD waitScale = 1; // every wait is this many times longer, on a machine that runs Wine slower
    PROCESS_INFORMATION setup = {};
    DWORD setupStartTick = 0;
    PROCESS_INFORMATION inkwell = {};
    int pendingSends = 0; // messages sent to the wizard whose handling has not returned yet
    std::string definedDrives; // letters defined by the scenario, removed at its end
    long long markCounter = 0; // performance counter at the last 'mark' step
    std::vector<HANDLE> heldHandles; // files and events held by 'hold' and 'hold-event', closed at the end
    std::map<std::string, HANDLE> heldMutexes; // those of 'hold-mutex', by name, until 'release-mutex'
};

// Sends a message without blocking the driver; Settle waits until the wizard has handled it.
void SendWithoutWaiting(Session& session, HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Waits until every message sent to the wizard has been handled, a dialog other than the
// frame is open (the handling waits for it), or Setup.exe has ended. Empty on success,
// otherwise what is still pending.
std::string Settle(Session& session);

// Calls `probe` until it returns an empty text or the timeout passes; returns the last
// complaint of the probe then.
std::string WaitFor(Session& session, const std::function<std::string()>& probe);

bool IsRunning(const PROCESS_INFORMATION& process);
// Ends a program the driver started, if it still runs, and closes its handles.
void EndProgram(PROCESS_INFORMATION& process);
