// Tests the launcher's extraction and lock of the wizard library directly: what the lock keeps
// others from doing, and which changes to the file between writing and loading it refuses.
#include <windows.h>

#include <stdio.h>
#include <string>
#include <vector>

#include "launcher.h"
#include "launcher_test.h"
#include "package/package_layout.h"
#include "test_paths.h"

HANDLE processHeap;  // the launcher's entry routine records it; this test stands in for it

namespace {

// The bytes of the package under test, all of which are its resource.
DWORD packageSize;

std::vector<unsigned char> ReadPackage(const std::string& path)
{
    std::vector<unsigned char> bytes;
    FILE* file = fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return bytes;
    }
    unsigned char buffer[65536];
    size_t count;
    while ((count = fread(buffer, 1, sizeof buffer, file)) > 0) {
        bytes.insert(bytes.end(), buffer, buffer + count);
    }
    fclose(file);
    return bytes;
}

// A new empty temporary file in `directory`, as the launcher makes it.
std::string MakeTempFile(const std::string& directory)
{
    char name[MAX_PATH];
    return GetTempFileNameA(directory.c_str(), "wzd", 0, name) != 0 ? name : "";
}

bool Opens(const std::string& path, DWORD access, DWORD sharing)
{
    HANDLE file = CreateFileA(path.c_str(), access, sharing, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    CloseHandle(file);
    return true;
}

// Inverts the bits of the byte at `offset`.
bool FlipByte(const std::string& path, DWORD offset)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    unsigned char value = 0;
    DWORD count = 0;
    bool done = SetFilePointer(file, offset, nullptr, FILE_BEGIN) == offset &&
                ReadFile(file, &value, 1, &count, nullptr) && count == 1;
    value = static_cast<unsigned char>(~value);
    done = done && SetFilePointer(file, offset, nullptr, FILE_BEGIN) == offset &&
           WriteFile(file, &value, 1, &count, nullptr) && count == 1;
    CloseHandle(file);
    return done;
}

bool Resize(const std::string& path, DWORD size)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    bool done = SetFilePointer(file, size, nullptr, FILE_BEGIN) == size && SetEndOfFile(file);
    CloseHandle(file);
    return done;
}

void TestLockKeepsOthersOut(const std::string& directory, const unsigned char* package)
{
    std::string path = MakeTempFile(directory);
    Check(ExtractWizardLibrary(path.c_str(), package, packageSize), "the library is extracted");
    HANDLE lock = LockWizardLibrary(path.c_str(), package);
    Check(lock != INVALID_HANDLE_VALUE, "the extracted library is locked");
    if (lock == INVALID_HANDLE_VALUE) {
        DeleteFileA(path.c_str());
        return;
    }
    const DWORD anySharing = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    Check(!Opens(path, GENERIC_WRITE, anySharing), "locked: cannot be opened for writing");
    Check(!Opens(path, DELETE, anySharing), "locked: cannot be opened for deleting");
    std::string moved = path + ".moved";
    bool renamed = MoveFileA(path.c_str(), moved.c_str()) != 0;
    Check(!renamed, "locked: cannot be renamed");
    if (renamed) {
        MoveFileA(moved.c_str(), path.c_str());
    }
    Check(!DeleteFileA(path.c_str()), "locked: cannot be deleted");
    Check(Opens(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE),
          "locked: can still be opened for reading as the loader does");
    HMODULE library = LoadLibraryA(path.c_str());
    Check(library != nullptr, "locked: can be loaded");
    if (library != nullptr) {
        FreeLibrary(library);
    }
    CloseHandle(lock);
    Check(DeleteFileA(path.c_str()) != 0, "unlocked and freed: can be deleted");
}

// Runs `change` on a freshly extracted library and expects the lock to refuse the result.
template <typename Change>
void TestLockRefuses(const std::string& directory, const unsigned char* package,
                     const std::string& what, Change change)
{
    std::string path = MakeTempFile(directory);
    bool extracted = ExtractWizardLibrary(path.c_str(), package, packageSize);
    bool changed = extracted && change(path);
    Check(changed, what + ": file prepared");
    HANDLE lock = changed ? LockWizardLibrary(path.c_str(), package) : INVALID_HANDLE_VALUE;
    Check(changed && lock == INVALID_HANDLE_VALUE, what + ": refused");
    if (lock != INVALID_HANDLE_VALUE) {
        CloseHandle(lock);
    }
    Check(DeleteFileA(path.c_str()) != 0, what + ": the file is not left locked");
}

void TestChangedFiles(const std::string& directory, const unsigned char* package)
{
    uint32_t size = ReadHeaderField(package, FIELD_WIZARD_SIZE);
    TestLockRefuses(directory, package, "a byte changed after writing",
                    [&](const std::string& path) { return FlipByte(path, size / 2); });
    TestLockRefuses(directory, package, "the last byte changed after writing",
                    [&](const std::string& path) { return FlipByte(path, size - 1); });
    TestLockRefuses(directory, package, "the file cut short",
                    [&](const std::string& path) { return Resize(path, size - 1); });
    TestLockRefuses(directory, package, "the file made longer",
                    [&](const std::string& path) { return Resize(path, size + 1); });
}

// Somebody who opened the file for writing before the lock and still holds it.
void TestOpenWriter(const std::string& directory, const unsigned char* package)
{
    std::string path = MakeTempFile(directory);
    bool extracted = ExtractWizardLibrary(path.c_str(), package, packageSize);
    HANDLE writer = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    Check(extracted && writer != INVALID_HANDLE_VALUE, "a writer still open: file prepared");
    HANDLE lock = LockWizardLibrary(path.c_str(), package);
    Check(lock == INVALID_HANDLE_VALUE, "a writer still open: refused");
    if (lock != INVALID_HANDLE_VALUE) {
        CloseHandle(lock);
    }
    if (writer != INVALID_HANDLE_VALUE) {
        CloseHandle(writer);
    }
    Check(DeleteFileA(path.c_str()) != 0, "a writer still open: the file is not left locked");
}

// A stream that ends before the header's size leaves zero bytes after the data; those are
// accepted, anything else there is not.
void TestZeroPadding(const std::string& directory, std::vector<unsigned char> package)
{
    const uint32_t padding = 100;
    uint32_t size = ReadHeaderField(package.data(), FIELD_WIZARD_SIZE) + padding;
    WriteU32(package.data() + FIELD_WIZARD_SIZE, size);

    std::string path = MakeTempFile(directory);
    Check(ExtractWizardLibrary(path.c_str(), package.data(), packageSize), "padded: extracted");
    HANDLE lock = LockWizardLibrary(path.c_str(), package.data());
    Check(lock != INVALID_HANDLE_VALUE, "padded with zero bytes: locked");
    if (lock != INVALID_HANDLE_VALUE) {
        CloseHandle(lock);
    }
    Check(FlipByte(path, size - padding / 2), "padded: a padding byte set");
    lock = LockWizardLibrary(path.c_str(), package.data());
    Check(lock == INVALID_HANDLE_VALUE, "padded with a non-zero byte: refused");
    if (lock != INVALID_HANDLE_VALUE) {
        CloseHandle(lock);
    }
    DeleteFileA(path.c_str());
}

void TestExtractionFailures(const std::string& directory, std::vector<unsigned char> package)
{
    std::vector<unsigned char> outside = package;
    WriteU32(outside.data() + FIELD_WIZARD_OFFSET, packageSize);  // the stream would start at the end
    std::string streamPath = MakeTempFile(directory);
    Check(!ExtractWizardLibrary(streamPath.c_str(), outside.data(), packageSize),
          "stream past the package's end: extraction fails");
    // This package's stream ends where the package ends: one byte less, and it lies outside.
    Check(!ExtractWizardLibrary(streamPath.c_str(), package.data(), packageSize - 1),
          "stream ending past a package one byte short: extraction fails");
    Check(ExtractWizardLibrary(streamPath.c_str(), package.data(), packageSize),
          "the same file, the stream inside: extracted");
    DeleteFileA(streamPath.c_str());

    std::vector<unsigned char> empty = package;
    WriteU32(empty.data() + FIELD_WIZARD_SIZE, 0);
    std::string path = MakeTempFile(directory);
    Check(!ExtractWizardLibrary(path.c_str(), empty.data(), packageSize), "size 0: extraction fails");
    DeleteFileA(path.c_str());

    std::vector<unsigned char> small = package;
    WriteU32(small.data() + FIELD_WIZARD_SIZE, ReadHeaderField(package.data(), FIELD_WIZARD_SIZE) - 1);
    path = MakeTempFile(directory);
    Check(!ExtractWizardLibrary(path.c_str(), small.data(), packageSize),
          "size one byte short: extraction fails");
    DeleteFileA(path.c_str());

    path = MakeTempFile(directory);
    DeleteFileA(path.c_str());
    Check(!ExtractWizardLibrary(path.c_str(), package.data(), packageSize),
          "temporary file gone: extraction fails");
}

void TestVerify(const unsigned char* package)
{
    const unsigned char* stream = package + ReadHeaderField(package, FIELD_WIZARD_OFFSET);
    uint32_t packedSize = ReadHeaderField(package, FIELD_WIZARD_PACKED_SIZE);
    uint32_t size = ReadHeaderField(package, FIELD_WIZARD_SIZE);
    std::vector<unsigned char> data(size + 1, 0);
    Check(Decompress(stream, data.data(), packedSize, size) == 1, "verify: reference inflated");
    Check(VerifyInflatedStream(stream, packedSize, data.data(), size), "verify: equal data");
    Check(VerifyInflatedStream(stream, packedSize + 8, data.data(), size),
          "verify: bytes after the stream are ignored");
    Check(!VerifyInflatedStream(stream, packedSize, data.data(), size - 1),
          "verify: data one byte short");
    Check(VerifyInflatedStream(stream, packedSize, data.data(), size + 1),
          "verify: a zero byte after the data");
    data[size] = 7;
    Check(!VerifyInflatedStream(stream, packedSize, data.data(), size + 1),
          "verify: a non-zero byte after the data");
    Check(!VerifyInflatedStream(stream, packedSize - 1, data.data(), size),
          "verify: stream cut short");
    Check(!VerifyInflatedStream(stream, 0, data.data(), size), "verify: no stream");
    data[0] ^= 0x40;
    Check(!VerifyInflatedStream(stream, packedSize, data.data(), size),
          "verify: first byte differs");
}

// Files left in the test's own directory by an earlier, failed run.
void ClearDirectory(const std::string& directory)
{
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((directory + "\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            DeleteFileA((directory + "\\" + entry.cFileName).c_str());
        }
    } while (FindNextFileA(search, &entry));
    FindClose(search);
}

}  // namespace

int main(int argc, char** argv)
{
    setvbuf(stdout, nullptr, _IONBF, 0);
    if (argc != 3) {
        fprintf(stderr, "usage: library_lock_test PACKAGE WORK_DIR\n");
        return 2;
    }
    processHeap = GetProcessHeap();
    std::vector<unsigned char> package = ReadPackage(ToWindowsPath(argv[1]));
    packageSize = static_cast<DWORD>(package.size());
    std::string directory = ToWindowsPath(argv[2]);
    ClearDirectory(directory);
    CreateDirectoryA(directory.c_str(), nullptr);
    Check(package.size() > PACKAGE_HEADER_SIZE, "package read");
    if (package.size() > PACKAGE_HEADER_SIZE) {
        TestLockKeepsOthersOut(directory, package.data());
        TestChangedFiles(directory, package.data());
        TestOpenWriter(directory, package.data());
        TestZeroPadding(directory, package);
        TestExtractionFailures(directory, package);
        TestVerify(package.data());
    }
    Check(RemoveDirectoryA(directory.c_str()) != 0, "nothing left in " + directory);
    return failures == 0 ? 0 : 1;
}
