// Drops the zero tail of one section's raw data, so that a program's zero-filled globals can
// share its data section without taking room in the file.
#include "pe_zero_tail.h"

#include <algorithm>
#include <array>
#include <string>

#include "pe_bytes.h"
#include "pe_image.h"

namespace quillset {
namespace {

constexpr std::uint32_t kDebugDirectoryIndex = 6;

std::size_t FindSection(const PeImage& pe, std::string_view name)
{
    std::array<char, 8> field{};  // as the section table holds it, NUL-padded
    if (name.size() <= field.size()) {
        std::copy(name.begin(), name.end(), field.begin());
        for (std::size_t i = 0; i < pe.sections.size(); ++i)
            if (pe.sections[i].name == field)
                return i;
    }
    throw PeFormatError("the image has no section " + std::string(name));
}

}  // namespace

std::vector<std::uint8_t> DropSectionZeroTail(std::span<const std::uint8_t> image,
                                              std::string_view sectionName)
{
    const PeImage pe = ReadPeImage(image);
    if (pe.DataDirectory(kCertificateDirectoryIndex).rva != 0 ||
        pe.DataDirectory(kDebugDirectoryIndex).rva != 0 || pe.symbolTableOffset != 0) {
        throw PeFormatError(
            "the image holds file offsets (a signature, debug data or symbols) that moving its "
            "sections would break");
    }
    if (pe.fileAlignment == 0 || (pe.fileAlignment & (pe.fileAlignment - 1)) != 0) {
        throw PeFormatError("the image's file alignment is not a power of two");
    }
    // Below a page, the loader wants every section's file offset to equal its address.
    if (pe.sectionAlignment < kPageSize) {
        throw PeFormatError("the image's section alignment is below a page, so its sections cannot move");
    }
    const std::size_t index = FindSection(pe, sectionName);
    const PeSection& section = pe.sections[index];
    const auto raw = image.subspan(section.pointerToRawData, section.sizeOfRawData);
    // Raw bytes past the virtual size are never mapped: they count as zeros here.
    const auto mapped = raw.first(section.virtualSize == 0
                                      ? raw.size()
                                      : std::min<std::size_t>(raw.size(), section.virtualSize));
    const auto lastByte = std::find_if(mapped.rbegin(), mapped.rend(),
                                       [](std::uint8_t byte) { return byte != 0; });
    const std::uint64_t kept = AlignUp(static_cast<std::uint64_t>(mapped.rend() - lastByte),
                                       pe.fileAlignment);
    if (kept >= section.sizeOfRawData) {
        return {image.begin(), image.end()};
    }

    const std::uint64_t cutStart = section.pointerToRawData + kept;
    const std::uint64_t cutEnd = std::uint64_t{section.pointerToRawData} + section.sizeOfRawData;
    for (const PeSection& other : pe.sections) {
        if (&other != &section && other.sizeOfRawData != 0 && other.pointerToRawData < cutEnd &&
            other.pointerToRawData + std::uint64_t{other.sizeOfRawData} > cutStart) {
            throw PeFormatError("another section's raw data overlaps the tail of " +
                                std::string(sectionName));
        }
    }
    const std::uint32_t cut = static_cast<std::uint32_t>(cutEnd - cutStart);
    std::vector<std::uint8_t> result(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(cutStart));
    result.insert(result.end(), image.begin() + static_cast<std::ptrdiff_t>(cutEnd), image.end());

    for (std::size_t i = 0; i < pe.sections.size(); ++i) {
        const std::uint64_t header = pe.sectionTableOffset + std::uint64_t{kSectionHeaderSize} * i;
        const PeSection& other = pe.sections[i];
        if (i == index) {
            // A section without a virtual size is as large as its raw data; it keeps that.
            if (section.virtualSize == 0) {
                PutU32(result, header + kSecVirtualSize, section.sizeOfRawData);
            }
            PutU32(result, header + kSecSizeOfRawData, static_cast<std::uint32_t>(kept));
        } else if (other.sizeOfRawData != 0 && other.pointerToRawData >= cutEnd) {
            PutU32(result, header + kSecPointerToRawData, other.pointerToRawData - cut);
        }
    }
    const std::uint64_t optional = pe.optionalHeaderOffset;
    const std::uint32_t initialised = GetU32(result, optional + kOptSizeOfInitializedData);
    PutU32(result, optional + kOptSizeOfInitializedData, initialised - std::min(initialised, cut));
    if (GetU32(result, optional + kOptCheckSum) != 0) {
        PutU32(result, optional + kOptCheckSum, ComputePeChecksum(result, optional + kOptCheckSum));
    }
    return result;
}

}  // namespace quillset
