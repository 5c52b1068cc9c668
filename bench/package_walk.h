// The walk over a raw package's file tree that the benchmark's extractors share: the folder
// path kept as records open and close levels, and one call per directory and per file.
#pragma once

#include <string>

#include "package/package_reader.h"

// Calls makeFolder(path) for each directory before its contents and extractFile(path, record)
// for each file, in package order below `folder`; false when a record cannot be read or a
// call fails.
template <typename MakeFolder, typename ExtractFile>
bool WalkPackageTree(const unsigned char* package, const unsigned char* end, std::string folder,
                     char separator, MakeFolder makeFolder, ExtractFile extractFile)
{
    const unsigned char* at = package + ReadHeaderField(package, FIELD_FILE_TREE);
    int depth = 0;
    while (at) {
        TreeRecord record;
        at = ReadTreeRecord(at, end, &record);
        if (!at)
            return false;
        if (record.kind == TREE_RECORD_END) {
            if (depth-- == 0)
                return true;
            folder.erase(folder.rfind(separator));
        } else if (record.kind == TREE_RECORD_DIRECTORY) {
            ++depth;
            folder += separator + std::string(record.name);
            if (!makeFolder(folder))
                return false;
        } else if (!extractFile(folder + separator + record.name, record)) {
            return false;
        }
    }
    return false;
}
