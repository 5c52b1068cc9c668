// Native helper of the launcher tests: copies a raw setup package with one deliberate fault,
// for the test installers that the quillset tool would never write (or embed).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <zlib.h>

#include "package/package_layout.h"

static int Usage()
{
    std::fprintf(stderr,
                 "usage: patch_package IN OUT damage-wizard-stream\n"
                 "       patch_package IN OUT set-wizard-size BYTES\n"
                 "       patch_package IN OUT grow-wizard-size BYTES\n"
                 "       patch_package IN OUT set-wizard-offset OFFSET\n"
                 "       patch_package IN OUT replace-wizard FILE\n");
    return 2;
}

int main(int argc, char** argv)
{
    if (argc < 4) {
        return Usage();
    }
    std::ifstream input(argv[1], std::ios::binary);
    std::vector<unsigned char> package((std::istreambuf_iterator<char>(input)),
                                       std::istreambuf_iterator<char>());
    if (package.size() < PACKAGE_HEADER_SIZE) {
        std::fprintf(stderr, "patch_package: %s is not a package\n", argv[1]);
        return 1;
    }
    unsigned char* base = package.data();
    uint32_t offset = ReadHeaderField(base, FIELD_WIZARD_OFFSET);
    uint32_t packedSize = ReadHeaderField(base, FIELD_WIZARD_PACKED_SIZE);
    if (offset + static_cast<uint64_t>(packedSize) > package.size() || packedSize < 8) {
        std::fprintf(stderr, "patch_package: the wizard stream lies outside %s\n", argv[1]);
        return 1;
    }
    std::string command = argv[3];
    if (command == "damage-wizard-stream" && argc == 4) {
        // Inverted bits in the middle of the deflate data: the stream no longer decodes, or
        // decodes to other bytes that fail its Adler-32 check.
        base[offset + packedSize / 2] ^= 0xFF;
    } else if (command == "set-wizard-size" && argc == 5) {
        WriteU32(base + FIELD_WIZARD_SIZE, static_cast<uint32_t>(std::strtoul(argv[4], nullptr, 0)));
    } else if (command == "grow-wizard-size" && argc == 5) {
        WriteU32(base + FIELD_WIZARD_SIZE,
                 ReadHeaderField(base, FIELD_WIZARD_SIZE) +
                     static_cast<uint32_t>(std::strtoul(argv[4], nullptr, 0)));
    } else if (command == "set-wizard-offset" && argc == 5) {
        WriteU32(base + FIELD_WIZARD_OFFSET, static_cast<uint32_t>(std::strtoul(argv[4], nullptr, 0)));
    } else if (command == "replace-wizard" && argc == 5) {
        // FILE, compressed, becomes the wizard library stream; it goes after the tree, where
        // no other offset points.
        std::ifstream file(argv[4], std::ios::binary);
        const bool opened = file.is_open();
        const std::vector<unsigned char> library((std::istreambuf_iterator<char>(file)),
                                                 std::istreambuf_iterator<char>());
        uLongf packedLength = compressBound(static_cast<uLong>(library.size()));
        std::vector<unsigned char> packed(packedLength);
        if (!opened || library.empty() ||
            compress2(packed.data(), &packedLength, library.data(), static_cast<uLong>(library.size()), 9) != Z_OK) {
            std::fprintf(stderr, "patch_package: cannot read and compress %s\n", argv[4]);
            return 1;
        }
        const uint32_t at = static_cast<uint32_t>(package.size());
        package.insert(package.end(), packed.begin(), packed.begin() + static_cast<std::ptrdiff_t>(packedLength));
        base = package.data();
        WriteU32(base + FIELD_WIZARD_OFFSET, at);
        WriteU32(base + FIELD_WIZARD_PACKED_SIZE, static_cast<uint32_t>(packedLength));
        WriteU32(base + FIELD_WIZARD_SIZE, static_cast<uint32_t>(library.size()));
    } else {
        return Usage();
    }
    std::ofstream output(argv[2], std::ios::binary);
    output.write(reinterpret_cast<const char*>(base), static_cast<std::streamsize>(package.size()));
    return output ? 0 : 1;
}
