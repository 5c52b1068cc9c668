// Splits a Setup.exe into what its bytes are spent on: the stub's headers and sections, the
// padding before the resource section, the stub's own resources, the package and its streams.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "package_walk.h"
#include "pe_image.h"
#include "pe_resources.h"

namespace {

std::vector<std::uint8_t> ReadAll(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: setup_parts SETUP_EXE\n");
        return 2;
    }
    try {
        const std::vector<std::uint8_t> image = ReadAll(argv[1]);
        const quillset::PeImage pe = quillset::ReadPeImage(image);
        const auto package = quillset::FindPackageResource(image);
        const quillset::PeDataDirectory resources = pe.DataDirectory(quillset::kResourceDirectoryIndex);
        const auto holder = std::find_if(pe.sections.begin(), pe.sections.end(), [&](const auto& section) {
            return section.virtualAddress == resources.rva;
        });
        if (!package || holder == pe.sections.end() || package->size() < PACKAGE_HEADER_SIZE) {
            std::fprintf(stderr, "%s has no package resource\n", argv[1]);
            return 1;
        }
        // Everything before the resource section's raw data that is not zero padding after the
        // last byte of the headers or of another section.
        std::uint64_t stubEnd = pe.sizeOfHeaders;
        for (const auto& section : pe.sections)
            if (&section != &*holder && section.sizeOfRawData != 0)
                stubEnd = std::max<std::uint64_t>(stubEnd, section.pointerToRawData + section.sizeOfRawData);
        const unsigned char* base = package->data();
        const std::uint64_t wizard = ReadU32(base + FIELD_WIZARD_OFFSET + 4);
        std::uint64_t uninstaller = 0;
        WalkPackageTree(
            base, base + package->size(), "", '/', [](const std::string&) { return true; },
            [&](const std::string& path, const TreeRecord& record) {
                if (path == "/uninst.exe")
                    uninstaller = record.packedSize;
                return true;
            });
        std::printf("setup_bytes=%zu\nstub_sections_bytes=%llu\npadding_bytes=%llu\n"
                    "resource_section_bytes=%u\nstub_resources_bytes=%llu\nsection_tail_bytes=%u\n"
                    "package_bytes=%zu\nwizard_stream_bytes=%llu\nuninstaller_stream_bytes=%llu\n",
                    image.size(), (unsigned long long)stubEnd,
                    (unsigned long long)(holder->pointerToRawData - stubEnd), holder->sizeOfRawData,
                    (unsigned long long)(holder->virtualSize - package->size()),
                    holder->sizeOfRawData - holder->virtualSize, package->size(),
                    (unsigned long long)wizard, (unsigned long long)uninstaller);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s: %s\n", argv[1], error.what());
        return 1;
    }
    return 0;
}
