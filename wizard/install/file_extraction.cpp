// The file step: the package's tree recreated below the destination, each file inflated
// straight into a mapped view of the new file, with its attributes and last-write time.
#include <windows.h>

#include "core/wizard_state.h"
#include "install/file_tree.h"
#include "install/install_engine.h"
#include "ui/resource.h"

static void CreateTreeDirectory(const char* path, uint32_t attributes)
{
    (void)CreateDirectoryA(path, NULL); // an existing directory is reused
    (void)SetFileAttributesA(path, attributes); // a failure shows at the first file inside
}

// The file created, or an existing one emptied; an existing file keeps its own attributes
// through CreateFileA, so the record's are set on it.
static HANDLE CreateReplacingFile(const char* path, uint32_t attributes)
{
    HANDLE file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                              attributes, NULL);
    if (file != INVALID_HANDLE_VALUE && GetLastError() == ERROR_ALREADY_EXISTS)
        (void)SetFileAttributesA(path, attributes); // the open handle may still write
    return file;
}

static void* CreateTreeFile(const char* path, uint32_t attributes)
{
    HANDLE file = CreateReplacingFile(path, attributes);
    // A read-only, hidden or system file of the same name, most often this product's earlier
    // copy, refuses to be replaced: its attributes are cleared and it is created again, once.
    // One that still refuses (a file in use) gets its attributes back.
    const DWORD guarding = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    if (file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_ACCESS_DENIED) {
        DWORD existing = GetFileAttributesA(path);
        if (existing != INVALID_FILE_ATTRIBUTES && !(existing & FILE_ATTRIBUTE_DIRECTORY) &&
            (existing & guarding) && SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL)) {
            file = CreateReplacingFile(path, attributes);
            if (file == INVALID_HANDLE_VALUE)
                (void)SetFileAttributesA(path, existing); // as it was; the failure is reported
        }
    }
    return file == INVALID_HANDLE_VALUE ? NULL : file;
}

// Inflates the record's stream into the file, which the mapping extends to its full size.
static BOOL InflateIntoFile(HANDLE file, const FileRecordData* record)
{
    HANDLE mapping = CreateFileMappingA(file, NULL, PAGE_READWRITE, 0, record->size, NULL);
    if (!mapping)
        return FALSE;
    void* view = MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, record->size);
    (void)CloseHandle(mapping); // the view keeps the mapping alive
    if (!view)
        return FALSE;
    BOOL inflated = wizard.decompress(record->data, (unsigned char*)view, record->packedSize,
                                      record->size) != 0;
    (void)UnmapViewOfFile(view); // written back when the file closes either way
    return inflated;
}

static int FillTreeFile(void* handle, const FileRecordData* record)
{
    HANDLE file = (HANDLE)handle;
    BOOL filled = record->size == 0 || InflateIntoFile(file, record);
    // A damaged stream leaves the file at its full size with its time, as an empty file has.
    FILETIME lastWrite;
    lastWrite.dwLowDateTime = (DWORD)record->lastWriteTime;
    lastWrite.dwHighDateTime = (DWORD)(record->lastWriteTime >> 32);
    (void)SetFileTime(file, NULL, NULL, &lastWrite); // the content matters more than its time
    (void)CloseHandle(file); // nothing to do if closing fails
    return filled;
}

static const FileTreeOps WIN32_FILE_TREE = {
    CreateTreeDirectory, CreateTreeFile, FillTreeFile, SetDetail, StepProgress,
};

UINT ExtractFiles(void)
{
    SetStatus(IDS_EXTRACTING_FILES, "");
    if (!ExtractFileTree(&WIN32_FILE_TREE, &wizard.uninstallLog, wizard.installDir,
                         wizard.package))
        return IDS_EXTRACT_FAILED;
    return 0;
}
