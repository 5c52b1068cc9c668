// The step that writes the uninstall log as "uninst.dat" in the destination, in one piece,
// once every earlier step has appended its section.
#include <windows.h>

#include "common/path_routines.h"
#include "common/text.h"
#include "core/wizard_state.h"
#include "install/install_engine.h"
#include "ui/resource.h"

UINT SaveUninstallLog(void)
{
    UninstallLog* log = &wizard.uninstallLog;
    if (!SealLog(log))
        return IDS_OUT_OF_MEMORY;
    SetStatus(IDS_SAVING_UNINSTALL, "");
    char path[PATH_SIZE];
    if (!CopyTextBounded(path, PATH_SIZE, wizard.installDir) ||
        !AppendPath(path, UNINSTALL_LOG_NAME))
        return IDS_CREATE_FILE_FAILED;
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              NULL);
    if (file == INVALID_HANDLE_VALUE)
        return IDS_CREATE_FILE_FAILED;
    DWORD written = 0;
    BOOL wrote = WriteFile(file, log->buffer, log->logLength, &written, NULL) &&
                 written == log->logLength;
    (void)CloseHandle(file); // nothing to do if closing fails
    if (!wrote)
        return IDS_CREATE_FILE_FAILED;
    (void)StepProgress(); // a stop is seen at the next gate
    return 0;
}
