// The resource tree of a PE image (type -> name -> language -> data) as the writer keeps it:
// read from an image's resource directory, changed, and written out as a new section.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "byte_pieces.h"
#include "pe_image.h"

namespace quillset {

inline constexpr std::uint16_t kResourceTypeIcon = 3;
inline constexpr std::uint16_t kResourceTypeString = 6;
inline constexpr std::uint16_t kResourceTypeBitmap = 2;
inline constexpr std::uint16_t kResourceTypeRcData = 10;
inline constexpr std::uint16_t kResourceTypeGroupIcon = 14;
inline constexpr std::uint16_t kResourceTypeVersion = 16;
inline constexpr std::uint16_t kLanguageNeutral = 0;
// In a directory entry: set in the name field for a string name, in the target for a subdirectory.
inline constexpr std::uint32_t kHighBit = 0x80000000;

// A directory entry's key: a UTF-16 name, or an integer id when `isNamed` is false.
struct ResourceKey {
    bool isNamed = false;
    std::uint16_t id = 0;
    std::u16string name;

    friend bool operator==(const ResourceKey&, const ResourceKey&) = default;
};

// The bytes of one resource: in the buffer they were read from, or in `owner` for new ones, or
// in `pieces` for one too large to copy (the package), which is then the section's last data.
struct ResourceData {
    std::span<const std::uint8_t> bytes;
    std::uint32_t codePage = 0;
    std::uint32_t reserved = 0;
    std::shared_ptr<const std::vector<std::uint8_t>> owner{};
    const BytePieces* pieces = nullptr;
};

// A resource that holds its own bytes, so that the tree may outlive whoever made them.
ResourceData MakeOwnedResource(std::vector<std::uint8_t> bytes);

struct ResourceEntry;

struct ResourceDirectory {
    std::uint32_t characteristics = 0;
    std::uint32_t timeDateStamp = 0;
    std::uint16_t majorVersion = 0;
    std::uint16_t minorVersion = 0;
    std::vector<ResourceEntry> entries;
};

struct ResourceEntry {
    ResourceKey key;
    std::variant<ResourceDirectory, ResourceData> child;
};

// The resource tree of `image`, an empty root when it has none. Throws PeFormatError when the
// tree is not three levels deep, points outside the image or shares its directories.
ResourceDirectory ReadResourceTree(const PeImage& pe, std::span<const std::uint8_t> image);

// Whether `a` comes before `b` in a resource directory: names first, compared without regard
// to case, then ids ascending.
bool IsResourceKeyBefore(const ResourceKey& a, const ResourceKey& b);

// Appends to `image` a resource section holding `root` when the section starts at `sectionRva`:
// directories, then data entries, then name strings, then the data, each aligned to 8 bytes,
// and zeros up to a multiple of `alignment`. Every directory's entries are written in Windows'
// order, whatever their order in `root`. Returns the section's size without the zeros.
// At most one data item may be given as pieces; it is laid out last and not copied: `image`
// then ends where its bytes begin, and `rest` receives them, borrowed, and the zeros.
std::uint64_t AppendResourceSection(std::vector<std::uint8_t>& image, BytePieces& rest,
                                    const ResourceDirectory& root, std::uint32_t sectionRva,
                                    std::uint64_t alignment);

}  // namespace quillset
