// The install worker: the steps of the installation in their order on a thread of their own,
// the first and last step, and the one report to the Installing page.
#include <windows.h>
#include <objbase.h>

#include "core/wizard_state.h"
#include "install/install_control.h"
#include "install/install_engine.h"
#include "install/installed_product.h"
#include "install/program_launch.h"
#include "ui/resource.h"

typedef UINT (*InstallStep)(void);

static const InstallStep INSTALL_STEPS[] = {
    BeginUninstallLog,
    CreateProgramFolders,
    ExtractFiles,
    CreateShortcuts,
    RegisterProduct,
    SaveUninstallLog,
    RunPostInstallEntry,
};

UINT BeginUninstallLog(void)
{
    AppendLogPrologue(&wizard.uninstallLog, wizard.package);
    LoadEarlierInstallation();
    return 0;
}

UINT RunPostInstallEntry(void)
{
    uint32_t entry = GetHeaderField(FIELD_POST_INSTALL_ENTRY);
    if (!entry)
        return 0;
    SetStatus(IDS_FINISHING, "");
    DWORD exitCode = 0;
    if (!RunProgram(wizard.package + entry, &exitCode))
        return IDS_CANNOT_RUN;
    if (exitCode != 0)
        return IDS_EXTERNAL_MODULE_FAILED;
    (void)StepProgress(); // the last unit of work: a stop now changes nothing
    return 0;
}

// The first failure ends the run; a stop asked for at the gate ends it between steps. A run
// that ends before its log is saved takes back the keys it registered, and has written no
// values into an Uninstall entry that was there before; over an earlier installation it
// still records what it made.
static UINT RunInstallSteps(void)
{
    UINT result = 0;
    BOOL saveBegun = FALSE;
    BOOL logSaved = FALSE;
    for (size_t i = 0; i < sizeof(INSTALL_STEPS) / sizeof(INSTALL_STEPS[0]); ++i) {
        if (!PassInstallGate())
            break;
        saveBegun = saveBegun || INSTALL_STEPS[i] == SaveUninstallLog;
        result = INSTALL_STEPS[i]();
        if (result)
            break;
        if (INSTALL_STEPS[i] == SaveUninstallLog) {
            logSaved = TRUE;
            PublishUninstallEntry();
        }
    }
    if (!logSaved)
        WithdrawRegistration();
    if (!saveBegun)
        SaveStoppedReinstallLog();
    return result;
}

DWORD WINAPI InstallWorker(LPVOID installingPage)
{
    // The process has been idle before, so this returns at once on most systems; the first
    // status change waits for the page anyway, since it is sent to the page's own thread.
    (void)WaitForInputIdle(GetCurrentProcess(), INFINITE);
    UINT result = IDS_COM_FAILED;
    HRESULT com = CoInitialize(NULL);
    if (com == S_OK)
        result = RunInstallSteps();
    // Held at the gate while the exit question is open, so the report never crosses it.
    if (PassInstallGate())
        (void)PostMessageA((HWND)installingPage, WM_INSTALL_DONE, result, 0); // it is still shown
    if (SUCCEEDED(com))
        CoUninitialize();
    return 0;
}
