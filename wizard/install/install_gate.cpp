// The gate that the install worker passes between units of work. While the exit question is
// open the gate is closed, so the worker waits there holding nothing; Yes makes it leave.
#include <windows.h>

#include "core/wizard_state.h"
#include "install/install_engine.h"

BOOL PassInstallGate(void)
{
    if (WaitForSingleObject(wizard.installGate, INFINITE) != WAIT_OBJECT_0)
        return FALSE; // a gate that cannot be waited on cannot be trusted to hold either
    return !wizard.installStopping;
}

void HaltInstallWorker(void)
{
    if (wizard.installWorker)
        (void)ResetEvent(wizard.installGate); // fails only for a missing gate: nothing halts
}

void ResumeInstallWorker(void)
{
    if (wizard.installWorker)
        (void)SetEvent(wizard.installGate);
}

// Runs what the wizard's thread must still do (sent messages from the worker among them)
// until the worker's thread has ended.
static void WaitForWorkerPumping(HANDLE worker)
{
    for (;;) {
        DWORD woken = MsgWaitForMultipleObjects(1, &worker, FALSE, INFINITE, QS_ALLINPUT);
        if (woken != WAIT_OBJECT_0 + 1)
            return; // ended, or a wait that cannot go on
        MSG message;
        while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                PostQuitMessage((int)message.wParam); // for the message loop after this
                return;
            }
            (void)TranslateMessage(&message); // nothing to translate for most messages
            (void)DispatchMessageA(&message);
        }
    }
}

void StopInstallWorker(void)
{
    if (!wizard.installWorker)
        return;
    (void)InterlockedExchange(&wizard.installStopping, 1);
    (void)SetEvent(wizard.installStop); // fails only for a missing event: then no wait to end
    (void)SetEvent(wizard.installGate);
    WaitForWorkerPumping(wizard.installWorker);
    (void)CloseHandle(wizard.installWorker); // nothing to do if closing fails
    wizard.installWorker = NULL;
    EndProgressDisplay();
    FreeLog(&wizard.uninstallLog);
}
