// Starting the programs of the package's run entries, and the check that the product is not
// running before it is installed.
#include <windows.h>

#include "common/command_quoting.h"
#include "common/text.h"
#include "common/win32/command_preparation.h"
#include "common/win32/product_event.h"
#include "core/folder_values.h"
#include "core/wizard.h"
#include "core/wizard_state.h"
#include "install/install_control.h"
#include "install/program_launch.h"
#include "package/package_reader.h"
#include "ui/resource.h"

// The show command of an entry's show-mode index; an index outside the table shows normally.
static WORD GetEntryShowCommand(const unsigned char* entry)
{
    int command = GetShowCommand((int8_t)entry[RUN_SHOW_MODE_AT]);
    return (WORD)(command < 0 ? SW_SHOWNORMAL : command);
}

BOOL RunProgram(const unsigned char* entry, DWORD* exitCode)
{
    const char* commandText = (const char*)entry + RUN_ENTRY_HEAD;
    const char* workingText = commandText + GetTextLength(commandText) + 1;
    char commandLine[COMMAND_LINE_SIZE];
    char workingDir[PATH_SIZE];
    // An expansion that does not fit is refused rather than run cut short.
    if (!PrepareCommandLine(folderValues, commandText, commandLine))
        return FALSE;
    const char* directory = NULL;
    if (workingText[0]) {
        if (!ExpandFolderVariables(workingText, workingDir))
            return FALSE;
        directory = workingDir;
    }

    STARTUPINFOA startup;
    FillBytes(&startup, 0, sizeof(startup));
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = GetEntryShowCommand(entry);
    PROCESS_INFORMATION process;
    if (!CreateProcessA(NULL, commandLine, NULL, NULL, FALSE, CREATE_DEFAULT_ERROR_MODE, NULL,
                        directory, &startup, &process))
        return FALSE;

    BOOL result = TRUE;
    if (entry[RUN_WAIT_FLAG_AT] && exitCode) {
        // A stopped installation does not wait for the program any longer.
        result = WaitUnlessInstallStopped(process.hProcess);
        if (result && !GetExitCodeProcess(process.hProcess, exitCode))
            result = FALSE;
    }
    (void)CloseHandle(process.hProcess); // nothing to do if closing fails
    (void)CloseHandle(process.hThread);
    return result;
}

BOOL CheckRunningInstance(void)
{
    if (!GetHeaderField(FIELD_EVENT_NAME))
        return TRUE;
    if (!IsProductEventHeld(GetPackageText(FIELD_EVENT_NAME)))
        return TRUE;
    ShowSetupError(IDS_PRODUCT_RUNNING, wizard.productShortName);
    return FALSE;
}
