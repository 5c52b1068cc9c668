// The headers of a PE image as the resource writer needs them: where things are, the section
// table and the data directories, read with every offset checked.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace quillset {

inline constexpr std::uint16_t kMachineI386 = 0x014C;
inline constexpr std::uint16_t kMagicPe32 = 0x010B;
inline constexpr std::uint16_t kMagicPe32Plus = 0x020B;
inline constexpr std::uint32_t kSectionHeaderSize = 40;
inline constexpr std::uint32_t kFileNumberOfSections = 2;  // offset in the file header
inline constexpr std::uint32_t kExportDirectoryIndex = 0;
inline constexpr std::uint32_t kImportDirectoryIndex = 1;
inline constexpr std::uint32_t kResourceDirectoryIndex = 2;
inline constexpr std::uint32_t kCertificateDirectoryIndex = 4;

// The page of the x86 loader: section alignments below it map the file as it stands.
inline constexpr std::uint32_t kPageSize = 4096;

inline bool IsPowerOfTwo(std::uint32_t value)
{
    return value != 0 && (value & (value - 1)) == 0;
}

// Byte offsets inside the PE32 optional header.
inline constexpr std::uint32_t kOptSizeOfInitializedData = 8;
inline constexpr std::uint32_t kOptAddressOfEntryPoint = 16;
inline constexpr std::uint32_t kOptSectionAlignment = 32;
inline constexpr std::uint32_t kOptFileAlignment = 36;
inline constexpr std::uint32_t kOptSizeOfImage = 56;
inline constexpr std::uint32_t kOptSizeOfHeaders = 60;
inline constexpr std::uint32_t kOptCheckSum = 64;
inline constexpr std::uint32_t kOptSubsystem = 68;

// File header characteristics and optional header subsystems.
inline constexpr std::uint16_t kFileExecutableImage = 0x0002;
inline constexpr std::uint16_t kFileDll = 0x2000;
inline constexpr std::uint16_t kSubsystemWindowsGui = 2;
inline constexpr std::uint16_t kSubsystemWindowsConsole = 3;

// Byte offsets inside a section header.
inline constexpr std::uint32_t kSecVirtualSize = 8;
inline constexpr std::uint32_t kSecVirtualAddress = 12;
inline constexpr std::uint32_t kSecSizeOfRawData = 16;
inline constexpr std::uint32_t kSecPointerToRawData = 20;
inline constexpr std::uint32_t kSecCharacteristics = 36;

// A malformed or unsupported image; the message says what is wrong.
class PeFormatError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct PeSection {
    std::array<char, 8> name{};
    std::uint32_t virtualSize = 0;
    std::uint32_t virtualAddress = 0;
    std::uint32_t sizeOfRawData = 0;
    std::uint32_t pointerToRawData = 0;
    std::uint32_t characteristics = 0;
};

struct PeDataDirectory {
    std::uint32_t rva = 0;
    std::uint32_t size = 0;
};

struct PeImage {
    std::uint16_t machine = 0;
    std::uint16_t characteristics = 0;
    std::uint16_t magic = 0;
    std::uint16_t subsystem = 0;
    std::uint32_t fileHeaderOffset = 0;
    std::uint32_t optionalHeaderOffset = 0;
    std::uint32_t sectionTableOffset = 0;
    std::uint32_t dataDirectoryOffset = 0;
    std::uint32_t symbolTableOffset = 0;
    std::uint32_t symbolCount = 0;
    std::uint32_t sectionAlignment = 0;
    std::uint32_t fileAlignment = 0;
    std::uint32_t sizeOfHeaders = 0;
    std::vector<PeDataDirectory> dataDirectories;
    std::vector<PeSection> sections;

    // The data directory `index`, empty when the image has fewer.
    PeDataDirectory DataDirectory(std::uint32_t index) const
    {
        return index < dataDirectories.size() ? dataDirectories[index] : PeDataDirectory{};
    }
};

// A section's name for a message: up to its NUL, any byte outside printable ASCII as '?'.
std::string FormatSectionName(const std::array<char, 8>& name);

// Reads the DOS header, NT headers and section table of a PE32 or PE32+ image; every
// section's raw data lies inside `image`. Throws PeFormatError otherwise.
PeImage ReadPeImage(std::span<const std::uint8_t> image);

// The file bytes that hold `size` bytes at `rva`, when one section's raw data holds them all.
std::optional<std::span<const std::uint8_t>> MapRva(const PeImage& pe,
                                                    std::span<const std::uint8_t> image,
                                                    std::uint32_t rva, std::uint32_t size);

// The file bytes from `rva` to the end of the mapped raw data of the section that holds it.
std::optional<std::span<const std::uint8_t>> MapRvaToSectionEnd(const PeImage& pe,
                                                                std::span<const std::uint8_t> image,
                                                                std::uint32_t rva);

// Whether the export directory names `name`, with a function behind it. Throws PeFormatError
// when the directory or its tables lie outside the image's sections.
bool HasNamedExport(const PeImage& pe, std::span<const std::uint8_t> image, std::string_view name);

// The end of the last section's raw data in the file (the size of the headers when no section
// has raw data); whatever follows is an overlay.
std::uint64_t FindEndOfSections(const PeImage& pe);

// The image checksum of the optional header: 16-bit one's-complement style sum of the file,
// the checksum field itself counted as zero, plus the file length.
std::uint32_t ComputePeChecksum(std::span<const std::uint8_t> image, std::uint64_t checksumOffset);
// The same for an image kept in pieces, laid end to end.
std::uint32_t ComputePeChecksum(std::span<const std::span<const std::uint8_t>> pieces,
                                std::uint64_t checksumOffset);

}  // namespace quillset
