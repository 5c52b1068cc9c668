// Serialises a ResourceDirectory tree as a resource section: directories breadth first, then
// the data entries, the name strings and the data, every directory sorted as Windows expects.
#include <algorithm>
#include <optional>
#include <stdexcept>

#include "pe_bytes.h"
#include "pe_resource_tree.h"

namespace quillset {
namespace {

constexpr std::uint64_t kDirectoryHeaderSize = 16;
constexpr std::uint64_t kDirectoryEntrySize = 8;
constexpr std::uint64_t kDataEntrySize = 16;
constexpr std::uint64_t kDataAlignment = 8;
constexpr std::uint64_t kMaxSectionSize = 0x7FFFFFFF;  // offsets in the tree have 31 bits

// Windows looks names up upper-cased; only ASCII letters are folded here, which covers the
// names that resource compilers write (they store names upper-cased anyway).
char16_t FoldCase(char16_t c)
{
    return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

struct DirectorySlot {
    const ResourceDirectory* directory;
    std::vector<const ResourceEntry*> sorted;
    std::uint64_t offset = 0;
};

// Where each entry's child and name go, in the order they are written.
struct EntryPlace {
    const ResourceEntry* entry;
    std::size_t childIndex;  // into the directory slots or into the data list
    std::uint64_t nameOffset = 0;
};

std::vector<const ResourceEntry*> SortEntries(const ResourceDirectory& directory)
{
    if (directory.entries.size() > 0xFFFF) {
        throw std::runtime_error("a resource directory has more than 65535 entries");
    }
    std::vector<const ResourceEntry*> sorted;
    for (const ResourceEntry& entry : directory.entries) {
        sorted.push_back(&entry);
    }
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const ResourceEntry* a, const ResourceEntry* b) {
                         return IsResourceKeyBefore(a->key, b->key);
                     });
    return sorted;
}

std::uint64_t GetDataSize(const ResourceData& item)
{
    return item.pieces ? item.pieces->Size() : item.bytes.size();
}

}  // namespace

ResourceData MakeOwnedResource(std::vector<std::uint8_t> bytes)
{
    auto owner = std::make_shared<const std::vector<std::uint8_t>>(std::move(bytes));
    return ResourceData{std::span<const std::uint8_t>(*owner), 0, 0, owner};
}

bool IsResourceKeyBefore(const ResourceKey& a, const ResourceKey& b)
{
    if (a.isNamed != b.isNamed) {
        return a.isNamed;
    }
    if (!a.isNamed) {
        return a.id < b.id;
    }
    const auto folded = [](char16_t x, char16_t y) {
        return FoldCase(x) < FoldCase(y);
    };
    if (std::lexicographical_compare(a.name.begin(), a.name.end(), b.name.begin(), b.name.end(),
                                     folded)) {
        return true;
    }
    if (std::lexicographical_compare(b.name.begin(), b.name.end(), a.name.begin(), a.name.end(),
                                     folded)) {
        return false;
    }
    return a.name < b.name;  // names equal but for case: any fixed order keeps the output stable
}

std::uint64_t AppendResourceSection(std::vector<std::uint8_t>& image, BytePieces& rest,
                                    const ResourceDirectory& root, std::uint32_t sectionRva,
                                    std::uint64_t alignment)
{
    std::vector<DirectorySlot> slots{{&root, SortEntries(root)}};
    std::vector<EntryPlace> places;
    std::vector<const ResourceData*> data;
    for (std::size_t i = 0; i < slots.size(); ++i) {
        const std::vector<const ResourceEntry*> sorted = slots[i].sorted;  // slots grows below
        for (const ResourceEntry* entry : sorted) {
            if (const auto* child = std::get_if<ResourceDirectory>(&entry->child)) {
                places.push_back({entry, slots.size()});
                slots.push_back({child, SortEntries(*child)});
            } else {
                places.push_back({entry, data.size()});
                data.push_back(&std::get<ResourceData>(entry->child));
            }
        }
    }

    std::uint64_t cursor = 0;
    for (DirectorySlot& slot : slots) {
        slot.offset = cursor;
        cursor += kDirectoryHeaderSize + kDirectoryEntrySize * slot.sorted.size();
    }
    const std::uint64_t dataEntries = cursor;
    cursor += kDataEntrySize * data.size();
    for (EntryPlace& place : places) {
        if (place.entry->key.isNamed) {
            if (place.entry->key.name.size() > 0xFFFF) {
                throw std::runtime_error("a resource name is longer than 65535 characters");
            }
            place.nameOffset = cursor;
            cursor += 2 + 2 * place.entry->key.name.size();
        }
    }
    // The one item given in pieces (the package) goes after the others, so that everything
    // before it is written here and it follows as it is.
    std::optional<std::size_t> inPieces;
    for (std::size_t i = 0; i < data.size(); ++i) {
        if (data[i]->pieces) {
            if (inPieces) {
                throw std::logic_error("more than one resource is given in pieces");
            }
            inPieces = i;
        }
    }
    std::vector<std::uint64_t> dataOffsets(data.size());
    const auto placeData = [&](std::size_t index) {
        cursor = AlignUp(cursor, kDataAlignment);
        dataOffsets[index] = cursor;
        cursor += GetDataSize(*data[index]);
    };
    for (std::size_t i = 0; i < data.size(); ++i) {
        if (i != inPieces) {
            placeData(i);
        }
    }
    const std::uint64_t copiedEnd = cursor;
    if (inPieces) {
        placeData(*inPieces);
    }
    if (cursor > kMaxSectionSize || cursor > 0xFFFFFFFFULL - sectionRva) {
        throw std::runtime_error("the resources are too large for a PE32 image");
    }

    // One allocation for the section and its padding; with pieces, for the part before them,
    // and the padding follows them.
    const std::size_t start = image.size();
    const std::uint64_t padded = AlignUp(cursor, alignment);
    image.resize(start + (inPieces ? dataOffsets[*inPieces] : padded));
    const std::span<std::uint8_t> section(image.data() + start, copiedEnd);
    std::size_t placeIndex = 0;
    for (const DirectorySlot& slot : slots) {
        const ResourceDirectory& directory = *slot.directory;
        const auto named = std::count_if(slot.sorted.begin(), slot.sorted.end(),
                                         [](const ResourceEntry* e) { return e->key.isNamed; });
        PutU32(section, slot.offset, directory.characteristics);
        PutU32(section, slot.offset + 4, directory.timeDateStamp);
        PutU16(section, slot.offset + 8, directory.majorVersion);
        PutU16(section, slot.offset + 10, directory.minorVersion);
        PutU16(section, slot.offset + 12, static_cast<std::uint16_t>(named));
        PutU16(section, slot.offset + 14, static_cast<std::uint16_t>(slot.sorted.size() - named));
        for (std::size_t i = 0; i < slot.sorted.size(); ++i, ++placeIndex) {
            const EntryPlace& place = places[placeIndex];
            const ResourceKey& key = place.entry->key;
            const std::uint64_t at = slot.offset + kDirectoryHeaderSize + kDirectoryEntrySize * i;
            PutU32(section, at,
                   key.isNamed ? kHighBit | static_cast<std::uint32_t>(place.nameOffset) : key.id);
            if (key.isNamed) {
                PutU16(section, place.nameOffset, static_cast<std::uint16_t>(key.name.size()));
                for (std::size_t c = 0; c < key.name.size(); ++c) {
                    PutU16(section, place.nameOffset + 2 + 2 * c, key.name[c]);
                }
            }
            if (std::holds_alternative<ResourceDirectory>(place.entry->child)) {
                PutU32(section, at + 4,
                       kHighBit | static_cast<std::uint32_t>(slots[place.childIndex].offset));
            } else {
                PutU32(section, at + 4,
                       static_cast<std::uint32_t>(dataEntries + kDataEntrySize * place.childIndex));
            }
        }
    }
    for (std::size_t i = 0; i < data.size(); ++i) {
        const std::uint64_t entry = dataEntries + kDataEntrySize * i;
        PutU32(section, entry, sectionRva + static_cast<std::uint32_t>(dataOffsets[i]));
        PutU32(section, entry + 4, static_cast<std::uint32_t>(GetDataSize(*data[i])));
        PutU32(section, entry + 8, data[i]->codePage);
        PutU32(section, entry + 12, data[i]->reserved);
        if (i != inPieces) {
            std::copy(data[i]->bytes.begin(), data[i]->bytes.end(),
                      section.begin() + static_cast<std::ptrdiff_t>(dataOffsets[i]));
        }
    }
    if (inPieces) {
        rest.AppendBorrowed(*data[*inPieces]->pieces);
        rest.Append(std::vector<std::uint8_t>(padded - cursor, 0));
    }
    return cursor;
}

}  // namespace quillset
