// The uninstaller's course: read and check the log next to itself, refuse while the product
// runs, ask, then remove in order and leave the rest to a temporary copy of itself.
#include <windows.h>

#include "common/path_routines.h"
#include "common/product_locks.h"
#include "common/text.h"
#include "common/win32/product_event.h"
#include "common/win32/product_lock_check.h"
#include "log_file.h"
#include "messages.h"
#include "progress.h"
#include "removal.h"
#include "resource.h"
#include "self_removal.h"
#include "uninstall_state.h"

// Takes the product's removal lock, a named mutex that stays until this process and the
// temporary copy, which inherits it, have ended: a second removal started meanwhile would
// find the log still there and leave the uninstaller behind alone. False when another
// removal holds it, one with other rights (elevated, or another user) included, whose lock
// this process may not open; a lock that cannot be made at all stops nothing. `lock` is the
// handle held, or null.
static int ClaimRemoval(HANDLE* lock)
{
    char name[PRODUCT_LOCK_NAME_SIZE];
    MakeProductLockName(PRODUCT_REMOVAL_LOCK, uninstall.plan.displayName, name);
    SECURITY_ATTRIBUTES inherited = {sizeof(inherited), NULL, TRUE};
    *lock = CreateMutexA(&inherited, FALSE, name);
    if (!*lock)
        return GetLastError() != ERROR_ACCESS_DENIED;
    if (GetLastError() != ERROR_ALREADY_EXISTS)
        return 1;
    (void)CloseHandle(*lock);
    *lock = NULL;
    return 0;
}

// A refused removal gives its lock up before its message, which may stay open for long: the
// lock would keep out the Setup or the removal that comes next.
static int RefuseRemoval(HANDLE lock, UINT message)
{
    if (lock)
        (void)CloseHandle(lock);
    (void)ShowMessage(message, uninstall.plan.shortName, MB_ICONERROR | MB_OK);
    return EXIT_REFUSED;
}

static int IsProductRunning(void)
{
    return uninstall.plan.eventName && IsProductEventHeld(uninstall.plan.eventName);
}

static int FindOwnDirectory(void)
{
    DWORD length = GetModuleFileNameA(NULL, uninstall.modulePath, sizeof(uninstall.modulePath));
    if (!length || length >= sizeof(uninstall.modulePath))
        return 0;
    if (!CopyTextBounded(uninstall.logDirectory, sizeof(uninstall.logDirectory),
                         uninstall.modulePath))
        return 0;
    char* separator = (char*)FindLastSeparator(uninstall.logDirectory);
    if (!IsSeparator(*separator))
        return 0;
    *separator = 0;
    return 1;
}

static void RemoveProduct(void)
{
    (void)OpenProgressWindow(); // without the window the removal goes on all the same
    RunUninstallCommand();
    RemoveShortcuts();
    RemoveFileList(1);
    // What stays keeps its log, the uninstaller and the Uninstall entry, so that the removal
    // can be run again once the cause is gone; without them it would stay for good. So the
    // keys go only once the copy that removes the uninstaller has been started, and the copy
    // runs only once they are gone.
    if (!uninstall.itemsLeft) {
        TrimFolder(&uninstall.plan.menuFolder);
        CheckDestinationLeftovers();
        CleanupCopy copy;
        if (PrepareCleanupCopy(&copy)) {
            if (RemoveRegistryKeys())
                ReleaseCleanupCopy(&copy);
            else
                CancelCleanupCopy(&copy);
        }
    }
    CloseProgressWindow();
}

int RunUninstall(void)
{
    if (!ParseCommandLine(GetCommandLineA(), &uninstall.commandLine)) {
        (void)ShowMessage(IDS_BAD_COMMAND_LINE, NULL, MB_ICONERROR | MB_OK); // only OK to press
        return EXIT_REFUSED;
    }
    if (!FindOwnDirectory())
        return EXIT_REFUSED;
    if (uninstall.commandLine.cleanup)
        return RunCleanup();
    UINT error = LoadUninstallLog(uninstall.logDirectory);
    if (error) {
        // Only the message of a log of another folder names a path: the one the log names.
        const char* named = error == IDS_LOG_ELSEWHERE ? uninstall.plan.destination.path : NULL;
        (void)ShowMessage(error, named, MB_ICONERROR | MB_OK); // only OK to press
        return EXIT_REFUSED;
    }
    HANDLE lock;
    if (!ClaimRemoval(&lock))
        return RefuseRemoval(NULL, IDS_REMOVAL_RUNNING);
    // Looked for once this removal's own lock is taken, as Setup looks for that one once it
    // holds its own: of two started at once, neither goes on.
    if (IsProductLockInBeing(PRODUCT_SETUP_LOCK, uninstall.plan.displayName))
        return RefuseRemoval(lock, IDS_SETUP_RUNNING);
    if (IsProductRunning())
        return RefuseRemoval(lock, IDS_PRODUCT_RUNNING);
    // Only a Yes removes: a box that could not be shown answers 0.
    if (ShowMessage(IDS_CONFIRM_REMOVAL, uninstall.plan.displayName,
                    MB_ICONQUESTION | MB_YESNO | MB_DEFBUTTON2) != IDYES)
        return EXIT_DECLINED;
    RemoveProduct();
    ShowClosingMessage();
    return uninstall.failures.count ? EXIT_NOT_ALL_REMOVED : EXIT_REMOVED;
}
