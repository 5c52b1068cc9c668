// The walk over the package's file tree that recreates it below the destination: the name and
// length rules, the log records and the order of work. Freestanding; the file system work is
// handed to the operations the caller gives, so the native tests run the same walk.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "common/uninstall_log_builder.h"
#include "package/package_reader.h"

// What a fill reports. A file whose stream fails stays as the stream left it; a file that
// could not be written out (the disk is full) is removed again, and then it is not logged.
enum FillResult {
    FILL_FAILED = 0,
    FILL_DONE = 1,
    FILL_REMOVED = 2,
};

// What the walk does to the file system. Each directory is made, or an existing one reused,
// before it is logged; each file is created, filled, then logged unless the fill removed it;
// the fill also sets the last-write time, for an empty file too, and closes the file.
struct FileTreeOps {
    int (*createDirectory)(const char* path, uint32_t attributes);      // 0: no directory there
    void* (*createFile)(const char* path, uint32_t attributes);         // null on failure
    FillResult (*fillFile)(void* file, const char* path, const TreeRecord* record);
    void (*showPath)(const char* path);
    int (*stepProgress)(void);                                         // 0: stop the walk
};

// Puts `name` after the `levelLength` characters of `path` (a PATH_SIZE buffer whose level
// ends in a separator); 0, with the path unchanged, when the name is refused or too long.
int PutEntryName(char* path, size_t levelLength, const char* name);

// Recreates the level whose first record is at `position` in the directory that `path` holds,
// and logs it; `path` holds that directory again afterwards. Returns the position after the
// level's end marker, or null at the first failure. The level's list is ended either way.
const unsigned char* ExtractDirectory(const FileTreeOps* ops, UninstallLog* log, char* path,
                                      const unsigned char* position);

// The file list section: the record of "uninst.dat" itself, then the package's whole tree
// below `installDir`. 1 on success; after a failure the section is complete all the same,
// with the records of what was made.
int ExtractFileTree(const FileTreeOps* ops, UninstallLog* log, char* installDir,
                    const unsigned char* package);
