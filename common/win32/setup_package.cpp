// Finds the setup package: the launcher's raw-data resource 1, used in place for as long as
// the process runs. The launcher reads it so, and the wizard finds it again to learn its size.
#include "common/win32/setup_package.h"

#include "package/package_layout.h"

const unsigned char* FindSetupPackage(HMODULE launcher, DWORD* size)
{
    *size = 0;
    HRSRC resource = FindResourceA(launcher, MAKEINTRESOURCEA(PACKAGE_RESOURCE_ID),
                                   MAKEINTRESOURCEA(PACKAGE_RESOURCE_TYPE));
    HGLOBAL loaded = resource ? LoadResource(launcher, resource) : NULL;
    const unsigned char* package = loaded ? (const unsigned char*)LockResource(loaded) : NULL;
    if (!package)
        return NULL;
    // The resource's own size field may be the damaged part: it must keep the package inside
    // the image, whose headers the loader checked when it mapped them.
    const unsigned char* image = (const unsigned char*)launcher;
    const IMAGE_NT_HEADERS* headers =
        (const IMAGE_NT_HEADERS*)(image + ((const IMAGE_DOS_HEADER*)image)->e_lfanew);
    DWORD imageSize = headers->OptionalHeader.SizeOfImage;
    DWORD offset = (DWORD)(package - image);
    DWORD resourceSize = SizeofResource(launcher, resource);
    if (offset <= imageSize && resourceSize <= imageSize - offset)
        *size = resourceSize;
    return package;
}
