// The install floor: inflates every file stream of a raw package into its file below a
// destination, with attributes and last-write time, and prints the microseconds it took.
//   install_floor PACKAGE DESTINATION [write|map|map-null|map-text|map-bar|map-ui]
// The map-* modes extract on a worker thread and, per file, send the path to a text line
// and/or step a progress bar of a window on the main thread, as an installer's page does
// (map-null sends a message that changes nothing, for the cost of the sending alone).
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "package/package_reader.h"
#include "package_walk.h"
#include "zlib.h"

namespace {

const size_t OUTPUT_CHUNK = 256 * 1024; // bytes inflated before each WriteFile

struct Job {
    const unsigned char* package;
    const unsigned char* end;
    std::string destination;
    bool mapped;
    HWND textLine;    // receives each file's path, when set
    HWND progressBar; // stepped after each file, when set
    HWND idleWindow;  // receives WM_NULL after each file, when set
    bool done;
};

voidpf AllocateZlib(voidpf, uInt items, uInt size) { return std::calloc(items, size); }
void FreeZlib(voidpf, voidpf address) { std::free(address); }

bool StartInflate(z_stream& stream, const TreeRecord& record)
{
    std::memset(&stream, 0, sizeof(stream));
    stream.zalloc = AllocateZlib;
    stream.zfree = FreeZlib;
    stream.next_in = (Bytef*)record.data;
    stream.avail_in = record.packedSize;
    return inflateInit(&stream) == Z_OK;
}

// Inflates in chunks and writes each: what most installers do.
bool WriteInflated(HANDLE file, const TreeRecord& record, unsigned char* chunk)
{
    z_stream stream;
    if (!StartInflate(stream, record))
        return false;
    int status = Z_OK;
    while (status == Z_OK) {
        stream.next_out = chunk;
        stream.avail_out = OUTPUT_CHUNK;
        status = inflate(&stream, Z_NO_FLUSH);
        DWORD produced = (DWORD)(OUTPUT_CHUNK - stream.avail_out), written = 0;
        if ((status != Z_OK && status != Z_STREAM_END) ||
            !WriteFile(file, chunk, produced, &written, NULL) || written != produced)
            status = Z_DATA_ERROR;
    }
    inflateEnd(&stream);
    return status == Z_STREAM_END && stream.total_out == record.size;
}

// Inflates straight into a mapped view of the file, as Setup.exe does.
bool MapInflated(HANDLE file, const TreeRecord& record)
{
    HANDLE mapping = CreateFileMappingA(file, NULL, PAGE_READWRITE, 0, record.size, NULL);
    if (!mapping)
        return false;
    void* view = MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, record.size);
    CloseHandle(mapping);
    if (!view)
        return false;
    z_stream stream;
    bool inflated = StartInflate(stream, record);
    if (inflated) {
        stream.next_out = (Bytef*)view;
        stream.avail_out = record.size;
        inflated = inflate(&stream, Z_FINISH) == Z_STREAM_END && stream.total_out == record.size;
        inflateEnd(&stream);
    }
    UnmapViewOfFile(view);
    return inflated;
}

bool ExtractFile(const std::string& path, const TreeRecord& record, bool mapped, unsigned char* chunk)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                              record.attributes, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bool filled = record.size == 0 ||
                  (mapped ? MapInflated(file, record) : WriteInflated(file, record, chunk));
    FILETIME lastWrite = {(DWORD)record.lastWriteTime, (DWORD)(record.lastWriteTime >> 32)};
    filled = SetFileTime(file, NULL, NULL, &lastWrite) && filled;
    return CloseHandle(file) && filled;
}

bool ExtractTree(const Job& job)
{
    static unsigned char chunk[OUTPUT_CHUNK];
    CreateDirectoryA(job.destination.c_str(), NULL); // an existing one is reused
    return WalkPackageTree(
        job.package, job.end, job.destination, '\\',
        [](const std::string& path) {
            return CreateDirectoryA(path.c_str(), NULL) || GetLastError() == ERROR_ALREADY_EXISTS;
        },
        [&job](const std::string& path, const TreeRecord& record) {
            if (job.textLine)
                SendMessageA(job.textLine, WM_SETTEXT, 0, (LPARAM)path.c_str());
            if (!ExtractFile(path, record, job.mapped, chunk)) {
                std::fprintf(stderr, "cannot extract %s\n", path.c_str());
                return false;
            }
            if (job.progressBar)
                SendMessageA(job.progressBar, PBM_STEPIT, 0, 0);
            if (job.idleWindow)
                SendMessageA(job.idleWindow, WM_NULL, 0, 0);
            return true;
        });
}

DWORD WINAPI RunJob(void* parameter)
{
    Job* job = (Job*)parameter;
    job->done = ExtractTree(*job);
    return 0;
}

// Extracts on a worker thread while this thread shows the window and handles its messages.
bool ExtractWithWindow(Job& job, bool text, bool bar, bool idle)
{
    InitCommonControls();
    HWND window = CreateWindowA("STATIC", "install floor", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                CW_USEDEFAULT, CW_USEDEFAULT, 500, 150, NULL, NULL, NULL, NULL);
    HWND line = CreateWindowA("STATIC", "", WS_CHILD | WS_VISIBLE, 10, 10, 470, 20, window,
                              NULL, NULL, NULL);
    HWND progress = CreateWindowA(PROGRESS_CLASSA, "", WS_CHILD | WS_VISIBLE, 10, 40, 470, 20,
                                  window, NULL, NULL, NULL);
    if (!window || !line || !progress)
        return false;
    SendMessageA(progress, PBM_SETRANGE32, 0, ReadHeaderField(job.package, FIELD_FILE_COUNT));
    SendMessageA(progress, PBM_SETSTEP, 1, 0);
    job.textLine = text ? line : NULL;
    job.progressBar = bar ? progress : NULL;
    job.idleWindow = idle ? window : NULL;
    HANDLE worker = CreateThread(NULL, 0, RunJob, &job, 0, NULL);
    if (!worker)
        return false;
    while (MsgWaitForMultipleObjects(1, &worker, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
        MSG message;
        while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE))
            DispatchMessageA(&message);
    }
    CloseHandle(worker);
    DestroyWindow(window);
    return job.done;
}

} // namespace

int main(int argc, char** argv)
{
    std::string mode = argc == 4 ? argv[3] : "write";
    if (argc < 3 || argc > 4 ||
        (mode != "write" && mode != "map" && mode != "map-null" && mode != "map-text" && mode != "map-bar" && mode != "map-ui")) {
        std::fprintf(stderr, "usage: install_floor PACKAGE DESTINATION [write|map|map-null|map-text|map-bar|map-ui]\n");
        return 2;
    }
    LARGE_INTEGER start, stop, frequency;
    QueryPerformanceCounter(&start);
    HANDLE file = CreateFileA(argv[1], GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "cannot open %s\n", argv[1]);
        return 1;
    }
    DWORD size = GetFileSize(file, NULL);
    HANDLE mapping = CreateFileMappingA(file, NULL, PAGE_READONLY, 0, 0, NULL);
    const unsigned char* package =
        mapping ? (const unsigned char*)MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0) : NULL;
    if (!package || size < PACKAGE_HEADER_SIZE) {
        std::fprintf(stderr, "cannot map %s\n", argv[1]);
        return 1;
    }
    Job job = {package, package + size, argv[2], mode != "write", NULL, NULL, NULL, false};
    bool text = mode == "map-text" || mode == "map-ui", bar = mode == "map-bar" || mode == "map-ui";
    bool idle = mode == "map-null";
    if (!((text || bar || idle) ? ExtractWithWindow(job, text, bar, idle) : ExtractTree(job)))
        return 1;
    QueryPerformanceCounter(&stop);
    QueryPerformanceFrequency(&frequency);
    std::printf("%lld\n", (stop.QuadPart - start.QuadPart) * 1000000 / frequency.QuadPart);
    return 0;
}
