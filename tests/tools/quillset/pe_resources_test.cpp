// Tests of the PE resource writer: embedding packages into fixture stubs made by the mingw cross
// tools, finding them again, keeping every other resource, and refusing stubs it cannot use.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "pe_bytes.h"
#include "pe_image.h"
#include "pe_resource_tree.h"
#include "pe_resources.h"

namespace quillset {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kPageSize = 4096;

Bytes ReadFixture(const std::string& name)
{
    const std::string path = std::string(PE_FIXTURE_DIR) + "/" + name;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("missing fixture " + path);
    }
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

Bytes MakePayload(std::size_t size, std::uint32_t seed)
{
    std::mt19937 random(seed);
    Bytes bytes(size);
    for (auto& byte : bytes) {
        byte = static_cast<std::uint8_t>(random());
    }
    return bytes;
}

Bytes ToBytes(std::span<const std::uint8_t> span)
{
    return {span.begin(), span.end()};
}

std::string DescribeKey(const ResourceKey& key)
{
    return key.isNamed ? "'" + std::string(key.name.begin(), key.name.end()) + "'"
                       : std::to_string(key.id);
}

struct FlatResource {
    Bytes bytes;
    std::uint32_t codePage;
    friend bool operator==(const FlatResource&, const FlatResource&) = default;
};

// "type/name/language" -> data, so that two trees compare whatever their layout.
std::map<std::string, FlatResource> FlattenResources(std::span<const std::uint8_t> image)
{
    std::map<std::string, FlatResource> flat;
    const PeImage pe = ReadPeImage(image);
    for (const ResourceEntry& type : ReadResourceTree(pe, image).entries) {
        for (const ResourceEntry& name : std::get<ResourceDirectory>(type.child).entries) {
            for (const ResourceEntry& language : std::get<ResourceDirectory>(name.child).entries) {
                const auto& data = std::get<ResourceData>(language.child);
                const std::string path = DescribeKey(type.key) + "/" + DescribeKey(name.key) + "/" +
                                         DescribeKey(language.key);
                EXPECT_FALSE(flat.contains(path)) << path << " appears twice";
                flat[path] = {ToBytes(data.bytes), data.codePage};
            }
        }
    }
    return flat;
}

std::string DescribeRefusal(std::span<const std::uint8_t> stub)
{
    const Bytes package = MakePayload(100, 1);
    try {
        EmbedPackage(stub, package);
    } catch (const std::runtime_error& error) {
        return error.what();
    }
    return "(accepted)";
}

std::uint32_t ReadOptionalField(std::span<const std::uint8_t> image, std::uint32_t field)
{
    return GetU32(image, ReadPeImage(image).optionalHeaderOffset + field);
}

const PeSection& FindSectionAt(const PeImage& pe, std::uint32_t rva)
{
    for (const PeSection& section : pe.sections) {
        if (section.virtualAddress == rva) {
            return section;
        }
    }
    throw std::runtime_error("no section at the resource directory");
}

class PeStubTest : public testing::TestWithParam<const char*> {
protected:
    Bytes stub = ReadFixture(GetParam());
};

INSTANTIATE_TEST_SUITE_P(
    Stubs, PeStubTest, testing::Values("rsrc_last.exe", "rsrc_inner.exe", "no_rsrc.exe"),
    [](const auto& info) {
        return std::string(info.param).substr(0, std::string(info.param).find('.'));
    });

TEST_P(PeStubTest, FixtureChecksumAgreesWithTheLinker)
{
    const PeImage pe = ReadPeImage(stub);
    const std::uint32_t stored = ReadOptionalField(stub, kOptCheckSum);
    ASSERT_NE(stored, 0U) << "the linker wrote no checksum to compare with";
    EXPECT_EQ(ComputePeChecksum(stub, pe.optionalHeaderOffset + kOptCheckSum), stored);
}

TEST_P(PeStubTest, PackageRoundTripsAndOtherResourcesStay)
{
    const Bytes package = MakePayload(300000, 7);
    const Bytes image = EmbedPackage(stub, package);

    const auto found = FindPackageResource(image);
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(ToBytes(*found), package);

    auto expected = FlattenResources(stub);
    std::erase_if(expected, [](const auto& item) { return item.first.starts_with("10/1/"); });
    expected["10/1/0"] = {package, 0};
    EXPECT_EQ(FlattenResources(image), expected);
}

// The build writes the installer from the package's own pieces; odd sizes put the checksum's
// words across the pieces' edges.
TEST_P(PeStubTest, AnImageInPiecesIsTheImageInOneBuffer)
{
    const Bytes package = MakePayload(72001, 5);
    BytePieces pieces;
    pieces.Append(Bytes(package.begin(), package.begin() + 1001));
    pieces.Append(Bytes(package.begin() + 1001, package.begin() + 1002));
    pieces.AppendBorrowed(std::span(package).subspan(1002));

    const BytePieces image = EmbedPackageInPieces(stub, pieces);
    EXPECT_EQ(image.Size(), EmbedPackage(stub, package).size());
    EXPECT_EQ(image.Join(), EmbedPackage(stub, package));
}

TEST(PeChecksum, AnySplitOfTheImageGivesTheSameSum)
{
    const Bytes image = MakePayload(1001, 9);
    for (const std::uint64_t field : {64, 63}) {
        const std::uint32_t whole = ComputePeChecksum(image, field);
        for (std::size_t first = 0; first <= image.size(); ++first) {
            for (std::size_t second = first; second <= std::min(first + 3, image.size()); ++second) {
                const std::span<const std::uint8_t> bytes(image);
                const std::span<const std::uint8_t> pieces[] = {
                    bytes.first(first), bytes.subspan(first, second - first), bytes.subspan(second)};
                ASSERT_EQ(ComputePeChecksum(std::span(pieces), field), whole)
                    << "split at " << first << " and " << second << ", field at " << field;
            }
        }
    }
}

TEST_P(PeStubTest, HeadersDescribeTheNewSection)
{
    const Bytes image = EmbedPackage(stub, MakePayload(5000, 3));
    const PeImage before = ReadPeImage(stub);
    const PeImage after = ReadPeImage(image);
    const PeDataDirectory resources = after.DataDirectory(kResourceDirectoryIndex);
    const PeSection& section = after.sections.back();

    EXPECT_EQ(std::string(section.name.data(), 5), ".rsrc");
    EXPECT_EQ(section.virtualAddress, resources.rva);
    EXPECT_EQ(section.virtualSize, resources.size);
    EXPECT_EQ(section.sizeOfRawData, AlignUp(section.virtualSize, after.fileAlignment));
    EXPECT_EQ(std::uint64_t{section.pointerToRawData} + section.sizeOfRawData, image.size());
    EXPECT_EQ(section.pointerToRawData % after.fileAlignment, 0U);
    EXPECT_EQ(ReadOptionalField(image, kOptSizeOfImage),
              AlignUp(std::uint64_t{section.virtualAddress} + section.virtualSize,
                      after.sectionAlignment));
    EXPECT_EQ(ReadOptionalField(image, kOptCheckSum),
              ComputePeChecksum(image, after.optionalHeaderOffset + kOptCheckSum));

    const std::int64_t oldRaw =
        before.sections.back().virtualAddress == before.DataDirectory(kResourceDirectoryIndex).rva
            ? before.sections.back().sizeOfRawData
            : 0;
    EXPECT_EQ(std::int64_t{ReadOptionalField(image, kOptSizeOfInitializedData)},
              std::int64_t{ReadOptionalField(stub, kOptSizeOfInitializedData)} +
                  section.sizeOfRawData - oldRaw);

    // Sections ascend in memory without gaps, as the loader requires.
    for (std::size_t i = 1; i < after.sections.size(); ++i) {
        const PeSection& previous = after.sections[i - 1];
        const std::uint32_t size =
            previous.virtualSize != 0 ? previous.virtualSize : previous.sizeOfRawData;
        EXPECT_EQ(after.sections[i].virtualAddress,
                  AlignUp(previous.virtualAddress + size, after.sectionAlignment));
    }
}

TEST_P(PeStubTest, ResourceRawDataOfALargePackageStartsOnAPage)
{
    // Wine maps a section from the file only when its raw data starts on a page; any other
    // it reads into private memory, package and all.
    const Bytes image = EmbedPackage(stub, MakePayload(PAGE_ALIGNED_PACKAGE_SIZE, 3));
    const PeImage before = ReadPeImage(stub);
    const PeImage after = ReadPeImage(image);
    const bool replaced = after.sections.size() == before.sections.size();
    const std::uint64_t kept = replaced ? before.sections.back().pointerToRawData : stub.size();
    ASSERT_NE(kept % kPageSize, 0U) << "the fixture already ends on a page: nothing is tested";

    const PeSection& section = after.sections.back();
    EXPECT_EQ(section.pointerToRawData % kPageSize, 0U);
    ASSERT_GT(section.pointerToRawData, kept);
    EXPECT_LT(section.pointerToRawData - kept, kPageSize) << "more padding than a page needs";
    EXPECT_TRUE(std::all_of(image.begin() + static_cast<std::ptrdiff_t>(kept),
                            image.begin() + section.pointerToRawData,
                            [](std::uint8_t b) { return b == 0; }));
    // The stub's own resource section keeps its flags; an appended one is read-only data.
    EXPECT_EQ(section.characteristics,
              replaced ? before.sections.back().characteristics : 0x40000040U);
}

TEST_P(PeStubTest, ResourceRawDataOfASmallPackageStartsOnTheFileAlignment)
{
    // Below the threshold the page's padding would cost more than the copy it saves.
    const PeImage before = ReadPeImage(stub);
    for (const std::size_t size : {std::size_t{5000}, static_cast<std::size_t>(PAGE_ALIGNED_PACKAGE_SIZE - 1)}) {
        const Bytes image = EmbedPackage(stub, MakePayload(size, 3));
        const PeImage after = ReadPeImage(image);
        const bool replaced = after.sections.size() == before.sections.size();
        const std::uint64_t kept = replaced ? before.sections.back().pointerToRawData : stub.size();
        ASSERT_NE(kept % kPageSize, 0U) << "the fixture already ends on a page: nothing is tested";
        EXPECT_EQ(after.sections.back().pointerToRawData, AlignUp(kept, after.fileAlignment)) << size;
        EXPECT_EQ(ToBytes(*FindPackageResource(image)), MakePayload(size, 3)) << size;
    }
}

TEST_P(PeStubTest, ContentOfTheOtherSectionsIsUntouched)
{
    const Bytes image = EmbedPackage(stub, MakePayload(1000, 5));
    const PeImage before = ReadPeImage(stub);
    const PeImage after = ReadPeImage(image);
    const bool replaced = after.sections.size() == before.sections.size();
    const std::uint64_t end = replaced ? before.sections.back().pointerToRawData : stub.size();
    ASSERT_GE(image.size(), end);
    // A resource section that stays in place, retired, is zeroed; every other byte is kept.
    Bytes expected = stub;
    if (!replaced && before.DataDirectory(kResourceDirectoryIndex).rva != 0) {
        const auto& retired = FindSectionAt(before, before.DataDirectory(kResourceDirectoryIndex).rva);
        std::fill_n(expected.begin() + retired.pointerToRawData, retired.sizeOfRawData, 0);
    }
    EXPECT_TRUE(std::equal(expected.begin() + before.sizeOfHeaders,
                           expected.begin() + static_cast<std::ptrdiff_t>(end),
                           image.begin() + before.sizeOfHeaders));
    for (std::size_t i = 0; i + (replaced ? 1 : 0) < before.sections.size(); ++i) {
        const PeSection& old = before.sections[i];
        const PeSection& now = after.sections[i];
        EXPECT_EQ(
            std::tie(old.virtualAddress, old.virtualSize, old.pointerToRawData, old.sizeOfRawData),
            std::tie(now.virtualAddress, now.virtualSize, now.pointerToRawData, now.sizeOfRawData));
    }
}

TEST_P(PeStubTest, EmbeddingAgainReplacesThePackageAsIfTheStubWereNew)
{
    const Bytes first = EmbedPackage(stub, MakePayload(70000, 1));
    const Bytes second = MakePayload(123, 2);
    EXPECT_EQ(EmbedPackage(first, second), EmbedPackage(stub, second));
}

TEST_P(PeStubTest, EmptyPackageIsFoundEmpty)
{
    const Bytes image = EmbedPackage(stub, {});
    const auto found = FindPackageResource(image);
    ASSERT_TRUE(found.has_value());
    EXPECT_TRUE(found->empty());
}

TEST_P(PeStubTest, SameInputsGiveTheSameBytes)
{
    const Bytes package = MakePayload(40000, 11);
    const Bytes copy = package;
    EXPECT_EQ(EmbedPackage(stub, package), EmbedPackage(stub, copy));
}

TEST(EmbedPackageTest, LargePackageRoundTrips)
{
    const Bytes stub = ReadFixture("rsrc_last.exe");
    const Bytes package = MakePayload(64 << 20, 9);
    const Bytes image = EmbedPackage(stub, package);
    const auto found = FindPackageResource(image);
    ASSERT_TRUE(found.has_value());
    EXPECT_TRUE(std::equal(found->begin(), found->end(), package.begin(), package.end()));
    EXPECT_GT(ReadOptionalField(image, kOptSizeOfImage), 64U << 20);
}

TEST(EmbedPackageTest, FileAlignmentLargerThanAPageIsKept)
{
    for (const char* name : {"rsrc_last.exe", "rsrc_inner.exe"}) {
        Bytes stub = ReadFixture(name);
        const PeImage pe = ReadPeImage(stub);
        constexpr std::uint32_t kLargeAlignment = 4 * kPageSize;
        PutU32(stub, pe.optionalHeaderOffset + kOptFileAlignment, kLargeAlignment);
        PutU32(stub, pe.optionalHeaderOffset + kOptSectionAlignment, kLargeAlignment);
        const Bytes image = EmbedPackage(stub, MakePayload(10, 1));
        const PeSection section = ReadPeImage(image).sections.back();
        EXPECT_EQ(section.pointerToRawData % kLargeAlignment, 0U) << name;
        EXPECT_EQ(section.sizeOfRawData % kLargeAlignment, 0U) << name;
    }
}

TEST(EmbedPackageTest, OldSectionIsRetiredWhenTheNewOneIsAppended)
{
    const Bytes stub = ReadFixture("rsrc_inner.exe");
    const PeImage before = ReadPeImage(stub);
    const Bytes embedded = EmbedPackage(stub, MakePayload(10, 1));
    const PeImage after = ReadPeImage(embedded);
    ASSERT_EQ(after.sections.size(), before.sections.size() + 1);
    const auto& old = FindSectionAt(after, before.DataDirectory(kResourceDirectoryIndex).rva);
    EXPECT_EQ(std::string(old.name.begin(), old.name.end()), ".rsrcold");
    EXPECT_EQ(std::string(after.sections.back().name.data()), ".rsrc");
    // Its bytes, which nothing reads any more, are zeros.
    ASSERT_LE(std::uint64_t{old.pointerToRawData} + old.sizeOfRawData, embedded.size());
    const auto isZero = [](std::uint8_t byte) { return byte == 0; };
    EXPECT_TRUE(std::all_of(embedded.begin() + old.pointerToRawData,
                            embedded.begin() + old.pointerToRawData + old.sizeOfRawData, isZero));

    // Unless the image points into it for something else, as some linkers put the imports there.
    Bytes shared = stub;
    const std::uint64_t importEntry = before.dataDirectoryOffset + 8ULL * 1;
    PutU32(shared, importEntry, old.virtualAddress + 16);
    const Bytes kept = EmbedPackage(shared, MakePayload(10, 1));
    EXPECT_TRUE(std::equal(shared.begin() + old.pointerToRawData,
                           shared.begin() + old.pointerToRawData + old.sizeOfRawData,
                           kept.begin() + old.pointerToRawData));
}

TEST(EmbedPackageTest, ReplacesEveryLanguageOfTheOldPackage)
{
    const Bytes stub = ReadFixture("rsrc_last.exe");
    const auto before = FlattenResources(stub);
    ASSERT_TRUE(before.contains("10/1/0") && before.contains("10/1/1031"))
        << "fixture lacks its old packages";
    const auto after = FlattenResources(EmbedPackage(stub, MakePayload(10, 1)));
    EXPECT_FALSE(after.contains("10/1/1031"));
    EXPECT_EQ(after.at("10/1/0").bytes, MakePayload(10, 1));
}

TEST(RewriteResourcesTest, RefusesASignedImageWithAdviceAVendorCanFollow)
{
    // As a signed wizard library given with page images is: its result goes into Setup.exe.
    Bytes image = ReadFixture("rsrc_inner.exe");
    const PeImage pe = ReadPeImage(image);
    PutU32(image, pe.dataDirectoryOffset + 8 * kCertificateDirectoryIndex, 0x400);
    PutU32(image, pe.dataDirectoryOffset + 8 * kCertificateDirectoryIndex + 4, 0x800);
    try {
        RewriteResources(image, "w.dll", [](ResourceDirectory&) {}, false);
        ADD_FAILURE() << "a signed image was rewritten";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "w.dll is signed (it has a certificate table), and rewriting its resources "
                                   "would break that signature; use the unsigned one: the signature belongs on "
                                   "the Setup.exe built from it (--sign)");
    }
}

TEST(EmbedPackageTest, RefusesStubsItCannotUse)
{
    const Bytes stub = ReadFixture("rsrc_inner.exe");
    const PeImage pe = ReadPeImage(stub);
    const auto patched = [&](std::uint64_t offset, std::uint32_t value, int width) {
        Bytes copy = stub;
        width == 2 ? PutU16(copy, offset, static_cast<std::uint16_t>(value))
                   : PutU32(copy, offset, value);
        return copy;
    };
    const auto expectRefusal = [](const Bytes& bytes, const std::string& reason) {
        const std::string message = DescribeRefusal(bytes);
        EXPECT_NE(message.find(reason), std::string::npos)
            << "expected '" << reason << "', got: " << message;
    };

    expectRefusal(MakePayload(4096, 2), "no MZ header");
    expectRefusal(Bytes(stub.begin(), stub.begin() + 0x40), "no PE signature");
    expectRefusal(Bytes(stub.begin(), stub.begin() + pe.sectionTableOffset + 20),
                  "section table is cut off");
    expectRefusal(Bytes(stub.begin(), stub.end() - 100), "extends past the end of the file");
    // A PE32+ optional header keeps its directory count at offset 108.
    Bytes wide = patched(pe.optionalHeaderOffset, kMagicPe32Plus, 2);
    PutU32(wide, pe.optionalHeaderOffset + 108, 0);
    expectRefusal(wide, "64-bit (PE32+)");
    expectRefusal(patched(pe.optionalHeaderOffset, kMagicPe32Plus, 2), "more data directories");
    expectRefusal(patched(pe.fileHeaderOffset, 0x8664, 2), "not an i386 image");
    expectRefusal(patched(pe.dataDirectoryOffset + 8 * kCertificateDirectoryIndex + 4, 0x800, 4),
                  "is signed");
    Bytes mappedAsIs = patched(pe.optionalHeaderOffset + kOptSectionAlignment, 512, 4);
    PutU32(mappedAsIs, pe.optionalHeaderOffset + kOptFileAlignment, 512);
    expectRefusal(mappedAsIs, "section alignment of 512 is below a page");

    Bytes overlay = stub;
    overlay.insert(overlay.end(), {'s', 'i', 'g'});
    expectRefusal(overlay, "3 bytes after its last section");

    Bytes crowded = stub;
    crowded[pe.sectionTableOffset + kSectionHeaderSize * pe.sections.size() + 3] = 1;
    expectRefusal(crowded, "no room for another section header");

    const std::uint32_t treeOffset =
        FindSectionAt(pe, pe.DataDirectory(kResourceDirectoryIndex).rva).pointerToRawData;
    expectRefusal(patched(treeOffset + 16 + 4, 0x80FFFFF0U, 4), "malformed resource tree");
    expectRefusal(patched(treeOffset + 16 + 4, 0x00000000U, 4), "three levels deep");
}

TEST(EmbedPackageTest, AcceptsTheSameStubWhenResourcesAreLastEvenWithoutRoom)
{
    // Replacing the section in place needs no new section header.
    const Bytes stub = ReadFixture("rsrc_last.exe");
    const PeImage pe = ReadPeImage(stub);
    Bytes crowded = stub;
    crowded[pe.sectionTableOffset + kSectionHeaderSize * pe.sections.size() + 3] = 1;
    EXPECT_EQ(DescribeRefusal(crowded), "(accepted)");
}

TEST(ResourceSectionTest, DirectoriesAreSortedAndDataAligned)
{
    const Bytes one = MakePayload(3, 1);
    const Bytes two = MakePayload(5, 2);
    ResourceDirectory names;
    for (const auto& key :
         {ResourceKey{false, 9, {}}, ResourceKey{true, 0, u"Beta"}, ResourceKey{false, 2, {}},
          ResourceKey{true, 0, u"alpha_"}, ResourceKey{true, 0, u"ALPHAB"},
          ResourceKey{true, 0, u"alpha"}, ResourceKey{true, 0, u"Alpha"}}) {
        ResourceDirectory languages;
        languages.entries.push_back({ResourceKey{false, 0x409, {}}, ResourceData{one, 1252, 0}});
        languages.entries.push_back({ResourceKey{false, 0, {}}, ResourceData{two}});
        names.entries.push_back({key, std::move(languages)});
    }
    ResourceDirectory root;
    root.timeDateStamp = 0x12345678;
    root.entries.push_back({ResourceKey{false, 10, {}}, std::move(names)});

    constexpr std::uint32_t kRva = 0x3000;
    Bytes section;
    BytePieces rest;
    AppendResourceSection(section, rest, root, kRva, 1);
    EXPECT_EQ(rest.Size(), 0U);
    PeImage pe;
    pe.sections.push_back({{},
                           static_cast<std::uint32_t>(section.size()),
                           kRva,
                           static_cast<std::uint32_t>(section.size()),
                           0,
                           0});
    pe.dataDirectories.resize(3);
    pe.dataDirectories[kResourceDirectoryIndex] = {kRva,
                                                   static_cast<std::uint32_t>(section.size())};
    const ResourceDirectory read = ReadResourceTree(pe, section);

    EXPECT_EQ(read.timeDateStamp, 0x12345678U);
    const auto& readNames = std::get<ResourceDirectory>(read.entries.at(0).child);
    std::vector<std::string> order;
    for (const ResourceEntry& entry : readNames.entries) {
        order.push_back(DescribeKey(entry.key));
        const auto& languages = std::get<ResourceDirectory>(entry.child).entries;
        ASSERT_EQ(languages.size(), 2U);
        EXPECT_EQ(languages[0].key.id, 0);
        EXPECT_EQ(ToBytes(std::get<ResourceData>(languages[0].child).bytes), two);
        EXPECT_EQ(std::get<ResourceData>(languages[1].child).codePage, 1252U);
    }
    // Names are compared upper-cased, so '_' sorts after the letters; names equal but for case
    // keep a fixed order.
    EXPECT_EQ(order, (std::vector<std::string>{"'Alpha'", "'alpha'", "'ALPHAB'", "'alpha_'",
                                               "'Beta'", "2", "9"}));
    // The directory headers count named entries apart from id entries.
    EXPECT_EQ(GetU16(section, 12), 0U);
    EXPECT_EQ(GetU16(section, 14), 1U);
    const std::uint32_t namesOffset = GetU32(section, 16 + 4) & 0x7FFFFFFF;
    EXPECT_EQ(GetU16(section, namesOffset + 12), 5U);
    EXPECT_EQ(GetU16(section, namesOffset + 14), 2U);

    for (const ResourceEntry& entry : readNames.entries) {
        for (const ResourceEntry& language : std::get<ResourceDirectory>(entry.child).entries) {
            const auto& data = std::get<ResourceData>(language.child);
            EXPECT_EQ((data.bytes.data() - section.data()) % 8, 0) << "data not aligned to 8 bytes";
        }
    }
}

TEST(FindPackageResourceTest, EveryTruncationIsRefusedWithItsReason)
{
    const Bytes image = EmbedPackage(ReadFixture("rsrc_last.exe"), MakePayload(1000, 4));
    ASSERT_TRUE(FindPackageResource(image).has_value());
    for (std::size_t length = 0; length < image.size(); ++length) {
        EXPECT_THROW(FindPackageResource(std::span(image).first(length)), PeFormatError)
            << "length " << length;
    }
}

TEST(FindPackageResourceTest, FlippedBytesNeverLeadOutsideTheImage)
{
    const Bytes package = MakePayload(1000, 4);
    const Bytes image = EmbedPackage(ReadFixture("rsrc_inner.exe"), package);
    const PeImage pe = ReadPeImage(image);
    const std::size_t treeStart = pe.sections.back().pointerToRawData;
    std::mt19937 random(42);
    int found = 0;
    for (int round = 0; round < 20000; ++round) {
        Bytes damaged = image;
        const int flips = 1 + static_cast<int>(random() % 4);
        for (int i = 0; i < flips; ++i) {
            // Half the flips hit the headers, half the resource tree: the parts that are parsed.
            const std::size_t at = random() % 2 == 0
                                       ? random() % pe.sizeOfHeaders
                                       : treeStart + random() % (image.size() - treeStart);
            damaged[at] ^= static_cast<std::uint8_t>(1 + random() % 255);
        }
        std::optional<std::span<const std::uint8_t>> result;
        try {
            result = FindPackageResource(damaged);
        } catch (const PeFormatError&) {
            continue;  // refused with a reason: nothing was read outside the image
        }
        if (result) {
            ++found;
            ASSERT_GE(result->data(), damaged.data());
            ASSERT_LE(result->data() + result->size(), damaged.data() + damaged.size());
        }
    }
    EXPECT_GT(found, 0) << "no damaged image kept a readable package; the damage is not varied";
}

TEST(FindPackageResourceTest, PrefersTheNeutralLanguageAndIgnoresOtherImages)
{
    const Bytes stub = ReadFixture("rsrc_last.exe");
    const auto old = FindPackageResource(stub);
    ASSERT_TRUE(old.has_value());
    EXPECT_EQ(std::string(old->begin(), old->end()), std::string("old package\0\0", 13));
    EXPECT_FALSE(FindPackageResource(ReadFixture("no_rsrc.exe")).has_value());
    EXPECT_THROW(FindPackageResource(MakePayload(2000, 8)), PeFormatError);
    EXPECT_THROW(FindPackageResource({}), PeFormatError);
}

}  // namespace
}  // namespace quillset
