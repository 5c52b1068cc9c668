// Reads a PE image's resource directory into a ResourceDirectory tree, checking every offset
// against the resource section and every data entry against the image.
#include <string>

#include "pe_bytes.h"
#include "pe_resource_tree.h"

namespace quillset {
namespace {

constexpr std::uint32_t kDirectoryHeaderSize = 16;
constexpr std::uint32_t kDirectoryEntrySize = 8;
constexpr std::uint32_t kDataEntrySize = 16;
constexpr int kLanguageLevel = 2;

struct TreeSource {
    const PeImage& pe;
    std::span<const std::uint8_t> image;
    std::span<const std::uint8_t> tree;  // from the root directory to the end of its section
    std::uint64_t entryBudget;           // a tree whose directories are shared would exceed it
};

[[noreturn]] void ThrowMalformed(const std::string& what)
{
    throw PeFormatError("malformed resource tree: " + what);
}

ResourceKey ReadKey(const TreeSource& source, std::uint32_t nameField)
{
    ResourceKey key;
    if ((nameField & kHighBit) == 0) {
        if (nameField > 0xFFFF) {
            ThrowMalformed("an id entry has more than 16 bits");
        }
        key.id = static_cast<std::uint16_t>(nameField);
        return key;
    }
    const std::uint64_t at = nameField & ~kHighBit;
    if (!HasBytes(source.tree, at, 2)) {
        ThrowMalformed("a name lies outside the resource section");
    }
    const std::uint16_t length = GetU16(source.tree, at);
    if (!HasBytes(source.tree, at + 2, 2ULL * length)) {
        ThrowMalformed("a name runs past the resource section");
    }
    key.isNamed = true;
    for (std::uint16_t i = 0; i < length; ++i) {
        key.name.push_back(static_cast<char16_t>(GetU16(source.tree, at + 2 + 2ULL * i)));
    }
    return key;
}

ResourceData ReadData(const TreeSource& source, std::uint32_t offset)
{
    if (!HasBytes(source.tree, offset, kDataEntrySize)) {
        ThrowMalformed("a data entry lies outside the resource section");
    }
    const std::uint32_t rva = GetU32(source.tree, offset);
    const std::uint32_t size = GetU32(source.tree, offset + 4);
    const auto bytes = MapRva(source.pe, source.image, rva, size);
    if (!bytes) {
        ThrowMalformed("a resource's data lies outside the image's sections");
    }
    return ResourceData{*bytes, GetU32(source.tree, offset + 8), GetU32(source.tree, offset + 12)};
}

ResourceDirectory ReadDirectory(TreeSource& source, std::uint32_t offset, int level)
{
    if (!HasBytes(source.tree, offset, kDirectoryHeaderSize)) {
        ThrowMalformed("a directory lies outside the resource section");
    }
    ResourceDirectory directory;
    directory.characteristics = GetU32(source.tree, offset);
    directory.timeDateStamp = GetU32(source.tree, offset + 4);
    directory.majorVersion = GetU16(source.tree, offset + 8);
    directory.minorVersion = GetU16(source.tree, offset + 10);
    const std::uint32_t count = GetU16(source.tree, offset + 12) + GetU16(source.tree, offset + 14);
    const std::uint64_t entries = std::uint64_t{offset} + kDirectoryHeaderSize;
    if (!HasBytes(source.tree, entries, std::uint64_t{count} * kDirectoryEntrySize)) {
        ThrowMalformed("a directory's entries run past the resource section");
    }
    if (count > source.entryBudget) {
        ThrowMalformed("directories are shared or loop");
    }
    source.entryBudget -= count;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint64_t at = entries + std::uint64_t{i} * kDirectoryEntrySize;
        const std::uint32_t target = GetU32(source.tree, at + 4);
        ResourceEntry entry{ReadKey(source, GetU32(source.tree, at)), ResourceData{}};
        const bool isDirectory = (target & kHighBit) != 0;
        if (isDirectory != (level < kLanguageLevel)) {
            ThrowMalformed("it is not three levels deep (type, name, language)");
        }
        if (isDirectory) {
            entry.child = ReadDirectory(source, target & ~kHighBit, level + 1);
        } else {
            entry.child = ReadData(source, target);
        }
        directory.entries.push_back(std::move(entry));
    }
    return directory;
}

}  // namespace

ResourceDirectory ReadResourceTree(const PeImage& pe, std::span<const std::uint8_t> image)
{
    const PeDataDirectory location = pe.DataDirectory(kResourceDirectoryIndex);
    if (location.rva == 0 && location.size == 0) {
        return {};
    }
    const auto tree = MapRvaToSectionEnd(pe, image, location.rva);
    if (!tree) {
        ThrowMalformed("the resource directory lies outside the image's sections");
    }
    TreeSource source{pe, image, *tree, tree->size() / kDirectoryEntrySize};
    return ReadDirectory(source, 0, 0);
}

}  // namespace quillset
