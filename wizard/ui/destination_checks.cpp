// The parts of the destination check that need no system: the form of the typed path, its
// drive root and the room the files take. Freestanding, tested natively.
#include "destination_checks.h"

#include "common/path_routines.h"
#include "common/text.h"
#include "package/package_layout.h"
#include "ui/resource.h"

unsigned CheckInstallDirForm(const char* path)
{
    size_t length = GetTextLength(path);
    if (length < DRIVE_PREFIX_LENGTH || path[1] != ':' || !IsSeparator(path[2]))
        return IDS_INVALID_DESTINATION;
    if (HasInvalidPathChars(path + DRIVE_PREFIX_LENGTH))
        return IDS_INVALID_PATH_CHARS;
    // A folder below the root, named the way the uninstaller's log reader takes it: "." and
    // ".." would put the files elsewhere than shown, and a log the reader refuses leaves the
    // product with no way to be removed.
    if (!IsPlainRelativePath(path + DRIVE_PREFIX_LENGTH, length - DRIVE_PREFIX_LENGTH))
        return IDS_INVALID_DESTINATION;
    return 0;
}

void FormDriveRoot(const char* path, char* root)
{
    root[0] = path[0];
    root[1] = ':';
    root[2] = '\\';
    root[3] = 0;
}

uint64_t MeasureClusteredSize(const unsigned char* package, uint32_t clusterSize)
{
    if (clusterSize == 0)
        clusterSize = 1;
    uint64_t total = 0;
    uint32_t depth = 0;
    const unsigned char* at = package + ReadHeaderField(package, FIELD_FILE_TREE);
    for (;;) {
        uint32_t attributes = ReadU32(at);
        if (attributes == TREE_END_MARKER) {
            if (!depth)
                return total;
            --depth;
            at += 4;
        } else if (attributes & ATTRIBUTE_DIRECTORY) {
            const char* name = (const char*)at + DIRECTORY_RECORD_HEAD;
            at = (const unsigned char*)name + GetTextLength(name) + 1;
            ++depth;
        } else {
            uint32_t packedSize = ReadU32(at + 4);
            uint32_t size = ReadU32(at + 8);
            const char* name = (const char*)at + FILE_RECORD_HEAD;
            at = (const unsigned char*)name + GetTextLength(name) + 1 + (size ? packedSize : 0);
            // In 32 bits: a 64-bit division would bring in a runtime helper.
            uint32_t clusters = size / clusterSize + (size % clusterSize != 0);
            total += (uint64_t)clusters * clusterSize;
        }
    }
}
