// Reads the headers of a PE image with every offset checked, maps RVAs to file bytes and
// computes the image checksum.
#include "pe_image.h"

#include <algorithm>

#include "pe_bytes.h"

namespace quillset {
namespace {

constexpr std::uint32_t kDosNewHeaderOffsetField = 0x3C;
constexpr std::uint32_t kFileHeaderSize = 20;
constexpr std::uint32_t kPe32DirectoryStart = 96;
constexpr std::uint32_t kPe32PlusDirectoryStart = 112;
constexpr std::uint32_t kMaxDataDirectories = 16;

}  // namespace

std::string FormatSectionName(const std::array<char, 8>& name)
{
    std::string text(name.begin(), std::find(name.begin(), name.end(), '\0'));
    // A damaged header's name is shown, not written raw into a message.
    for (char& c : text)
        if (c < ' ' || c > '~')
            c = '?';
    return text.empty() ? "(unnamed)" : text;
}

PeImage ReadPeImage(std::span<const std::uint8_t> image)
{
    if (!HasBytes(image, 0, 64) || image[0] != 'M' || image[1] != 'Z') {
        throw PeFormatError("not a PE image: no MZ header");
    }
    const std::uint32_t ntOffset = GetU32(image, kDosNewHeaderOffsetField);
    if (!HasBytes(image, ntOffset, 4 + kFileHeaderSize) || GetU32(image, ntOffset) != 0x00004550) {
        throw PeFormatError("not a PE image: no PE signature where the MZ header points");
    }
    PeImage pe;
    const std::uint64_t fileHeader = ntOffset + 4ULL;
    pe.fileHeaderOffset = static_cast<std::uint32_t>(fileHeader);
    pe.machine = GetU16(image, fileHeader);
    pe.characteristics = GetU16(image, fileHeader + 18);
    const std::uint16_t sectionCount = GetU16(image, fileHeader + kFileNumberOfSections);
    pe.symbolTableOffset = GetU32(image, fileHeader + 8);
    pe.symbolCount = GetU32(image, fileHeader + 12);
    const std::uint16_t optionalSize = GetU16(image, fileHeader + 16);

    const std::uint64_t optional = fileHeader + kFileHeaderSize;
    if (optionalSize < 2 || !HasBytes(image, optional, optionalSize)) {
        throw PeFormatError("truncated PE image: the optional header is cut off");
    }
    pe.optionalHeaderOffset = static_cast<std::uint32_t>(optional);
    pe.magic = GetU16(image, optional);
    std::uint32_t directoryStart = 0;
    if (pe.magic == kMagicPe32) {
        directoryStart = kPe32DirectoryStart;
    } else if (pe.magic == kMagicPe32Plus) {
        directoryStart = kPe32PlusDirectoryStart;
    } else {
        throw PeFormatError("not a PE image: unknown optional header magic");
    }
    if (optionalSize < directoryStart) {
        throw PeFormatError("malformed PE image: the optional header is too small");
    }
    pe.sectionAlignment = GetU32(image, optional + kOptSectionAlignment);
    pe.fileAlignment = GetU32(image, optional + kOptFileAlignment);
    pe.sizeOfHeaders = GetU32(image, optional + kOptSizeOfHeaders);
    pe.subsystem = GetU16(image, optional + kOptSubsystem);
    const std::uint32_t directoryCount = GetU32(image, optional + directoryStart - 4);
    if (directoryCount > (optionalSize - directoryStart) / 8U) {
        throw PeFormatError(
            "malformed PE image: more data directories than the optional header holds");
    }
    pe.dataDirectoryOffset = static_cast<std::uint32_t>(optional + directoryStart);
    for (std::uint32_t i = 0; i < std::min(directoryCount, kMaxDataDirectories); ++i) {
        const std::uint64_t at = pe.dataDirectoryOffset + 8ULL * i;
        pe.dataDirectories.push_back({GetU32(image, at), GetU32(image, at + 4)});
    }

    const std::uint64_t table = optional + optionalSize;
    if (!HasBytes(image, table, static_cast<std::uint64_t>(sectionCount) * kSectionHeaderSize)) {
        throw PeFormatError("truncated PE image: the section table is cut off");
    }
    pe.sectionTableOffset = static_cast<std::uint32_t>(table);
    for (std::uint32_t i = 0; i < sectionCount; ++i) {
        const std::uint64_t at = table + static_cast<std::uint64_t>(i) * kSectionHeaderSize;
        PeSection section;
        std::copy_n(image.begin() + static_cast<std::ptrdiff_t>(at), 8, section.name.begin());
        section.virtualSize = GetU32(image, at + kSecVirtualSize);
        section.virtualAddress = GetU32(image, at + kSecVirtualAddress);
        section.sizeOfRawData = GetU32(image, at + kSecSizeOfRawData);
        section.pointerToRawData = GetU32(image, at + kSecPointerToRawData);
        section.characteristics = GetU32(image, at + kSecCharacteristics);
        if (section.sizeOfRawData != 0 &&
            !HasBytes(image, section.pointerToRawData, section.sizeOfRawData)) {
            throw PeFormatError("truncated PE image: section " + FormatSectionName(section.name) +
                                " extends past the end of the file");
        }
        pe.sections.push_back(section);
    }
    return pe;
}

namespace {

// How many bytes of `section`'s raw data are also mapped: only those hold the file's bytes.
std::uint64_t MeasureMappedRawData(const PeSection& section)
{
    std::uint64_t limit = section.sizeOfRawData;
    if (section.virtualSize != 0) {
        limit = std::min<std::uint64_t>(limit, section.virtualSize);
    }
    return limit;
}

}  // namespace

std::optional<std::span<const std::uint8_t>> MapRva(const PeImage& pe,
                                                    std::span<const std::uint8_t> image,
                                                    std::uint32_t rva, std::uint32_t size)
{
    for (const PeSection& section : pe.sections) {
        const std::uint64_t offset = std::uint64_t{rva} - section.virtualAddress;
        if (rva < section.virtualAddress || offset + size > MeasureMappedRawData(section)) {
            continue;
        }
        const std::uint64_t fileOffset = section.pointerToRawData + offset;
        if (!HasBytes(image, fileOffset, size)) {
            return std::nullopt;
        }
        return image.subspan(fileOffset, size);
    }
    return std::nullopt;
}

std::optional<std::span<const std::uint8_t>> MapRvaToSectionEnd(const PeImage& pe,
                                                                std::span<const std::uint8_t> image,
                                                                std::uint32_t rva)
{
    for (const PeSection& section : pe.sections) {
        const std::uint64_t limit = MeasureMappedRawData(section);
        const std::uint64_t offset = std::uint64_t{rva} - section.virtualAddress;
        if (rva < section.virtualAddress || offset >= limit) {
            continue;
        }
        return MapRva(pe, image, rva, static_cast<std::uint32_t>(limit - offset));
    }
    return std::nullopt;
}

bool HasNamedExport(const PeImage& pe, std::span<const std::uint8_t> image, std::string_view name)
{
    constexpr std::uint32_t kExportDirectorySize = 40;
    const PeDataDirectory location = pe.DataDirectory(kExportDirectoryIndex);
    if (location.rva == 0) {
        return false;
    }
    const auto directory = MapRva(pe, image, location.rva, kExportDirectorySize);
    if (!directory) {
        throw PeFormatError("malformed export directory: it lies outside the image's sections");
    }
    const std::uint32_t functionCount = GetU32(*directory, 20);
    const std::uint32_t nameCount = GetU32(*directory, 24);
    // Each table must map whole, which also bounds the counts by the image's size.
    const auto mapTable = [&](std::uint32_t field, std::uint32_t count,
                              std::uint32_t width) -> std::optional<std::span<const std::uint8_t>> {
        if (count == 0) {
            return std::span<const std::uint8_t>{};
        }
        if (count > image.size() / width) {
            return std::nullopt;
        }
        return MapRva(pe, image, GetU32(*directory, field), count * width);
    };
    const auto functions = mapTable(28, functionCount, 4);
    const auto names = mapTable(32, nameCount, 4);
    const auto ordinals = mapTable(36, nameCount, 2);
    if (!functions || !names || !ordinals) {
        throw PeFormatError("malformed export directory: a table lies outside the image's sections");
    }
    for (std::uint32_t i = 0; i < nameCount; ++i) {
        const auto text = MapRvaToSectionEnd(pe, image, GetU32(*names, 4ULL * i));
        if (!text) {
            throw PeFormatError("malformed export directory: a name lies outside the image's sections");
        }
        const auto end = std::find(text->begin(), text->end(), 0);
        if (end == text->end()) {
            throw PeFormatError("malformed export directory: a name runs past its section");
        }
        const std::string_view exported(reinterpret_cast<const char*>(text->data()),
                                        static_cast<std::size_t>(end - text->begin()));
        if (exported != name) {
            continue;
        }
        const std::uint16_t index = GetU16(*ordinals, 2ULL * i);
        return index < functionCount && GetU32(*functions, 4ULL * index) != 0;
    }
    return false;
}

std::uint64_t FindEndOfSections(const PeImage& pe)
{
    std::uint64_t end = pe.sizeOfHeaders;
    for (const PeSection& section : pe.sections) {
        if (section.sizeOfRawData != 0) {
            end = std::max<std::uint64_t>(
                end, std::uint64_t{section.pointerToRawData} + section.sizeOfRawData);
        }
    }
    return end;
}

std::uint32_t ComputePeChecksum(std::span<const std::uint8_t> image, std::uint64_t checksumOffset)
{
    const std::span<const std::uint8_t> pieces[] = {image};
    return ComputePeChecksum(std::span(pieces), checksumOffset);
}

std::uint32_t ComputePeChecksum(std::span<const std::span<const std::uint8_t>> pieces,
                                std::uint64_t checksumOffset)
{
    // The words are summed whole and the carries folded in once at the end, which gives the
    // same value as folding after every word, at a fraction of the time on a large installer.
    // A piece may end inside a word; the word's next byte is then the next piece's first.
    std::uint64_t sum = 0;
    std::uint64_t position = 0;
    for (const std::span<const std::uint8_t> piece : pieces) {
        const std::size_t size = piece.size();
        std::size_t i = 0;
        if (position % 2 != 0 && size != 0) {
            sum += static_cast<std::uint32_t>(piece[0]) << 8;
            i = 1;
        }
        for (; i + 1 < size; i += 2)
            sum += piece[i] | static_cast<std::uint32_t>(piece[i + 1]) << 8;
        if (i < size)
            sum += piece[i];
        for (std::uint64_t at = checksumOffset; at < checksumOffset + 4; ++at) {
            if (at >= position && at - position < size)
                sum -= static_cast<std::uint64_t>(piece[at - position]) << (at % 2 == 0 ? 0 : 8);
        }
        position += size;
    }
    while (sum >> 16 != 0)
        sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<std::uint32_t>(sum + position);
}

}  // namespace quillset
