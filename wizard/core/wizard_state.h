// The wizard state: the one record of the wizard library's global state, grouped by the part
// of the library that sets each field. One instance exists per process.
#pragma once

#include <windows.h>
#include <objidl.h>

#include "common/format.h"
#include "common/path_routines.h"
#include "common/registry_keys.h"
#include "common/uninstall_log_builder.h"
#include "common/uninstall_log_reader.h"
#include "install/install_control.h"
#include "package/package_layout.h"
#include "package/wizard_interface.h"

enum {
    DETAIL_TEXT_SIZE = PATH_SIZE + 3,   // the Installing page's detail line: "..." and a path
    CREATED_KEY_LIMIT = 2,              // the Uninstall and the App Paths key
};

// A registry key that the installation created, not merely opened.
struct CreatedKey {
    HKEY root;
    char path[KEY_PATH_SIZE];
};

typedef BOOL(WINAPI* GetDiskFreeSpaceExRoutine)(LPCSTR root, PULARGE_INTEGER freeToCaller,
                                                PULARGE_INTEGER totalBytes,
                                                PULARGE_INTEGER totalFreeBytes);

struct WizardState {
    // Handed over by the launcher, and the handles of the library's start-up.
    const unsigned char* package;
    DecompressCallback decompress;
    HMODULE launcherModule;
    HMODULE wizardModule;
    HANDLE processHeap;
    HWND frameWindow;
    IMalloc* shellAllocator;
    BOOL isNt;
    MSG message;

    // Product texts and values derived from the package header.
    const char* productShortName;
    const char* productName;
    char requiredSpaceText[REQUIRED_SPACE_TEXT_SIZE];
    GetDiskFreeSpaceExRoutine getDiskFreeSpaceEx;

    // Folders: the values of InstallDir, MenuFolder and Handle live here.
    char installDir[PATH_SIZE];
    const char* installFolderName;
    char menuFolder[PATH_SIZE];
    size_t menuFolderOffset;
    char* quickLaunchDir;
    char handleText[HANDLE_TEXT_SIZE];

    // Destination and Start Menu pages.
    BOOL installDirChanged;
    BOOL menuFolderChanged;
    BOOL noMenuFolder;
    BOOL desktopIcon;
    BOOL quickLaunchIcon;
    BOOL startupIcon;
    HWND installDirEdit;
    HWND menuFolderEdit;

    // Information page.
    HWND infoTextBox;

    // Frame.
    int currentPage;
    HWND headerBand;
    HWND headerTitle;
    HWND headerSubtitle;
    HWND pageWindow;
    int pageAreaWidth;
    int pageAreaBottom;
    int headerHeight;
    HBRUSH backgroundBrush;
    HFONT titleFont;
    HFONT welcomeFont;
    HWND backButton;
    HWND nextButton;
    HWND cancelButton;

    // Installation. `installControl` holds the worker's thread handle and the means to halt,
    // resume and stop it; only its own routines change it.
    InstallControl installControl;
    HWND progressBar;
    HWND statusLine;
    HWND detailLine;
    DWORD stepDelay;
    // What the worker has done so far, shown by the Installing page's timer: painting the bar
    // and the detail line for every small file would cost more than extracting it. The lock
    // guards `detailText` and `detailChanged` and is held only to copy them.
    CRITICAL_SECTION progressLock;
    char detailText[DETAIL_TEXT_SIZE];
    BOOL detailChanged;
    volatile LONG progressSteps;
    LONG shownSteps;
    DWORD stepsPerPosition;         // of the bar, whose range has 16 bits

    // Uninstall log, owned by the worker until it reports.
    UninstallLog uninstallLog;
    // The log of the earlier installation of this product into the destination, which this
    // one replaces (installed_product.h); null when there is none. Owned like the log.
    unsigned char* earlierLog;
    UninstallPlan earlierPlan;
    // Set when the file step could not merge the earlier files into its list: a run that then
    // ends before its log is saved keeps the earlier log, which names them.
    BOOL earlierFilesLost;

    // Registry step: the keys it created, owned by the worker.
    CreatedKey createdKeys[CREATED_KEY_LIMIT];
    int createdKeyCount;
};

extern WizardState wizard;

// A field of the package header.
inline uint32_t GetHeaderField(PackageField field)
{
    return ReadHeaderField(wizard.package, field);
}

// The package text at the offset that a header field holds; offset 0 reads as the empty text
// of the header's first bytes.
inline const char* GetPackageText(PackageField field)
{
    return (const char*)wizard.package + GetHeaderField(field);
}
