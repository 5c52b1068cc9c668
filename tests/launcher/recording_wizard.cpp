// A test wizard library: its ShowWizard checks what the launcher handed over (module, package,
// decompress callback, the library's own file and its lock) and writes one line per check.
#include <windows.h>

#include <stdio.h>
#include <string.h>
#include <string>
#include <vector>

#include "launcher_test.h"
#include "package/package_layout.h"
#include "package/wizard_interface.h"

static HMODULE ownModule;
static FILE* report;

static void Report(const char* check, bool passed, const std::string& detail = std::string())
{
    if (passed) {
        fprintf(report, "ok %s\n", check);
    } else {
        fprintf(report, "FAIL %s: %s\n", check, detail.c_str());
    }
    fflush(report);
}

static std::string ReadVariable(const char* name)
{
    char value[1024];
    DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    return length > 0 && length < sizeof value ? std::string(value, length) : std::string();
}

static std::string DirectoryOf(const std::string& path)
{
    size_t separator = path.find_last_of("\\/");
    return separator == std::string::npos ? std::string() : path.substr(0, separator);
}

// The full form of a directory without trailing separators, for comparing two spellings.
static std::string NormalDirectory(const std::string& path)
{
    char full[MAX_PATH * 2];
    DWORD length = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    std::string result = length > 0 && length < sizeof full ? std::string(full) : path;
    while (result.size() > 3 && (result.back() == '\\' || result.back() == '/')) {
        result.pop_back();
    }
    return result;
}

static std::vector<unsigned char> ReadWholeFile(const std::string& path)
{
    std::vector<unsigned char> bytes;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return bytes;
    }
    bytes.resize(GetFileSize(file, nullptr));
    DWORD read = 0;
    if (!bytes.empty() && (!ReadFile(file, bytes.data(), (DWORD)bytes.size(), &read, nullptr) ||
                           read != bytes.size())) {
        bytes.clear();
    }
    CloseHandle(file);
    return bytes;
}

static void CheckHandOver(HMODULE launcherModule, const unsigned char* package)
{
    Report("launcher_module", launcherModule == GetModuleHandleA(nullptr), "not the EXE's handle");
    HRSRC resource = FindResourceA(nullptr, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(10));
    HGLOBAL loaded = resource ? LoadResource(nullptr, resource) : nullptr;
    const void* expected = loaded ? LockResource(loaded) : nullptr;
    Report("package_pointer", expected != nullptr && package == expected,
           "not the RCDATA 1 resource of the EXE");
}

static void CheckLibraryFile(const std::string& path, DecompressCallback decompress,
                             const unsigned char* package)
{
    std::string expectedDirectory = ReadVariable(EXPECTED_DIRECTORY_VARIABLE);
    std::string name = path.substr(DirectoryOf(path).size() + 1);
    bool namedAsTemporary = name.size() > 7 && _strnicmp(name.c_str(), "wzd", 3) == 0 &&
                            _stricmp(name.c_str() + name.size() - 4, ".tmp") == 0;
    bool inDirectory = !expectedDirectory.empty() &&
                       _stricmp(NormalDirectory(DirectoryOf(path)).c_str(),
                                NormalDirectory(expectedDirectory).c_str()) == 0;
    Report("library_location", namedAsTemporary && inDirectory,
           "loaded from " + path + ", expected wzd*.tmp in " + expectedDirectory);

    uint32_t size = ReadHeaderField(package, FIELD_WIZARD_SIZE);
    std::vector<unsigned char> inflated(size, 0);
    int result = decompress(package + ReadHeaderField(package, FIELD_WIZARD_OFFSET),
                            inflated.data(), ReadHeaderField(package, FIELD_WIZARD_PACKED_SIZE),
                            size);
    std::vector<unsigned char> onDisk = ReadWholeFile(path);
    Report("library_content", result == 1 && onDisk == inflated,
           "decompress gave " + std::to_string(result) + ", file has " +
               std::to_string(onDisk.size()) + " bytes, header says " + std::to_string(size));
}

// The information text's stream, inflated through the callback in every way the callback
// promises to handle.
static void CheckDecompressEdges(DecompressCallback decompress, const unsigned char* package)
{
    uint32_t offset = ReadHeaderField(package, FIELD_INFO_BEFORE_OFFSET);
    uint32_t packedSize = ReadHeaderField(package, FIELD_INFO_BEFORE_PACKED_SIZE);
    uint32_t size = ReadHeaderField(package, FIELD_INFO_BEFORE_SIZE);
    const unsigned char* stream = package + offset;
    if (offset == 0 || size < sizeof INFO_TEXT_START) {
        Report("decompress_exact", false, "the test package has no information text");
        return;
    }

    std::vector<unsigned char> text(size);
    int result = decompress(stream, text.data(), packedSize, size);
    Report("decompress_exact",
           result == 1 && memcmp(text.data(), INFO_TEXT_START, strlen(INFO_TEXT_START)) == 0,
           "result " + std::to_string(result));

    const unsigned char filler = 0xA5;
    const size_t extra = 64;
    std::vector<unsigned char> larger(size + extra, filler);
    result = decompress(stream, larger.data(), packedSize, (unsigned)larger.size());
    bool tailUntouched = true;
    for (size_t index = size; index < larger.size(); ++index) {
        tailUntouched = tailUntouched && larger[index] == filler;
    }
    Report("decompress_larger_destination",
           result == 1 && memcmp(larger.data(), text.data(), size) == 0 && tailUntouched,
           "result " + std::to_string(result) + (tailUntouched ? "" : ", tail overwritten"));

    // The package goes on after the stream (the file tree), so these bytes exist.
    std::vector<unsigned char> trailing(size);
    result = decompress(stream, trailing.data(), packedSize + 16, size);
    Report("decompress_trailing_bytes", result == 1 && trailing == text,
           "result " + std::to_string(result));

    std::vector<unsigned char> scratch(size + 1);
    result = decompress(stream, scratch.data(), 0, size);
    Report("decompress_empty_source", result == 0, "result " + std::to_string(result));

    result = decompress(stream, scratch.data(), packedSize, size - 1);
    Report("decompress_short_destination", result == 0, "result " + std::to_string(result));

    result = decompress(stream, scratch.data(), packedSize - 1, size);
    Report("decompress_truncated_source", result == 0, "result " + std::to_string(result));

    // The Adler-32 trailer is the stream's last four bytes.
    std::vector<unsigned char> damaged(stream, stream + packedSize);
    damaged.back() ^= 0x01;
    std::vector<unsigned char> written(size, 0);
    result = decompress(damaged.data(), written.data(), packedSize, size);
    Report("decompress_bad_checksum", result == 0 && written == text,
           "result " + std::to_string(result) +
               (written == text ? "" : ", data bytes not all written"));
}

struct ThreadJob {
    DecompressCallback decompress;
    const unsigned char* package;
    const std::vector<unsigned char>* expected;
    bool allMatched;
};

enum { THREAD_ROUNDS = 40 };

static DWORD WINAPI InflateRepeatedly(void* parameter)
{
    ThreadJob* job = static_cast<ThreadJob*>(parameter);
    const unsigned char* package = job->package;
    uint32_t size = ReadHeaderField(package, FIELD_WIZARD_SIZE);
    std::vector<unsigned char> output(size);
    job->allMatched = true;
    for (int round = 0; round < THREAD_ROUNDS; ++round) {
        std::fill(output.begin(), output.end(), 0);
        int result = job->decompress(package + ReadHeaderField(package, FIELD_WIZARD_OFFSET),
                                     output.data(),
                                     ReadHeaderField(package, FIELD_WIZARD_PACKED_SIZE), size);
        job->allMatched = job->allMatched && result == 1 && output == *job->expected;
    }
    return 0;
}

// The install worker and the wizard's thread inflate at the same time; so do these two.
static void CheckTwoThreads(DecompressCallback decompress, const unsigned char* package)
{
    uint32_t size = ReadHeaderField(package, FIELD_WIZARD_SIZE);
    std::vector<unsigned char> expected(size);
    decompress(package + ReadHeaderField(package, FIELD_WIZARD_OFFSET), expected.data(),
               ReadHeaderField(package, FIELD_WIZARD_PACKED_SIZE), size);
    ThreadJob jobs[2] = {{decompress, package, &expected, false},
                         {decompress, package, &expected, false}};
    HANDLE threads[2];
    for (int index = 0; index < 2; ++index) {
        threads[index] = CreateThread(nullptr, 0, InflateRepeatedly, &jobs[index], 0, nullptr);
    }
    bool started = threads[0] != nullptr && threads[1] != nullptr;
    if (started) {
        WaitForMultipleObjects(2, threads, TRUE, INFINITE);
    }
    for (HANDLE thread : threads) {
        if (thread != nullptr) {
            CloseHandle(thread);
        }
    }
    Report("decompress_two_threads", started && jobs[0].allMatched && jobs[1].allMatched,
           started ? "a thread got a wrong result" : "threads not started");
}

// The launcher left only the system directory in the library search: a library planted
// beside it or in the current directory is not found by name, a system library is.
static void CheckDllSearch()
{
    bool planted = GetFileAttributesA(PLANTED_LIBRARY_NAME) != INVALID_FILE_ATTRIBUTES;
    HMODULE plantedLibrary = LoadLibraryA(PLANTED_LIBRARY_NAME);
    HMODULE systemLibrary = LoadLibraryA("version.dll");
    Report("dll_search", planted && plantedLibrary == nullptr && systemLibrary != nullptr,
           std::string(planted ? "" : "nothing planted in the current directory; ") +
               (plantedLibrary ? "the planted library was loaded; " : "") +
               (systemLibrary ? "" : "version.dll not found"));
    if (plantedLibrary != nullptr) {
        FreeLibrary(plantedLibrary);
    }
    if (systemLibrary != nullptr) {
        FreeLibrary(systemLibrary);
    }
}

static void CheckLocked(const std::string& path)
{
    std::string probe = ReadVariable(LOCK_PROBE_VARIABLE);
    std::string commandLine = "\"" + probe + "\" \"" + path + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (probe.empty() || !CreateProcessA(probe.c_str(), &commandLine[0], nullptr, nullptr, FALSE,
                                         0, nullptr, nullptr, &startup, &process)) {
        Report("library_locked", false, "cannot start the lock probe " + probe);
        return;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD exitCode = PROBE_USAGE;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    std::string detail;
    if (exitCode & PROBE_OPENED_FOR_WRITING) detail += "opened for writing; ";
    if (exitCode & PROBE_OPENED_FOR_DELETING) detail += "opened for deleting; ";
    if (exitCode & PROBE_RENAMED) detail += "renamed; ";
    if (exitCode & PROBE_DELETED) detail += "deleted; ";
    if (exitCode & PROBE_USAGE) detail += "probe failed; ";
    Report("library_locked", exitCode == 0, "another process " + detail);
}

extern "C" int WINAPI ShowWizard(HMODULE launcherModule, DecompressCallback decompress,
                                 const unsigned char* package)
{
    std::string resultFile = ReadVariable(RESULT_FILE_VARIABLE);
    report = resultFile.empty() ? nullptr : fopen(resultFile.c_str(), "w");
    if (report == nullptr) {
        return 0;
    }
    char ownPath[MAX_PATH];
    DWORD length = GetModuleFileNameA(ownModule, ownPath, sizeof ownPath);
    std::string path = length > 0 && length < sizeof ownPath ? ownPath : "";

    CheckHandOver(launcherModule, package);
    CheckLibraryFile(path, decompress, package);
    CheckDecompressEdges(decompress, package);
    CheckTwoThreads(decompress, package);
    CheckDllSearch();
    CheckLocked(path);
    fprintf(report, "%s\n", WIZARD_REPORT_END);
    fclose(report);
    return 1;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*)
{
    if (reason == DLL_PROCESS_ATTACH) {
        ownModule = instance;
    }
    return TRUE;
}
