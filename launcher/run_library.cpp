// Runs the extracted wizard library: load it, hand its ShowWizard export the launcher's module,
// the decompress callback and the package, and free it when the wizard returns.
#include "launcher.h"

bool RunWizardLibrary(const char* tempFile, const unsigned char* package)
{
    HMODULE library = LoadLibraryA(tempFile);
    if (library == nullptr) {
        return false;
    }
    FARPROC address = GetProcAddress(library, SHOW_WIZARD_EXPORT);
    if (address != nullptr) {
        ShowWizardRoutine showWizard =
            reinterpret_cast<ShowWizardRoutine>(reinterpret_cast<void*>(address));
        (void)showWizard(launcherModule, Decompress, package);  // the exit code is 0 anyway
    }
    (void)FreeLibrary(library);  // the file is deleted next whether or not it unloads
    return true;
}
