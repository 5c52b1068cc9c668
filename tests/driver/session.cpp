// Waiting on the wizard: messages are sent with a completion callback so that the driver
// keeps running while the wizard shows a message box, and every wait is bounded.
#include "session.h"

#include "wizard_windows.h"

namespace {

const DWORD POLL_INTERVAL_MS = 10;

VOID CALLBACK CountHandled(HWND, UINT, ULONG_PTR context, LRESULT)
{
    --*reinterpret_cast<int*>(context);
}

void PumpMessages()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

} // namespace

void SendWithoutWaiting(Session& session, HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (SendMessageCallbackA(window, message, wParam, lParam, CountHandled,
                             reinterpret_cast<ULONG_PTR>(&session.pendingSends)))
        ++session.pendingSends;
}

bool IsRunning(const PROCESS_INFORMATION& process)
{
    return process.hProcess && WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT;
}

std::string Settle(Session& session)
{
    return WaitFor(session, [&]() -> std::string {
        if (session.pendingSends <= 0)
            return "";
        if (!IsRunning(session.setup)) {
            session.pendingSends = 0; // its answers will never come
            return "";
        }
        if (FindOtherDialog(session.setup.dwProcessId, FindFrame(session.setup.dwProcessId)))
            return "";
        return "the wizard is still handling what the driver sent it";
    });
}

std::string WaitFor(Session& session, const std::function<std::string()>& probe)
{
    DWORD start = GetTickCount();
    for (;;) {
        PumpMessages();
        std::string complaint = probe();
        if (complaint.empty())
            return complaint;
        if (GetTickCount() - start >= session.timeoutMs)
            return complaint + " (after waiting " + std::to_string(session.timeoutMs / 1000) + " s)";
        Sleep(POLL_INTERVAL_MS);
    }
}

void EndProgram(PROCESS_INFORMATION& process)
{
    if (!process.hProcess)
        return;
    if (IsRunning(process)) {
        (void)TerminateProcess(process.hProcess, 1); // a failed scenario leaves nothing running
        (void)WaitForSingleObject(process.hProcess, 5000);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    process = {};
}
