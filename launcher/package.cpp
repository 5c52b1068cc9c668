// Finds the setup package: the launcher's raw-data resource 1, used in place for as long as
// the process runs.
#include "launcher.h"

static const WORD PACKAGE_RESOURCE_ID = 1;

const unsigned char* FindSetupPackage()
{
    HRSRC resource = FindResourceA(launcherModule, MAKEINTRESOURCEA(PACKAGE_RESOURCE_ID),
                                   MAKEINTRESOURCEA(10));  // RT_RCDATA
    if (resource == nullptr) {
        return nullptr;
    }
    HGLOBAL loaded = LoadResource(launcherModule, resource);
    if (loaded == nullptr) {
        return nullptr;
    }
    return static_cast<const unsigned char*>(LockResource(loaded));
}
