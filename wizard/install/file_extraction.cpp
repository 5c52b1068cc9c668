// The file step: the package's tree recreated below the destination, each file inflated
// straight into a mapped view of the new file, with its attributes and last-write time; a file
// that finds no room on the disk is removed again.
#include <windows.h>

#include "common/win32/view_guard.h"
#include "core/wizard_state.h"
#include "install/file_tree.h"
#include "install/install_engine.h"
#include "install/installed_product.h"
#include "ui/resource.h"

// Deletes a file of the installation even when an attribute guards it.
static BOOL DeleteInstalledFile(const char* path)
{
    (void)SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL); // a failure shows at the deletion
    return DeleteFileA(path);
}

static int CreateTreeDirectory(const char* path, uint32_t attributes)
{
    (void)CreateDirectoryA(path, NULL); // an existing directory is reused; the look below decides
    DWORD existing = GetFileAttributesA(path);
    // A file of the earlier installation where this build has a folder goes, as its other files
    // are replaced; a file of anyone else's keeps the folder from being made.
    if (existing != INVALID_FILE_ATTRIBUTES && !(existing & FILE_ATTRIBUTE_DIRECTORY) &&
        IsEarlierFile(path) && DeleteInstalledFile(path) && CreateDirectoryA(path, NULL))
        existing = GetFileAttributesA(path);
    if (existing == INVALID_FILE_ATTRIBUTES || !(existing & FILE_ATTRIBUTE_DIRECTORY))
        return 0;
    (void)SetFileAttributesA(path, attributes); // a failure shows at the first file inside
    return 1;
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

HANDLE CreateInstallFile(const char* path, DWORD attributes)
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
    return file;
}

static void* CreateTreeFile(const char* path, uint32_t attributes)
{
    HANDLE file = CreateInstallFile(path, attributes);
    return file == INVALID_HANDLE_VALUE ? NULL : file;
}

// Inflates the record's stream into the file at its full size. FILL_REMOVED here: the file
// could not be written out and is to be removed.
static FillResult InflateIntoFile(HANDLE file, const TreeRecord* record)
{
    // The mapping extends the file to its size: where the file system allocates it (NTFS,
    // FAT), a disk without room fails here. Under Wine the file is left sparse, and there the
    // view's guard meets the full disk. Sizes from 2 GiB on fail at the view, which would not
    // fit a 32-bit process.
    HANDLE mapping = CreateFileMappingA(file, NULL, PAGE_READWRITE, 0, record->size, NULL);
    if (!mapping)
        return FILL_REMOVED;
    void* view = MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, record->size);
    (void)CloseHandle(mapping); // the view keeps the mapping alive
    if (!view)
        return FILL_REMOVED;
    ViewInflation inflated = InflateIntoView(wizard.decompress, record->data, record->packedSize,
                                             (unsigned char*)view, record->size);
    (void)UnmapViewOfFile(view); // written back when the file closes either way
    if (inflated == VIEW_FAULTED)
        return FILL_REMOVED;
    return inflated == VIEW_INFLATED ? FILL_DONE : FILL_FAILED;
}

// A file at its full size whose content never arrived is worse than none: it goes, even if
// the record made it read-only. Kept, and so still logged, when it cannot be deleted.
static FillResult RemoveTreeFile(const char* path)
{
    return DeleteInstalledFile(path) ? FILL_REMOVED : FILL_FAILED;
}

static FillResult FillTreeFile(void* handle, const char* path, const TreeRecord* record)
{
    HANDLE file = (HANDLE)handle;
    FillResult filled = record->size == 0 ? FILL_DONE : InflateIntoFile(file, record);
    // A damaged stream leaves the file at its full size with its time, as an empty file has.
    if (filled != FILL_REMOVED) {
        FILETIME lastWrite;
        lastWrite.dwLowDateTime = (DWORD)record->lastWriteTime;
        lastWrite.dwHighDateTime = (DWORD)(record->lastWriteTime >> 32);
        (void)SetFileTime(file, NULL, NULL, &lastWrite); // the content matters more than its time
    }
    (void)CloseHandle(file); // nothing to do if closing fails
    return filled == FILL_REMOVED ? RemoveTreeFile(path) : filled;
}

static const FileTreeOps WIN32_FILE_TREE = {
    CreateTreeDirectory, CreateTreeFile, FillTreeFile, SetDetail, StepProgress,
};

UINT ExtractFiles(void)
{
    SetStatus(IDS_EXTRACTING_FILES, "");
    int extracted = ExtractFileTree(&WIN32_FILE_TREE, &wizard.uninstallLog, wizard.installDir,
                                    wizard.package);
    // Also after a failure, so that the section is whole for a reinstall that ends here.
    // Without memory for the merge a complete installation saves its new list alone, and one
    // that ends before saving keeps the earlier log.
    if (!CarryEarlierFilesOver())
        wizard.earlierFilesLost = TRUE;
    return extracted ? 0 : IDS_EXTRACT_FAILED;
}
