// The parts of the destination check that need no system: the form of the typed path, its
// drive root and the room the files take. Freestanding, tested natively.
#pragma once

#include <stddef.h>
#include <stdint.h>

enum {
    DRIVE_ROOT_SIZE = 4,        // "C:\" and its NUL
    DRIVE_PREFIX_LENGTH = 3,    // drive letter, colon, separator
};

// 0 when `path` has the form of an absolute drive path of a folder below the root, of plain
// names without reserved characters; otherwise the string id of the message that refuses it.
unsigned CheckInstallDirForm(const char* path);

// The root directory of the path's drive: its first character, a colon and a backslash.
void FormDriveRoot(const char* path, char* root);

// The room the package's files take on a drive whose files occupy whole clusters of
// `clusterSize` bytes: each file's size rounded up to a cluster (an empty file takes none).
uint64_t MeasureClusteredSize(const unsigned char* package, uint32_t clusterSize);

// The longest paths that installing puts below the destination, in characters relative to it.
struct TreePathLengths {
    size_t longestPath;     // of the package's files and directories, and the uninstall log
    size_t longestFolder;   // of its directories alone; 0 without any
};

// Measures the package's tree; a length of PATH_SIZE or more stands for a path that could
// never fit.
TreePathLengths MeasureTreePaths(const unsigned char* package);

// Whether the tree measured fits below `destination`, itself a folder to be made: every path
// fits a path buffer, and every folder's path one that CreateDirectoryA takes.
int FitsBelow(const char* destination, const TreePathLengths* lengths);
