// Tests of the zero-tail helper on a fixture whose .data ends in 6,000 zero bytes and is
// followed by other sections: what the loader maps must stay the same, byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "file_io.h"
#include "pe_bytes.h"
#include "pe_image.h"
#include "pe_zero_tail.h"

namespace quillset {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes ReadZeroTailFixture()
{
    return ReadWholeFile(std::filesystem::path(PE_FIXTURE_DIR) / "zero_tail.exe", 1 << 20);
}

// The section's memory as the loader fills it: its raw data, then zeros up to its virtual size.
Bytes MapSection(std::span<const std::uint8_t> image, const PeSection& section)
{
    const std::uint32_t size = std::max(section.virtualSize, section.sizeOfRawData);
    Bytes memory(size, 0);
    const std::uint32_t copied = std::min(section.sizeOfRawData, size);
    std::copy_n(image.begin() + section.pointerToRawData, copied, memory.begin());
    if (section.virtualSize != 0) {
        memory.resize(section.virtualSize);
    }
    return memory;
}

std::string DescribeRefusal(std::span<const std::uint8_t> image, std::string_view section)
{
    try {
        DropSectionZeroTail(image, section);
    } catch (const PeFormatError& error) {
        return error.what();
    }
    return "(accepted)";
}

TEST(DropSectionZeroTailTest, LeavesTheLoadedImageAsItWasFromASmallerFile)
{
    const Bytes original = ReadZeroTailFixture();
    const Bytes trimmed = DropSectionZeroTail(original, ".data");
    const PeImage before = ReadPeImage(original);
    const PeImage after = ReadPeImage(trimmed);

    // The 6,000 zeros go, down to the file alignment.
    EXPECT_GE(original.size() - trimmed.size(), 5120U);
    EXPECT_EQ((original.size() - trimmed.size()) % before.fileAlignment, 0U);
    ASSERT_EQ(before.sections.size(), after.sections.size());
    for (std::size_t i = 0; i < before.sections.size(); ++i) {
        const PeSection& old = before.sections[i];
        const PeSection& now = after.sections[i];
        const std::string name(old.name.begin(), std::find(old.name.begin(), old.name.end(), '\0'));
        EXPECT_EQ(old.virtualAddress, now.virtualAddress) << name;
        EXPECT_EQ(now.pointerToRawData % after.fileAlignment, 0U) << name;
        EXPECT_EQ(MapSection(original, old), MapSection(trimmed, now)) << name;
        if (name == ".data") {
            EXPECT_LT(now.sizeOfRawData, old.sizeOfRawData);
        } else {
            EXPECT_EQ(old.sizeOfRawData, now.sizeOfRawData) << name;
        }
    }
    EXPECT_EQ(FindEndOfSections(after), trimmed.size());
    const std::uint64_t checksum = after.optionalHeaderOffset + kOptCheckSum;
    EXPECT_EQ(GetU32(trimmed, checksum), ComputePeChecksum(trimmed, checksum));

    // A second pass, or a section that ends in code, finds nothing to drop.
    EXPECT_EQ(DropSectionZeroTail(trimmed, ".data"), trimmed);
    EXPECT_EQ(DropSectionZeroTail(original, ".text"), original);
}

TEST(DropSectionZeroTailTest, RefusesWhatItCannotMoveSafely)
{
    const Bytes original = ReadZeroTailFixture();
    const PeImage pe = ReadPeImage(original);
    EXPECT_NE(DescribeRefusal(original, ".nothere").find("no section .nothere"), std::string::npos);

    // A certificate table is found by its file offset, which the move would leave pointing
    // into the wrong bytes.
    Bytes signedImage = original;
    PutU32(signedImage, pe.dataDirectoryOffset + 8ULL * kCertificateDirectoryIndex,
           static_cast<std::uint32_t>(signedImage.size()));
    EXPECT_NE(DescribeRefusal(signedImage, ".data").find("file offsets"), std::string::npos);

    Bytes mappedAsIs = original;
    PutU32(mappedAsIs, pe.optionalHeaderOffset + kOptSectionAlignment, 512);
    EXPECT_NE(DescribeRefusal(mappedAsIs, ".data").find("below a page"), std::string::npos);

    Bytes withSymbols = original;
    PutU32(withSymbols, pe.fileHeaderOffset + 8, static_cast<std::uint32_t>(withSymbols.size()));
    EXPECT_NE(DescribeRefusal(withSymbols, ".data").find("file offsets"), std::string::npos);
}

}  // namespace
}  // namespace quillset
