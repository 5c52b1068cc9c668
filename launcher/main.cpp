// The launcher's main routine: find the package, extract the wizard library into a temporary
// file, run it, and remove the file again. The exit code is always 0.
#include "common/win32/setup_package.h"
#include "launcher.h"
#include "resource.h"

HMODULE launcherModule;

static const char TEMP_FILE_PREFIX[] = "wzd";

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    launcherModule = instance;
    RestrictDllSearch();

    DWORD packageSize = 0;
    const unsigned char* package = FindSetupPackage(launcherModule, &packageSize);
    if (package == nullptr) {
        return 0;
    }
    char tempDirectory[PATH_BUFFER_SIZE];
    if (GetTempDirectory(tempDirectory) == 0) {
        return 0;
    }
    char tempFile[PATH_BUFFER_SIZE];
    if (GetTempFileNameA(tempDirectory, TEMP_FILE_PREFIX, 0, tempFile) == 0) {
        ShowLauncherError(IDS_CANNOT_CREATE_TEMP_FILE);
        return 0;
    }

    HANDLE lockedLibrary = INVALID_HANDLE_VALUE;
    if (PrepareInflater() && ExtractWizardLibrary(tempFile, package, packageSize)) {
        lockedLibrary = LockWizardLibrary(tempFile, package);
    }
    if (lockedLibrary == INVALID_HANDLE_VALUE) {
        ShowLauncherError(IDS_CANNOT_EXTRACT_LIBRARY);
    } else {
        bool loaded = RunWizardLibrary(tempFile, package);
        (void)CloseHandle(lockedLibrary);  // a read handle; closing it cannot lose anything
        if (!loaded) {
            ShowLauncherError(IDS_CANNOT_LOAD_LIBRARY);
        }
    }
    (void)DeleteFileA(tempFile);  // nothing more the launcher could do if it stays
    return 0;
}
