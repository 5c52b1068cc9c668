// The install engine's routines shared by the Installing page, the worker's steps and the
// worker's control: the steps, the progress services and the ends of the installation.
#pragma once

#include <windows.h>

enum {
    WM_INSTALL_DONE = WM_USER + 3,  // wParam: 0 or the string id of the failure
    STATUS_TEXT_SIZE = 200,
};

// The worker's thread routine: the steps in order, then one WM_INSTALL_DONE to the
// Installing page it is given, unless it was stopped.
DWORD WINAPI InstallWorker(LPVOID installingPage);

// A file of the installation, created with `attributes`, or an existing one emptied and given
// them; a read-only, hidden or system one, most often the earlier installation's copy, is
// replaced too. INVALID_HANDLE_VALUE when it cannot be made (a file in use).
HANDLE CreateInstallFile(const char* path, DWORD attributes);

// The steps, each 0 or the string id of its failure.
UINT BeginUninstallLog(void);
UINT CreateProgramFolders(void);
UINT ExtractFiles(void);
UINT CreateShortcuts(void);
UINT RegisterProduct(void);
// Deletes the registry keys that RegisterProduct created: an Uninstall entry without its log
// could neither remove the product nor be found broken.
void WithdrawRegistration(void);
UINT SaveUninstallLog(void);
// Over an earlier installation, a run that ended before SaveUninstallLog began has made files
// and links that the earlier log does not name, and its removal would leave them: this run's
// log is completed with what the earlier one made and is still there, and saved instead.
void SaveStoppedReinstallLog(void);
// The ends of the shortcut and registry lists: the earlier installation's entries carried
// over, then the end marker. `linksMade` tells that the shortcut step made every link it
// should, the only case in which a Start Menu folder of the earlier installation that this
// one replaces is taken away.
void EndShortcutList(BOOL linksMade);
void EndRegistryList(void);
// Writes the values of the Uninstall entry that RegisterProduct made, once the log they point
// to is saved.
void PublishUninstallEntry(void);
UINT RunPostInstallEntry(void);

// The product's Uninstall entry: its key path (KEY_PATH_SIZE; false when the name is too long
// for a key) and the root it lives under on this system.
BOOL MakeUninstallKeyPath(char* keyPath);
HKEY GetUninstallRoot(void);

// Progress services for the steps; the controls change on the wizard's thread. The status
// line changes at once; the detail line and the bar are noted for the Installing page, which
// shows them a few times a second.
void SetStatus(UINT stringId, const char* detail);
void SetDetail(const char* text);
// Paces, advances the bar and passes the gate; FALSE when the worker is to stop.
BOOL StepProgress(void);

// Once the worker's thread has ended: shows its last progress and ends the page's timer.
void EndProgressDisplay(void);

// Ends the installation on the wizard's thread once the worker has been released: the next
// page, or the error and the end.
void CompleteInstallation(UINT resultCode);
