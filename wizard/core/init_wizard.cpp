// The wizard initialisation: the platform, the shell allocator, the pages the package
// enables, the product texts, the folders and the default destination and Start Menu folder.
#include <windows.h>
#include <shlobj.h>

#include "common/text.h"
#include "core/folder_values.h"
#include "core/menu_folder.h"
#include "core/wizard.h"
#include "core/wizard_state.h"

// The default destination with its folder variables expanded. A default that does not fit a
// path stays empty, and the Destination page refuses it until the user gives another.
static void SetDefaultInstallDir(const char* text)
{
    char expanded[PATH_SIZE];
    if (ExpandFolderVariables(text, expanded))
        CopyBytes(wizard.installDir, expanded, GetTextLength(expanded) + 1);
}

int InitWizard(void)
{
    OSVERSIONINFOA version;
    FillBytes(&version, 0, sizeof(version));
    version.dwOSVersionInfoSize = sizeof(version);
    wizard.isNt = GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT;

    if (FAILED(SHGetMalloc(&wizard.shellAllocator)))
        return 0;

    wizard.productShortName = GetPackageText(FIELD_SHORT_NAME);
    wizard.productName = GetPackageText(FIELD_DISPLAY_NAME);

    InitFolderVariables();

    const char* installDirText = GetPackageText(FIELD_INSTALL_DIR);
    SetDefaultInstallDir(installDirText);
    wizard.installFolderName = FindLastComponent(installDirText);
    wizard.installDirChanged = TRUE;

    // Without a Start Menu there is nowhere to put a program folder: none is offered.
    wizard.noMenuFolder = !ComputeMenuFolder(folderValues[FOLDER_START_MENU],
                                             folderValues[FOLDER_PROGRAMS_MENU],
                                             GetPackageText(FIELD_MENU_FOLDER), wizard.menuFolder,
                                             &wizard.menuFolderOffset);
    // The default is checked as a typed folder is: the Start Menu's place on this machine
    // decides whether it can be made.
    wizard.menuFolderChanged = !wizard.noMenuFolder;

    FormatRequiredSpace(wizard.requiredSpaceText, GetHeaderField(FIELD_TOTAL_SIZE));

    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (kernel)
        wizard.getDiskFreeSpaceEx =
            (GetDiskFreeSpaceExRoutine)(void*)GetProcAddress(kernel, "GetDiskFreeSpaceExA");
    return 1;
}
