// Compares a raw package's file streams with zlib level 9 of the same files: prints the
// payload size, the package's summed file streams and zlib -9's summed streams.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <zlib.h>

#include "package_walk.h"

namespace fs = std::filesystem;

namespace {

std::vector<unsigned char> ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Sum of the packed sizes of every file record in the package's tree.
bool SumFileStreams(const std::vector<unsigned char>& package, std::uint64_t& sum)
{
    if (package.size() < PACKAGE_HEADER_SIZE ||
        ReadHeaderField(package.data(), FIELD_FILE_TREE) >= package.size())
        return false;
    sum = 0;
    return WalkPackageTree(
        package.data(), package.data() + package.size(), "", '/',
        [](const std::string&) { return true; },
        [&sum](const std::string&, const TreeRecord& record) {
            sum += record.packedSize;
            return true;
        });
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: compare_compression PACKAGE PAYLOAD_DIR\n");
        return 2;
    }
    std::uint64_t packageStreams = 0;
    if (!SumFileStreams(ReadAll(argv[1]), packageStreams)) {
        std::fprintf(stderr, "%s is not a readable raw package\n", argv[1]);
        return 1;
    }
    std::uint64_t payload = 0, zlib9 = 0;
    for (const auto& entry : fs::recursive_directory_iterator(argv[2])) {
        if (!entry.is_regular_file())
            continue;
        std::vector<unsigned char> data = ReadAll(entry.path());
        uLongf packedSize = compressBound((uLong)data.size());
        std::vector<unsigned char> packed(packedSize);
        if (compress2(packed.data(), &packedSize, data.data(), (uLong)data.size(), 9) != Z_OK) {
            std::fprintf(stderr, "zlib cannot compress %s\n", entry.path().c_str());
            return 1;
        }
        payload += data.size();
        zlib9 += data.empty() ? 0 : packedSize;
    }
    std::printf("payload_bytes=%llu\npackage_file_streams=%llu\nzlib9_file_streams=%llu\n",
                (unsigned long long)payload, (unsigned long long)packageStreams,
                (unsigned long long)zlib9);
    return 0;
}
