// The install benchmark's native figure: inflates every file stream of a raw package into its
// file below a destination on Linux, with its last-write time, and prints the microseconds.
//   install_native PACKAGE DESTINATION
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <string>

#include "package/package_reader.h"
#include "package_walk.h"

namespace {

const size_t OUTPUT_CHUNK = 256 * 1024; // bytes inflated before each write
const uint64_t FILETIME_UNIX_EPOCH = 116444736000000000ull; // 100 ns units from 1601 to 1970

bool WriteInflated(int file, const TreeRecord& record, unsigned char* chunk)
{
    z_stream stream = {};
    stream.next_in = (Bytef*)record.data;
    stream.avail_in = record.packedSize;
    if (inflateInit(&stream) != Z_OK)
        return false;
    int status = Z_OK;
    while (status == Z_OK) {
        stream.next_out = chunk;
        stream.avail_out = OUTPUT_CHUNK;
        status = inflate(&stream, Z_NO_FLUSH);
        ssize_t produced = (ssize_t)(OUTPUT_CHUNK - stream.avail_out);
        if ((status != Z_OK && status != Z_STREAM_END) || write(file, chunk, produced) != produced)
            status = Z_DATA_ERROR;
    }
    inflateEnd(&stream);
    return status == Z_STREAM_END && stream.total_out == record.size;
}

bool ExtractFile(const std::string& path, const TreeRecord& record, unsigned char* chunk)
{
    int file = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (file < 0)
        return false;
    bool filled = record.size == 0 || WriteInflated(file, record, chunk);
    uint64_t since1970 = record.lastWriteTime - FILETIME_UNIX_EPOCH;
    timespec times[2] = {{0, UTIME_OMIT},
                         {(time_t)(since1970 / 10000000), (long)(since1970 % 10000000) * 100}};
    filled = futimens(file, times) == 0 && filled;
    return close(file) == 0 && filled;
}

bool ExtractTree(const unsigned char* package, const unsigned char* end, const std::string& folder)
{
    static unsigned char chunk[OUTPUT_CHUNK];
    mkdir(folder.c_str(), 0755); // an existing one is reused
    return WalkPackageTree(
        package, end, folder, '/',
        [](const std::string& path) { return mkdir(path.c_str(), 0755) == 0 || errno == EEXIST; },
        [](const std::string& path, const TreeRecord& record) {
            if (ExtractFile(path, record, chunk))
                return true;
            std::fprintf(stderr, "cannot extract %s\n", path.c_str());
            return false;
        });
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: install_native PACKAGE DESTINATION\n");
        return 2;
    }
    auto start = std::chrono::steady_clock::now();
    int file = open(argv[1], O_RDONLY);
    struct stat status;
    if (file < 0 || fstat(file, &status) != 0 || status.st_size < PACKAGE_HEADER_SIZE) {
        std::fprintf(stderr, "cannot open %s\n", argv[1]);
        return 1;
    }
    void* view = mmap(nullptr, status.st_size, PROT_READ, MAP_PRIVATE, file, 0);
    if (view == MAP_FAILED) {
        std::fprintf(stderr, "cannot map %s\n", argv[1]);
        return 1;
    }
    const unsigned char* package = (const unsigned char*)view;
    if (!ExtractTree(package, package + status.st_size, argv[2]))
        return 1;
    auto spent = std::chrono::steady_clock::now() - start;
    std::printf("%lld\n", (long long)std::chrono::duration_cast<std::chrono::microseconds>(spent).count());
    return 0;
}
