// The walk over the package's file tree that recreates it below the destination: the name and
// length rules, the log records and the order of work. Freestanding, tested natively.
#include "install/file_tree.h"

#include "common/path_routines.h"
#include "common/text.h"
#include "package/package_layout.h"
#include "package/package_reader.h"

int PutEntryName(char* path, size_t levelLength, const char* name)
{
    size_t length = GetTextLength(name);
    if (!IsPlainName(name) || levelLength + length >= PATH_SIZE)
        return 0;
    CopyBytes(path + levelLength, name, length + 1);
    return 1;
}

// Creates, fills and logs the file of `record`; 0 when the walk stops there.
static int ExtractFile(const FileTreeOps* ops, UninstallLog* log, const char* path,
                       const TreeRecord* record)
{
    void* file = ops->createFile(path, record->attributes);
    if (!file)
        return 0;
    // Logged after the fill, which nothing else appends during, so a removed file is not listed.
    FillResult filled = ops->fillFile(file, path, record);
    if (filled != FILL_REMOVED) {
        (void)AppendLogByte(log, LOG_FILE); // a loss shows at the save
        (void)AppendToLog(log, record->name, LOG_WHOLE_TEXT);
    }
    return filled == FILL_DONE;
}

const unsigned char* ExtractDirectory(const FileTreeOps* ops, UninstallLog* log, char* path,
                                      const unsigned char* position)
{
    size_t entryLength = GetTextLength(path);
    size_t levelLength = entryLength + 1;
    // A directory whose path fills the buffer can only be empty: PutEntryName refuses the rest.
    if (levelLength < PATH_SIZE) {
        path[entryLength] = '\\';
        path[levelLength] = 0;
    }

    while (position) {
        TreeRecord record;
        const unsigned char* next = ReadTrustedTreeRecord(position, &record);
        if (record.kind == TREE_RECORD_END)
            break;
        if (!PutEntryName(path, levelLength, record.name)) {
            position = 0;
            break;
        }
        // Shown first, so that the page behind an error names it.
        ops->showPath(path);
        if (record.kind == TREE_RECORD_DIRECTORY) {
            // A file of the same name keeps the directory from being made. Its files would fail
            // on their own, but an empty directory would pass, logged, and no removal could
            // ever take it away.
            if (!ops->createDirectory(path, record.attributes)) {
                position = 0;
                break;
            }
            (void)AppendLogByte(log, LOG_DIRECTORY); // a loss shows at the save
            (void)AppendToLog(log, record.name, LOG_WHOLE_TEXT);
            position = ExtractDirectory(ops, log, path, next);
        } else {
            position = ExtractFile(ops, log, path, &record) && ops->stepProgress() ? next : 0;
        }
        path[levelLength] = 0;
    }
    path[entryLength] = 0;
    // Ended after a failure too: the records of what was made stay a readable list, which a
    // reinstall that stops here still saves.
    (void)AppendLogByte(log, LOG_END); // a loss shows at the save
    return position ? position + 4 : 0;
}

int ExtractFileTree(const FileTreeOps* ops, UninstallLog* log, char* installDir,
                    const unsigned char* package)
{
    NoteLogSection(log, LOG_FILE_LIST);
    (void)AppendLogByte(log, LOG_FILE); // a loss shows at the save
    (void)AppendToLog(log, UNINSTALL_LOG_NAME, LOG_WHOLE_TEXT);
    return ExtractDirectory(ops, log, installDir,
                            package + ReadHeaderField(package, FIELD_FILE_TREE)) != 0;
}
