// The Destination page: the destination directory typed or picked, kept in the wizard state,
// and checked before the wizard may go on whenever it has changed.
#include <windows.h>
#include <shlobj.h>

#include "common/text.h"
#include "core/wizard.h"
#include "core/wizard_state.h"
#include "install/installed_product.h"
#include "ui/destination_checks.h"
#include "ui/frame.h"
#include "ui/pages.h"
#include "ui/resource.h"

// Free bytes available to us on the path's drive and the size of its clusters (1 when the
// drive does not tell); false for a drive without root directory, a CD-ROM drive, or a
// failed query.
static BOOL GetDriveFreeSpace(const char* path, ULONGLONG* freeBytes, DWORD* clusterSize)
{
    char root[DRIVE_ROOT_SIZE];
    FormDriveRoot(path, root);
    UINT type = GetDriveTypeA(root);
    if (type == DRIVE_NO_ROOT_DIR || type == DRIVE_CDROM)
        return FALSE;
    DWORD sectorsPerCluster;
    DWORD bytesPerSector;
    DWORD freeClusters;
    DWORD totalClusters;
    BOOL known = GetDiskFreeSpaceA(root, &sectorsPerCluster, &bytesPerSector, &freeClusters,
                                   &totalClusters);
    *clusterSize = known ? sectorsPerCluster * bytesPerSector : 1;
    if (wizard.getDiskFreeSpaceEx) {
        ULARGE_INTEGER available;
        ULARGE_INTEGER total;
        ULARGE_INTEGER totalFree;
        if (wizard.getDiskFreeSpaceEx(root, &available, &total, &totalFree)) {
            *freeBytes = available.QuadPart;
            return TRUE;
        }
        if (GetLastError() != ERROR_CALL_NOT_IMPLEMENTED)
            return FALSE;
    }
    if (!known)
        return FALSE;
    *freeBytes = (DWORD)(sectorsPerCluster * bytesPerSector * freeClusters);
    return TRUE;
}

// Whether the first missing directory level of the path can be made: it is created and at
// once removed again. 0, or the string id of the refusal.
static UINT ProbeCreateDir(const char* path)
{
    char level[PATH_SIZE];
    for (size_t end = DRIVE_PREFIX_LENGTH;; ++end) {
        if (path[end] && !IsSeparator(path[end]))
            continue;
        CopyBytes(level, path, end);
        level[end] = 0;
        if (!DirectoryExists(level)) {
            if (!CreateDirectoryA(level, NULL))
                return GetLastError() == ERROR_ACCESS_DENIED ? IDS_NO_PRIVILEGE
                                                             : IDS_INVALID_DESTINATION;
            (void)RemoveDirectoryA(level); // a probe that stays is empty and harmless
            return 0;
        }
        if (!path[end])
            return 0;
    }
}

// 0, or the string id of the refusal; a refusal that names another product, or the folder of
// this one's installation, puts it into `named` (PATH_SIZE).
static UINT ValidateInstallDir(const char* path, char* named)
{
    UINT refusal = CheckInstallDirForm(path);
    if (refusal)
        return refusal;
    // Otherwise the installation would end part-way, at the first path that does not fit.
    TreePathLengths lengths = MeasureTreePaths(wizard.package);
    if (!FitsBelow(path, &lengths))
        return IDS_DESTINATION_TOO_LONG;
    // The other product would lose its log and with it every way to be removed.
    if (FindOtherProduct(path, wizard.productName, named, PRODUCT_NAME_SIZE))
        return IDS_OTHER_PRODUCT;
    if (FindInstallationElsewhere(path, named))
        return IDS_INSTALLED_ELSEWHERE;
    ULONGLONG freeBytes;
    DWORD clusterSize;
    if (!GetDriveFreeSpace(path, &freeBytes, &clusterSize))
        return IDS_INVALID_DESTINATION;
    if (freeBytes < MeasureClusteredSize(wizard.package, clusterSize))
        return IDS_NOT_ENOUGH_SPACE;
    return ProbeCreateDir(path);
}

// A chosen folder gets the package's folder name appended; a result that would not fit a
// path is refused and nothing changes.
static void BrowseDestination(void)
{
    char chosen[PATH_SIZE];
    if (!BrowseForFolder(IDS_DESTINATION_PICKER, CSIDL_DRIVES, chosen, wizard.installFolderName))
        return;
    if (!AppendPath(chosen, wizard.installFolderName)) {
        ShowSetupError(IDS_INVALID_DESTINATION, NULL);
        return;
    }
    CopyBytes(wizard.installDir, chosen, GetTextLength(chosen) + 1);
    (void)SetWindowTextA(wizard.installDirEdit, wizard.installDir); // the state holds the value
    wizard.installDirChanged = TRUE;
}

static void StoreInstallDir(void)
{
    if (SendMessageA(wizard.installDirEdit, EM_GETMODIFY, 0, 0)) {
        ReadPathEdit(wizard.installDirEdit, wizard.installDir);
        wizard.installDirChanged = TRUE;
    }
}

static BOOL AcceptInstallDir(void)
{
    StoreInstallDir();
    if (!wizard.installDirChanged)
        return TRUE;
    char named[PATH_SIZE];
    UINT refusal = ValidateInstallDir(wizard.installDir, named);
    if (refusal) {
        BOOL naming = refusal == IDS_OTHER_PRODUCT || refusal == IDS_INSTALLED_ELSEWHERE;
        ShowSetupError(refusal, naming ? named : NULL);
        return FALSE;
    }
    wizard.installDirChanged = FALSE;
    return TRUE;
}

INT_PTR CALLBACK DestinationPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)lParam;
    switch (message) {
    case WM_INITDIALOG:
        wizard.installDirEdit = GetDlgItem(page, IDC_PATH_EDIT);
        (void)SendMessageA(wizard.installDirEdit, EM_LIMITTEXT, PATH_SIZE - 1, 0);
        (void)SetWindowTextA(wizard.installDirEdit, wizard.installDir); // the state holds it
        SetControlText(page, IDC_REQUIRED_SPACE, 0, wizard.requiredSpaceText);
        SetControlText(page, IDC_DESTINATION_PROMPT, 0, wizard.productShortName);
        return 1;
    case WM_COMMAND:
        if (LOWORD(wParam) != IDC_BROWSE)
            return 0;
        BrowseDestination();
        return 1;
    case WM_PAGE_BACK:
        StoreInstallDir();
        return 1;
    case WM_PAGE_NEXT:
        return AcceptInstallDir();
    }
    return 0;
}
