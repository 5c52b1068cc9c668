// The install worker's start, the gate it passes between units of work, and its report. While
// the exit question is open the gate is closed and a report is held; Yes makes it leave.
#include <windows.h>

#include "core/wizard_state.h"
#include "install/install_engine.h"

BOOL StartInstallWorker(HWND installingPage)
{
    wizard.installGate = CreateEventA(NULL, TRUE, TRUE, NULL);
    wizard.installStop = CreateEventA(NULL, TRUE, FALSE, NULL);
    DWORD threadId;
    if (wizard.installGate && wizard.installStop)
        wizard.installWorker = CreateThread(NULL, 0, InstallWorker, installingPage, 0,
                                            &threadId);
    if (wizard.installWorker)
        return TRUE;
    if (wizard.installGate)
        (void)CloseHandle(wizard.installGate);
    if (wizard.installStop)
        (void)CloseHandle(wizard.installStop);
    wizard.installGate = wizard.installStop = NULL;
    return FALSE;
}

BOOL PassInstallGate(void)
{
    if (WaitForSingleObject(wizard.installGate, INFINITE) != WAIT_OBJECT_0)
        return FALSE; // a gate that cannot be waited on cannot be trusted to hold either
    return !wizard.installStopping;
}

BOOL WaitUnlessInstallStopped(HANDLE object)
{
    HANDLE waits[2] = {object, wizard.installStop};
    DWORD count = waits[1] ? 2 : 1;
    return WaitForMultipleObjects(count, waits, FALSE, INFINITE) == WAIT_OBJECT_0;
}

void HaltInstallWorker(void)
{
    wizard.exitQuestionOpen = TRUE;
    if (wizard.installWorker)
        (void)ResetEvent(wizard.installGate); // fails only for a missing gate: nothing halts
}

BOOL IsExitQuestionOpen(void)
{
    return wizard.exitQuestionOpen;
}

BOOL IsInstallStopping(void)
{
    return wizard.installStopping;
}

// Once the worker's thread has ended: its handles, its progress display and its log go.
static void ReleaseInstallWorker(void)
{
    (void)CloseHandle(wizard.installWorker); // nothing to do if closing fails
    wizard.installWorker = NULL;
    (void)CloseHandle(wizard.installGate);
    wizard.installGate = NULL;
    (void)CloseHandle(wizard.installStop);
    wizard.installStop = NULL;
    EndProgressDisplay();
    FreeLog(&wizard.uninstallLog);
}

void HandleInstallReport(UINT resultCode)
{
    if (wizard.installStopping)
        return; // a report made just before Yes: the stop ends everything
    if (wizard.exitQuestionOpen) {
        // The exit question decides first; ResumeInstallWorker comes back here after No.
        wizard.installResultPending = TRUE;
        wizard.installResult = resultCode;
        return;
    }
    wizard.installResultPending = FALSE;
    // After its report the worker only uninitialises COM, which sends nothing to this thread,
    // so a plain wait is safe; the library must outlive the worker.
    if (WaitForSingleObject(wizard.installWorker, INFINITE) == WAIT_OBJECT_0)
        ReleaseInstallWorker();
    CompleteInstallation(resultCode);
}

void ResumeInstallWorker(void)
{
    wizard.exitQuestionOpen = FALSE;
    if (wizard.installWorker)
        (void)SetEvent(wizard.installGate);
    if (wizard.installResultPending)
        HandleInstallReport(wizard.installResult);
}

// Runs what the wizard's thread must still do (sent messages from the worker among them)
// until the worker's thread has ended; FALSE when the wait itself fails. A quit request is
// kept for the message loop after this.
static BOOL WaitForWorkerPumping(HANDLE worker)
{
    BOOL quit = FALSE;
    int quitCode = 0;
    for (;;) {
        DWORD woken = MsgWaitForMultipleObjects(1, &worker, FALSE, INFINITE, QS_ALLINPUT);
        if (woken != WAIT_OBJECT_0 + 1)
            break;
        MSG message;
        while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                quit = TRUE;
                quitCode = (int)message.wParam;
                continue;
            }
            (void)TranslateMessage(&message); // nothing to translate for most messages
            (void)DispatchMessageA(&message);
        }
    }
    if (quit)
        PostQuitMessage(quitCode);
    return WaitForSingleObject(worker, 0) == WAIT_OBJECT_0;
}

void StopInstallWorker(void)
{
    wizard.exitQuestionOpen = FALSE;
    if (!wizard.installWorker)
        return;
    (void)InterlockedExchange(&wizard.installStopping, 1);
    (void)SetEvent(wizard.installStop); // fails only for a missing event: then no wait to end
    (void)SetEvent(wizard.installGate);
    // A worker that cannot be waited for may still use what it was given: it is left alone.
    if (WaitForWorkerPumping(wizard.installWorker))
        ReleaseInstallWorker();
}
