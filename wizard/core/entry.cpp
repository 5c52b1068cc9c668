// The library's entry point and its one export, ShowWizard: initialise the state, open the
// wizard frame and run the message loop until the frame is gone.
#include <windows.h>
#include <commctrl.h>

#include "common/product_locks.h"
#include "common/win32/product_lock_check.h"
#include "common/win32/setup_package.h"
#include "core/wizard.h"
#include "core/wizard_state.h"
#include "package/package_check.h"
#include "ui/frame.h"
#include "ui/resource.h"

enum {
    KEYBOARD_MESSAGE_FIRST = 0x100,     // WM_KEYDOWN
    KEYBOARD_MESSAGE_LAST = 0x108,
};

extern "C" BOOL WINAPI WizardEntry(HINSTANCE module, DWORD reason, LPVOID reserved)
{
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH)
        wizard.processHeap = GetProcessHeap();
    wizard.wizardModule = module;
    return TRUE;
}

// Feeds the frame until its destruction posts the quit message. Keyboard messages that the
// dialog manager does not take are translated, so typed characters reach the edit fields.
static void RunMessageLoop(void)
{
    MSG* message = &wizard.message;
    while (GetMessageA(message, NULL, 0, 0) > 0) {
        if (IsDialogMessageA(wizard.frameWindow, message))
            continue;
        if (message->message >= KEYBOARD_MESSAGE_FIRST && message->message <= KEYBOARD_MESSAGE_LAST)
            (void)TranslateMessage(message); // says only whether a character was made
        (void)DispatchMessageA(message);     // the window procedure's result means nothing here
    }
}

// Takes the product's setup lock, a named mutex that this thread owns until the process ends
// and that the programs it starts do not inherit: two wizards of one product at once would both
// pass the destination checks, and then split its registration between two folders. Owning,
// not only opening, is what counts, so that the lock of a Setup that crashed is taken over.
// False when another Setup owns it, or one with other rights has it; a lock that cannot be
// made stops nothing. `lock` is the handle owned, or null.
static BOOL ClaimSetup(HANDLE* lock)
{
    char name[PRODUCT_LOCK_NAME_SIZE];
    MakeProductLockName(PRODUCT_SETUP_LOCK, wizard.productName, name);
    *lock = CreateMutexA(NULL, FALSE, name);
    if (!*lock)
        return GetLastError() != ERROR_ACCESS_DENIED;
    if (WaitForSingleObject(*lock, 0) != WAIT_TIMEOUT)
        return TRUE; // owned, or abandoned by a Setup that ended without giving it up
    (void)CloseHandle(*lock); // only the owner's handle may keep the lock in being
    *lock = NULL;
    return FALSE;
}

// A refused Setup gives its lock up before its message, which may stay open for long: the lock
// would keep out the removal or the Setup that comes next.
static void GiveUpSetupLock(HANDLE lock)
{
    if (!lock)
        return;
    (void)ReleaseMutex(lock); // owned by this thread since ClaimSetup
    (void)CloseHandle(lock);
}

// The package as the launcher carries it, checked whole before the wizard reads anything of
// it: the wizard's walks follow it as stored, and a damaged download could lead them out of it,
// or install files at sizes that no longer add up. A launcher that keeps its package elsewhere
// gives no size to check it by, and it is used as handed over.
static BOOL IsHandedPackageWhole(void)
{
    DWORD size;
    if (FindSetupPackage(wizard.launcherModule, &size) != wizard.package)
        return TRUE;
    return IsPackageWhole(wizard.package, size);
}

extern "C" int WINAPI ShowWizard(HMODULE launcherModule, DecompressCallback decompress,
                                 const unsigned char* package)
{
    wizard.launcherModule = launcherModule;
    wizard.package = package;
    wizard.decompress = decompress;
    if (!IsHandedPackageWhole()) {
        ShowSetupError(IDS_PACKAGE_DAMAGED, "");
        return 0;
    }
    if (!InitWizard())
        return 0;
    // The lock is taken before the removal's is looked for, as the uninstaller takes its own
    // before it looks for this one: of two started at once, neither goes on.
    HANDLE lock;
    UINT refusal = 0;
    if (!ClaimSetup(&lock))
        refusal = IDS_SETUP_RUNNING;
    else if (IsProductLockInBeing(PRODUCT_REMOVAL_LOCK, wizard.productName))
        refusal = IDS_REMOVAL_RUNNING;
    if (refusal) {
        GiveUpSetupLock(lock);
        ShowSetupError(refusal, wizard.productShortName);
        (void)wizard.shellAllocator->Release(); // the count that remains is the shell's business
        return 1;
    }
    EnablePackagePages();
    // The system shows no boxes of its own (say, for a drive without media) while we run.
    (void)SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX); // previous mode unused
    InitCommonControlsForWizard(ICC_PROGRESS_CLASS);
    wizard.frameWindow = CreateDialogParamA(wizard.wizardModule, MAKEINTRESOURCEA(IDD_FRAME), NULL,
                                            FrameProc, 0);
    if (wizard.frameWindow)
        RunMessageLoop();
    (void)wizard.shellAllocator->Release(); // the count that remains is the shell's business
    return 1;
}
