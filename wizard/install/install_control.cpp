// The install worker's control: its start, the gate that halts it while the exit question is
// open, its resumption or stop, its report, and the release of its handles.
//
// The worker passes the gate, a manual-reset event, before each step, after each unit of
// progress and before it reports. Halt raises the halt flag and closes the gate as the exit
// question opens, so the worker waits there holding nothing the wizard's thread needs; only
// a raised flag sends the worker to the event, so that an open gate costs no call into the
// system for every small file. No resumes it: the flag drops and the gate opens again. Yes stops it: the stop flag makes it leave at the gate without reporting, the
// stop event ends its wait for a post-install program, the gate opens, and the wizard's thread
// waits for the worker's thread while it runs its messages, since the worker may be sending
// it one. A report that arrives while the question is open is held and handled after No; one
// that arrives after Yes is dropped. Once the worker's thread has ended, its thread handle and
// events are closed, the progress display ends and the uninstall logs are freed.
#include <windows.h>

#include "core/wizard_state.h"
#include "install/install_control.h"
#include "install/install_engine.h"
#include "install/installed_product.h"
#include "ui/resource.h"

BOOL StartInstallWorker(HWND installingPage)
{
    InstallControl* control = &wizard.installControl;
    control->gate = CreateEventA(NULL, TRUE, TRUE, NULL);
    control->stopEvent = CreateEventA(NULL, TRUE, FALSE, NULL);
    DWORD threadId;
    if (control->gate && control->stopEvent)
        control->installWorker = CreateThread(NULL, 0, InstallWorker, installingPage, 0,
                                              &threadId);
    if (control->installWorker)
        return TRUE;
    if (control->gate)
        (void)CloseHandle(control->gate);
    if (control->stopEvent)
        (void)CloseHandle(control->stopEvent);
    control->gate = control->stopEvent = NULL;
    return FALSE;
}

BOOL PassInstallGate(void)
{
    InstallControl* control = &wizard.installControl;
    // A gate that cannot be waited on cannot be trusted to hold either.
    if (control->halted && WaitForSingleObject(control->gate, INFINITE) != WAIT_OBJECT_0)
        return FALSE;
    return !control->stopping;
}

BOOL WaitUnlessInstallStopped(HANDLE object)
{
    HANDLE waits[2] = {object, wizard.installControl.stopEvent};
    DWORD count = waits[1] ? 2 : 1;
    return WaitForMultipleObjects(count, waits, FALSE, INFINITE) == WAIT_OBJECT_0;
}

void HaltInstallWorker(void)
{
    InstallControl* control = &wizard.installControl;
    control->exitQuestionOpen = TRUE;
    if (!control->installWorker)
        return;
    (void)InterlockedExchange(&control->halted, 1);
    (void)ResetEvent(control->gate); // fails only for a missing gate: nothing halts
}

BOOL IsExitQuestionOpen(void)
{
    return wizard.installControl.exitQuestionOpen;
}

BOOL IsInstallStopping(void)
{
    return wizard.installControl.stopping;
}

// Once the worker's thread has ended: its handles, its progress display and its log go.
static void ReleaseInstallWorker(void)
{
    InstallControl* control = &wizard.installControl;
    (void)CloseHandle(control->installWorker); // nothing to do if closing fails
    control->installWorker = NULL;
    (void)CloseHandle(control->gate);
    control->gate = NULL;
    (void)CloseHandle(control->stopEvent);
    control->stopEvent = NULL;
    EndProgressDisplay();
    FreeLog(&wizard.uninstallLog);
    ReleaseEarlierInstallation();
}

void HandleInstallReport(UINT resultCode)
{
    InstallControl* control = &wizard.installControl;
    if (control->stopping)
        return; // a report made just before Yes: the stop ends everything
    if (control->exitQuestionOpen) {
        // The exit question decides first; ResumeInstallWorker comes back here after No.
        control->reportHeld = TRUE;
        control->heldResult = resultCode;
        return;
    }
    control->reportHeld = FALSE;
    // After its report the worker only uninitialises COM, which sends nothing to this thread,
    // so a plain wait is safe; the library must outlive the worker.
    if (WaitForSingleObject(control->installWorker, INFINITE) == WAIT_OBJECT_0)
        ReleaseInstallWorker();
    CompleteInstallation(resultCode);
}

void ResumeInstallWorker(void)
{
    InstallControl* control = &wizard.installControl;
    control->exitQuestionOpen = FALSE;
    if (control->installWorker) {
        (void)InterlockedExchange(&control->halted, 0);
        (void)SetEvent(control->gate);
    }
    if (control->reportHeld)
        HandleInstallReport(control->heldResult);
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
    InstallControl* control = &wizard.installControl;
    control->exitQuestionOpen = FALSE;
    if (!control->installWorker)
        return;
    (void)InterlockedExchange(&control->stopping, 1);
    (void)SetEvent(control->stopEvent); // fails only for a missing event: then no wait to end
    (void)SetEvent(control->gate);
    // The current unit of work may take a while (a large file): the page says why it waits,
    // and the wait below keeps the frame painted.
    char status[STATUS_TEXT_SIZE];
    if (LoadStringA(wizard.wizardModule, IDS_STOPPING, status, STATUS_TEXT_SIZE))
        (void)SetWindowTextA(wizard.statusLine, status); // a static always takes its text
    (void)EnableWindow(wizard.cancelButton, FALSE); // the stop is under way: a click would do nothing
    // A worker that cannot be waited for may still use what it was given: it is left alone.
    if (WaitForWorkerPumping(control->installWorker))
        ReleaseInstallWorker();
}
