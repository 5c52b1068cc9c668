// Rewrites the resource tree of a PE32 image, changed, as a new resource section: the launcher
// stub with the package (and the vendor's brand) added, or the wizard library with new bitmaps.
#include "pe_resources.h"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <string>

#include "pe_bytes.h"
#include "pe_image.h"
#include "pe_resource_tree.h"
#include "pe_signature.h"
#include "package/package_layout.h"

namespace quillset {
namespace {

constexpr std::uint16_t kPackageId = PACKAGE_RESOURCE_ID;
constexpr std::uint32_t kResourceSectionCharacteristics = 0x40000040;  // initialised data, read
constexpr std::array<char, 8> kResourceSectionName{'.', 'r', 's', 'r', 'c'};
constexpr std::array<char, 8> kRetiredSectionName{'.', 'r', 's', 'r', 'c', 'o', 'l', 'd'};

// Refuses, with the reason, an image that this writer cannot rewrite into a valid one; `what`
// names it ("the stub").
void CheckImage(const PeImage& pe, std::span<const std::uint8_t> image, const std::string& what)
{
    if (pe.magic != kMagicPe32) {
        throw std::runtime_error(what + " is a 64-bit (PE32+) image; it must be PE32");
    }
    if (pe.machine != kMachineI386) {
        throw std::runtime_error(what + " is not an i386 image");
    }
    const PeDataDirectory certificates = pe.DataDirectory(kCertificateDirectoryIndex);
    if (certificates.rva != 0 || certificates.size != 0) {
        throw std::runtime_error(what +
                                 " is signed (it has a certificate table), and rewriting its resources "
                                 "would break that signature; use the unsigned one: the signature "
                                 "belongs on the Setup.exe built from it (--sign)");
    }
    if (pe.sizeOfHeaders > image.size()) {
        throw std::runtime_error(what + " is truncated: its headers are cut off");
    }
    const std::uint64_t end = FindEndOfSections(pe);
    if (image.size() > end) {
        const bool hasSymbols = pe.symbolTableOffset != 0 && pe.symbolCount != 0;
        throw std::runtime_error(what + " has " + std::to_string(image.size() - end) +
                                 " bytes after its last section (" +
                                 (hasSymbols ? "a COFF symbol table: strip it" : "an overlay") +
                                 "); use one without them");
    }
    if (!IsPowerOfTwo(pe.fileAlignment) || !IsPowerOfTwo(pe.sectionAlignment) ||
        pe.sectionAlignment < pe.fileAlignment || pe.fileAlignment < 8) {
        throw std::runtime_error(what + "'s section or file alignment is not supported");
    }
    // Below a page, Windows maps the file as it stands: every section's file offset must be
    // its address, which a new resource section placed on a page of the file would break.
    if (pe.sectionAlignment < kPageSize) {
        throw std::runtime_error(what + "'s section alignment of " + std::to_string(pe.sectionAlignment) +
                                 " is below a page (4096), which is not supported");
    }
    if (pe.dataDirectories.size() <= kResourceDirectoryIndex) {
        throw std::runtime_error(what + "'s optional header has no resource directory entry");
    }
}

// A signature covers the resources that are about to change, so it cannot be kept: the stub is
// used as it was before it was signed, where that can be told for certain.
std::vector<std::uint8_t> DropSignature(std::span<const std::uint8_t> stub)
{
    try {
        return RemovePeSignature(ReadPeImage(stub), stub);
    } catch (const PeFormatError&) {
        throw;
    } catch (const std::runtime_error& error) {
        throw std::runtime_error(std::string("the stub is signed, but its signature cannot be taken off (") +
                                 error.what() + "); embed into the unsigned stub");
    }
}

// Makes `package` the only RT_RCDATA 1: a copy in another language would be a stale package
// that FindResource could pick on a system of that language.
void PutPackage(ResourceDirectory& root, const BytePieces& package)
{
    const auto findOrAdd = [](ResourceDirectory& directory,
                              std::uint16_t id) -> ResourceDirectory& {
        for (ResourceEntry& entry : directory.entries) {
            if (!entry.key.isNamed && entry.key.id == id) {
                return std::get<ResourceDirectory>(entry.child);
            }
        }
        directory.entries.push_back({ResourceKey{false, id, {}}, ResourceDirectory{}});
        return std::get<ResourceDirectory>(directory.entries.back().child);
    };
    ResourceDirectory& languages = findOrAdd(findOrAdd(root, kResourceTypeRcData), kPackageId);
    languages.entries.clear();
    ResourceData data;
    data.pieces = &package;
    languages.entries.push_back({ResourceKey{false, kLanguageNeutral, {}}, data});
}

// The index of the section that starts with the resource directory and is the last one in
// the table, in memory and in the file; only such a section can be rewritten with a new size.
std::optional<std::size_t> FindReplaceableSection(const PeImage& pe)
{
    const PeDataDirectory resources = pe.DataDirectory(kResourceDirectoryIndex);
    if (pe.sections.empty() || resources.rva == 0) {
        return std::nullopt;
    }
    const std::size_t last = pe.sections.size() - 1;
    const PeSection& candidate = pe.sections[last];
    if (candidate.virtualAddress != resources.rva || candidate.sizeOfRawData == 0) {
        return std::nullopt;
    }
    for (const PeSection& other : pe.sections) {
        const bool isAfter =
            other.virtualAddress > candidate.virtualAddress ||
            (other.sizeOfRawData != 0 && other.pointerToRawData > candidate.pointerToRawData);
        if (isAfter) {
            return std::nullopt;
        }
    }
    return last;
}

// The first RVA after every section, where an appended section may start.
std::uint64_t FindEndOfImage(const PeImage& pe)
{
    std::uint64_t end = AlignUp(pe.sizeOfHeaders, pe.sectionAlignment);
    for (const PeSection& section : pe.sections) {
        const std::uint32_t size =
            section.virtualSize != 0 ? section.virtualSize : section.sizeOfRawData;
        end = std::max(end,
                       AlignUp(std::uint64_t{section.virtualAddress} + size, pe.sectionAlignment));
    }
    return end;
}

// Adds a section header after the last one; the headers must have 40 unused zero bytes there.
std::uint64_t AddSectionHeader(const PeImage& pe, std::vector<std::uint8_t>& image,
                               const std::string& what)
{
    const std::uint64_t at =
        pe.sectionTableOffset + std::uint64_t{kSectionHeaderSize} * pe.sections.size();
    std::uint64_t limit = pe.sizeOfHeaders;
    for (const PeSection& section : pe.sections) {
        if (section.sizeOfRawData != 0) {
            limit = std::min<std::uint64_t>(limit, section.pointerToRawData);
        }
    }
    const bool isFree =
        at + kSectionHeaderSize <= limit &&
        std::all_of(image.begin() + static_cast<std::ptrdiff_t>(at),
                    image.begin() + static_cast<std::ptrdiff_t>(at + kSectionHeaderSize),
                    [](std::uint8_t b) { return b == 0; });
    if (!isFree || pe.sections.size() >= 0xFFFF) {
        throw std::runtime_error(what + "'s headers have no room for another section header");
    }
    PutU16(image, pe.fileHeaderOffset + kFileNumberOfSections,
           static_cast<std::uint16_t>(pe.sections.size() + 1));
    std::copy(kResourceSectionName.begin(), kResourceSectionName.end(),
              image.begin() + static_cast<std::ptrdiff_t>(at));
    PutU32(image, at + kSecCharacteristics, kResourceSectionCharacteristics);
    return at;
}

std::uint64_t GetSectionHeaderOffset(const PeImage& pe, std::size_t index)
{
    return pe.sectionTableOffset + std::uint64_t{kSectionHeaderSize} * index;
}

// The offset of directory `id`'s subdirectory in the directory at `directory`, if any.
std::optional<std::uint32_t> FindSubdirectory(std::span<const std::uint8_t> tree,
                                              std::uint32_t directory, std::uint16_t id)
{
    if (!HasBytes(tree, directory, 16)) {
        return std::nullopt;
    }
    const std::uint32_t count = GetU16(tree, directory + 12ULL) + GetU16(tree, directory + 14ULL);
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint64_t at = directory + 16ULL + 8ULL * i;
        if (!HasBytes(tree, at, 8)) {
            return std::nullopt;
        }
        const std::uint32_t target = GetU32(tree, at + 4);
        if (GetU32(tree, at) == id && (target & kHighBit) != 0) {
            return target & ~kHighBit;
        }
    }
    return std::nullopt;
}

// The data entry of the language to use in the directory at `directory`: neutral if there
// is one, else the first.
std::optional<std::uint32_t> FindLanguageData(std::span<const std::uint8_t> tree,
                                              std::uint32_t directory)
{
    if (!HasBytes(tree, directory, 16)) {
        return std::nullopt;
    }
    std::optional<std::uint32_t> chosen;
    const std::uint32_t count = GetU16(tree, directory + 12ULL) + GetU16(tree, directory + 14ULL);
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint64_t at = directory + 16ULL + 8ULL * i;
        if (!HasBytes(tree, at, 8)) {
            break;
        }
        const std::uint32_t target = GetU32(tree, at + 4);
        if ((target & kHighBit) != 0) {
            continue;
        }
        if (GetU32(tree, at) == kLanguageNeutral) {
            return target;
        }
        if (!chosen) {
            chosen = target;
        }
    }
    return chosen;
}

// Whether `section`, which holds the resource tree, holds nothing else that the image points at:
// no other data directory and not the entry point lie in it, and its raw data is clear of the
// headers. Some linkers and packers put other data, the imports say, into .rsrc.
bool HoldsOnlyResources(const PeImage& pe, std::span<const std::uint8_t> image, const PeSection& section)
{
    if (section.pointerToRawData < pe.sizeOfHeaders)
        return false;
    const std::uint64_t start = section.virtualAddress;
    const std::uint64_t end = start + std::max(section.virtualSize, section.sizeOfRawData);
    const auto isInside = [&](std::uint64_t rva) { return rva >= start && rva < end; };
    for (std::uint32_t i = 0; i < pe.dataDirectories.size(); ++i) {
        const PeDataDirectory entry = pe.dataDirectories[i];
        // The certificate table's address is a file offset, not an address in the image.
        if (i != kResourceDirectoryIndex && i != kCertificateDirectoryIndex && entry.rva != 0 &&
            isInside(entry.rva))
            return false;
    }
    return !isInside(GetU32(image, pe.optionalHeaderOffset + kOptAddressOfEntryPoint));
}

BytePieces RewriteResourcesInPieces(std::span<const std::uint8_t> source, const std::string& what,
                                    const ResourceEdit& edit, bool pageAligned)
{
    const PeImage pe = ReadPeImage(source);
    CheckImage(pe, source, what);
    ResourceDirectory tree = ReadResourceTree(pe, source);
    edit(tree);

    std::vector<std::uint8_t> image;
    std::uint64_t header = 0;
    std::uint64_t oldRawSize = 0;
    std::uint32_t sectionRva = 0;
    const std::optional<std::size_t> replaceable = FindReplaceableSection(pe);
    if (replaceable) {
        const PeSection& section = pe.sections[*replaceable];
        header = GetSectionHeaderOffset(pe, *replaceable);
        oldRawSize = section.sizeOfRawData;
        sectionRva = section.virtualAddress;
        image.assign(source.begin(), source.begin() + section.pointerToRawData);
    } else {
        // The old resource section stays where it is: dropping it would move the sections after
        // it, whose addresses the code depends on.
        const std::uint64_t end = FindEndOfImage(pe);
        if (end > 0xFFFFFFFFULL) {
            throw std::runtime_error(what + "'s image is too large for another section");
        }
        sectionRva = static_cast<std::uint32_t>(end);
        image.assign(source.begin(), source.end());
        header = AddSectionHeader(pe, image, what);
        PutU32(image, header + kSecVirtualAddress, sectionRva);
        const PeDataDirectory resources = pe.DataDirectory(kResourceDirectoryIndex);
        for (std::size_t i = 0; i < pe.sections.size(); ++i) {
            const PeSection& old = pe.sections[i];
            const bool holdsTree = resources.rva != 0 && old.virtualAddress == resources.rva;
            if (holdsTree && old.name == kResourceSectionName) {
                const auto at = static_cast<std::ptrdiff_t>(GetSectionHeaderOffset(pe, i));
                std::copy(kRetiredSectionName.begin(), kRetiredSectionName.end(),
                          image.begin() + at);
                // When it holds the resources alone, nothing reads its bytes any more. As zeros
                // they pack to almost nothing in the stream that a branded wizard library
                // travels in.
                const std::uint64_t rawEnd =
                    std::min<std::uint64_t>(std::uint64_t{old.pointerToRawData} + old.sizeOfRawData, image.size());
                if (HoldsOnlyResources(pe, source, old) && old.pointerToRawData < rawEnd)
                    std::fill(image.begin() + static_cast<std::ptrdiff_t>(old.pointerToRawData),
                              image.begin() + static_cast<std::ptrdiff_t>(rawEnd), std::uint8_t{0});
            }
        }
    }

    // Both alignments are powers of two, so the larger is a multiple of the other.
    const std::uint64_t start =
        pageAligned ? std::max<std::uint64_t>(pe.fileAlignment, kPageSize) : pe.fileAlignment;
    image.resize(AlignUp(image.size(), start));
    PutU32(image, header + kSecPointerToRawData, static_cast<std::uint32_t>(image.size()));

    const std::uint64_t sectionStart = image.size();
    BytePieces rest;
    const std::uint64_t sectionSize = AppendResourceSection(image, rest, tree, sectionRva, pe.fileAlignment);
    const std::uint64_t rawSize = image.size() + rest.Size() - sectionStart;
    const std::uint64_t imageSize = AlignUp(std::uint64_t{sectionRva} + sectionSize, pe.sectionAlignment);
    if (image.size() + rest.Size() > 0xFFFFFFFFULL || imageSize > 0xFFFFFFFFULL) {
        throw std::runtime_error("the resources are too large for a PE32 image");
    }

    PutU32(image, header + kSecVirtualSize, static_cast<std::uint32_t>(sectionSize));
    PutU32(image, header + kSecSizeOfRawData, static_cast<std::uint32_t>(rawSize));
    const std::uint64_t optional = pe.optionalHeaderOffset;
    const std::uint32_t initialisedData = GetU32(image, optional + kOptSizeOfInitializedData);
    PutU32(image, optional + kOptSizeOfInitializedData,
           static_cast<std::uint32_t>(std::max<std::int64_t>(
               0, std::int64_t{initialisedData} + static_cast<std::int64_t>(rawSize) -
                      static_cast<std::int64_t>(oldRawSize))));
    PutU32(image, optional + kOptSizeOfImage, static_cast<std::uint32_t>(imageSize));
    const std::uint64_t resourceEntry = pe.dataDirectoryOffset + 8ULL * kResourceDirectoryIndex;
    PutU32(image, resourceEntry, sectionRva);
    PutU32(image, resourceEntry + 4, static_cast<std::uint32_t>(sectionSize));
    std::vector<std::span<const std::uint8_t>> spans{image};
    spans.insert(spans.end(), rest.Spans().begin(), rest.Spans().end());
    PutU32(image, optional + kOptCheckSum, ComputePeChecksum(spans, optional + kOptCheckSum));
    BytePieces pieces(std::move(image));
    pieces.Append(std::move(rest));
    return pieces;
}

}  // namespace

std::vector<std::uint8_t> RewriteResources(std::span<const std::uint8_t> source,
                                           const std::string& what, const ResourceEdit& edit,
                                           bool pageAligned)
{
    return RewriteResourcesInPieces(source, what, edit, pageAligned).Join();
}

BytePieces EmbedPackageInPieces(std::span<const std::uint8_t> givenStub, const BytePieces& package,
                                const ResourceEdit& brand)
{
    const std::vector<std::uint8_t> stub = DropSignature(givenStub);
    return RewriteResourcesInPieces(
        stub, "the stub",
        [&](ResourceDirectory& tree) {
            if (brand) {
                brand(tree);
            }
            PutPackage(tree, package);
        },
        package.Size() >= PAGE_ALIGNED_PACKAGE_SIZE);
}

std::vector<std::uint8_t> EmbedPackage(std::span<const std::uint8_t> stub,
                                       std::span<const std::uint8_t> package,
                                       const ResourceEdit& brand)
{
    return EmbedPackageInPieces(stub, BytePieces::Borrowing(package), brand).Join();
}

void CheckStubCanEmbed(std::span<const std::uint8_t> givenStub)
{
    const std::vector<std::uint8_t> stub = DropSignature(givenStub);
    const PeImage pe = ReadPeImage(stub);
    CheckImage(pe, stub, "the stub");
    ReadResourceTree(pe, stub);
}

std::optional<std::span<const std::uint8_t>> FindPackageResource(
    std::span<const std::uint8_t> image)
{
    const PeImage pe = ReadPeImage(image);
    const PeDataDirectory resources = pe.DataDirectory(kResourceDirectoryIndex);
    const auto tree = MapRvaToSectionEnd(pe, image, resources.rva);
    if (resources.rva == 0 || !tree) {
        return std::nullopt;
    }
    const auto types = FindSubdirectory(*tree, 0, kResourceTypeRcData);
    const auto languages = types ? FindSubdirectory(*tree, *types, kPackageId) : std::nullopt;
    const auto data = languages ? FindLanguageData(*tree, *languages) : std::nullopt;
    if (!data || !HasBytes(*tree, *data, 16)) {
        return std::nullopt;
    }
    return MapRva(pe, image, GetU32(*tree, *data), GetU32(*tree, *data + 4ULL));
}

}  // namespace quillset
