// Finds the setup package: the launcher's raw-data resource 1, used in place for as long as
// the process runs.
#include "launcher.h"
#include "package/package_layout.h"

const unsigned char* FindSetupPackage(DWORD* size)
{
    HRSRC resource = FindResourceA(launcherModule, MAKEINTRESOURCEA(PACKAGE_RESOURCE_ID),
                                   MAKEINTRESOURCEA(PACKAGE_RESOURCE_TYPE));
    if (resource == nullptr) {
        return nullptr;
    }
    HGLOBAL loaded = LoadResource(launcherModule, resource);
    if (loaded == nullptr) {
        return nullptr;
    }
    *size = SizeofResource(launcherModule, resource);
    return static_cast<const unsigned char*>(LockResource(loaded));
}
