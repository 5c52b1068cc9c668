// Writes the wizard library into its temporary file: the file is mapped at exactly the
// library's size and the package's stream is inflated straight into the view.
#include "common/win32/view_guard.h"
#include "launcher.h"
#include "package/package_layout.h"

bool ExtractWizardLibrary(const char* tempFile, const unsigned char* package, DWORD packageSize)
{
    // A damaged header could place the stream outside the package, where reading it could
    // fault before any message is shown.
    if (packageSize < PACKAGE_HEADER_SIZE) {
        return false;
    }
    uint32_t streamOffset = ReadHeaderField(package, FIELD_WIZARD_OFFSET);
    uint32_t packedSize = ReadHeaderField(package, FIELD_WIZARD_PACKED_SIZE);
    if (streamOffset > packageSize || packedSize > packageSize - streamOffset) {
        return false;
    }
    uint32_t librarySize = ReadHeaderField(package, FIELD_WIZARD_SIZE);

    HANDLE file = CreateFileA(tempFile, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    // A size of 0 cannot be mapped, which makes an empty library fail here.
    HANDLE mapping = CreateFileMappingA(file, nullptr, PAGE_READWRITE, 0, librarySize, nullptr);
    (void)CloseHandle(file);  // the mapping keeps the file open
    if (mapping == nullptr) {
        return false;
    }
    void* view = MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0);
    (void)CloseHandle(mapping);  // the view keeps the mapping alive
    if (view == nullptr) {
        return false;
    }
    // Mapping grows the file without taking room for it on a sparse, compressed or network
    // volume, and on Wine: a temporary drive that fills while the view is written fails the
    // extraction instead of the process.
    ViewInflation inflated =
        InflateIntoView(Decompress, package + streamOffset, packedSize,
                        static_cast<unsigned char*>(view), librarySize);
    // Unmapping hands the pages to the file; a failure would show up when the file is checked.
    (void)UnmapViewOfFile(view);
    return inflated == VIEW_INFLATED;
}
