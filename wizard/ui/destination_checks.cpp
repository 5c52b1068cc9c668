// The parts of the destination check that need no system: the form of the typed path and
// its drive root. Freestanding, tested natively.
#include "destination_checks.h"

#include "common/path_routines.h"
#include "common/text.h"
#include "ui/resource.h"

unsigned CheckInstallDirForm(const char* path)
{
    if (GetTextLength(path) < DRIVE_PREFIX_LENGTH || path[1] != ':' || !IsSeparator(path[2]))
        return IDS_INVALID_DESTINATION;
    if (HasInvalidPathChars(path + DRIVE_PREFIX_LENGTH))
        return IDS_INVALID_PATH_CHARS;
    return 0;
}

void FormDriveRoot(const char* path, char* root)
{
    root[0] = path[0];
    root[1] = ':';
    root[2] = '\\';
    root[3] = 0;
}
