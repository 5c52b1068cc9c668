// Guards the extracted library until it is loaded: a handle that denies writing, renaming and
// deleting to everyone, and a check that the file is still exactly what the package holds.
#include "launcher.h"
#include "package/package_layout.h"

// True when the locked file's bytes are the inflated wizard stream, zero-padded to its size.
static bool MatchesPackagedLibrary(HANDLE file, const unsigned char* package)
{
    uint32_t librarySize = ReadHeaderField(package, FIELD_WIZARD_SIZE);
    DWORD sizeHigh = 0;
    DWORD sizeLow = GetFileSize(file, &sizeHigh);
    // An error reads as INVALID_FILE_SIZE, which no extracted library can have: a file that
    // large could not have been mapped for writing.
    if (sizeLow == INVALID_FILE_SIZE || sizeHigh != 0 || sizeLow != librarySize) {
        return false;
    }
    HANDLE mapping = CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (mapping == nullptr) {
        return false;
    }
    const void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
    (void)CloseHandle(mapping);  // the view keeps the mapping alive
    if (view == nullptr) {
        return false;
    }
    bool matches = VerifyInflatedStream(package + ReadHeaderField(package, FIELD_WIZARD_OFFSET),
                                        ReadHeaderField(package, FIELD_WIZARD_PACKED_SIZE),
                                        static_cast<const unsigned char*>(view), librarySize);
    (void)UnmapViewOfFile(view);  // a read-only view: nothing can be lost
    return matches;
}

// Read access with read sharing only: the opening fails while anybody else can still write,
// and from then on nobody can open the file for writing or deleting; the loader, which asks
// for reading alone, still can.
HANDLE LockWizardLibrary(const char* tempFile, const unsigned char* package)
{
    HANDLE file = CreateFileA(tempFile, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return INVALID_HANDLE_VALUE;
    }
    if (!MatchesPackagedLibrary(file, package)) {
        (void)CloseHandle(file);  // a read handle; closing it cannot lose anything
        return INVALID_HANDLE_VALUE;
    }
    return file;
}
