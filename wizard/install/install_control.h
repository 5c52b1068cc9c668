// The install worker's control record and its routines: starting the worker, halting it while
// the exit question is open, resuming or stopping it, taking its report and releasing it.
#pragma once

#include <windows.h>

// Operated only by the routines below; the wizard state holds the one instance.
struct InstallControl {
    HANDLE installWorker;       // the worker's thread, until its end has been handled
    HANDLE gate;                // open while the worker may work; closed while it is halted
    volatile LONG halted;       // raised with the gate's closing: only then does the worker wait
    HANDLE stopEvent;           // set on stop, ends the worker's wait for a program
    volatile LONG stopping;     // set on stop: the worker leaves at the gate, reporting nothing
    BOOL exitQuestionOpen;
    BOOL reportHeld;            // the worker reported while the exit question was open
    UINT heldResult;
};

// Starts the worker, which reports to `installingPage`; FALSE when it could not start.
BOOL StartInstallWorker(HWND installingPage);

// Worker side: waits while the gate is closed; FALSE when the worker is to stop.
BOOL PassInstallGate(void);
// Worker side: waits for `object` (a program the worker started); FALSE when the stop came
// first or the wait failed.
BOOL WaitUnlessInstallStopped(HANDLE object);

// Wizard side, around the exit question; with no worker running they only note the question.
// Halt before it opens; Resume after No, which also handles a report held meanwhile; Stop
// after Yes, which returns only once the worker has left, running messages meanwhile.
void HaltInstallWorker(void);
void ResumeInstallWorker(void);
void StopInstallWorker(void);
BOOL IsExitQuestionOpen(void);
BOOL IsInstallStopping(void);

// The worker's report (WM_INSTALL_DONE) on the wizard's thread: dropped after a stop, held
// while the exit question is open, otherwise the worker is released and the installation
// completed.
void HandleInstallReport(UINT resultCode);
