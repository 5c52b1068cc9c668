// The parts of the destination check that need no system: the form of the typed path, its
// drive root and the room the files take. Freestanding, tested natively.
#include "destination_checks.h"

#include "common/path_routines.h"
#include "common/uninstall_log_format.h"
#include "common/text.h"
#include "package/package_layout.h"
#include "package/package_reader.h"
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
        TreeRecord record;
        at = ReadTrustedTreeRecord(at, &record);
        if (record.kind == TREE_RECORD_END) {
            if (!depth)
                return total;
            --depth;
        } else if (record.kind == TREE_RECORD_DIRECTORY) {
            ++depth;
        } else {
            // In 32 bits: a 64-bit division would bring in a runtime helper.
            uint32_t clusters = record.size / clusterSize + (record.size % clusterSize != 0);
            total += (uint64_t)clusters * clusterSize;
        }
    }
}

// Levels of the deepest tree whose paths could fit: each takes a character and a separator.
static const size_t TREE_DEPTH_LIMIT = PATH_SIZE / 2;

TreePathLengths MeasureTreePaths(const unsigned char* package)
{
    const TreePathLengths beyond = {PATH_SIZE, PATH_SIZE};
    TreePathLengths lengths = {sizeof(UNINSTALL_LOG_NAME) - 1, 0};
    // The relative path of the directory open at each depth, separator included, in characters.
    size_t levelLengths[TREE_DEPTH_LIMIT];
    size_t depth = 0;
    size_t levelLength = 0;
    const unsigned char* at = package + ReadHeaderField(package, FIELD_FILE_TREE);
    for (;;) {
        TreeRecord record;
        at = ReadTrustedTreeRecord(at, &record);
        if (record.kind == TREE_RECORD_END) {
            if (!depth)
                return lengths;
            levelLength = levelLengths[--depth];
        } else {
            size_t length = levelLength + GetTextLength(record.name);
            if (length >= PATH_SIZE)
                return beyond;
            if (length > lengths.longestPath)
                lengths.longestPath = length;
            if (record.kind == TREE_RECORD_DIRECTORY) {
                if (depth == TREE_DEPTH_LIMIT)
                    return beyond;
                if (length > lengths.longestFolder)
                    lengths.longestFolder = length;
                levelLengths[depth++] = levelLength;
                levelLength = length + 1;
            }
        }
    }
}

int FitsBelow(const char* destination, const TreePathLengths* lengths)
{
    size_t length = GetTextLength(destination);
    return length < FOLDER_PATH_SIZE && length + 1 + lengths->longestPath < PATH_SIZE &&
           (!lengths->longestFolder || length + 1 + lengths->longestFolder < FOLDER_PATH_SIZE);
}
