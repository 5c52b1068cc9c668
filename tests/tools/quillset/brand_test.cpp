// Tests of the vendor's brand: icon and page bitmap checks, the version record against the one
// windres wrote, icon ids in a stub's tree, and refusals of the manifest's brand keys.
#include <gtest/gtest.h>
#include <zlib.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <set>

#include "brand.h"
#include "brand_images.h"
#include "manifest.h"
#include "pe_bytes.h"
#include "pe_image.h"
#include "pe_resource_tree.h"
#include "test_support.h"
#include "version_record.h"

namespace quillset {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using test::ReadBytes;

void Append(Bytes& out, std::uint64_t value, int width)
{
    for (int i = 0; i < width; ++i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// A BITMAPINFOHEADER; `height` as stored (twice the icon's for an icon image).
Bytes MakeDibHeader(std::int32_t width, std::int32_t height, std::uint16_t bits, std::uint32_t compression = 0)
{
    Bytes out;
    Append(out, 40, 4);
    Append(out, static_cast<std::uint32_t>(width), 4);
    Append(out, static_cast<std::uint32_t>(height), 4);
    Append(out, 1, 2);
    Append(out, bits, 2);
    Append(out, compression, 4);
    out.resize(40);
    return out;
}

// An icon image of `size` pixels at 32 bits per pixel, colour and AND mask.
Bytes MakeIconDib(std::int32_t size, std::int32_t claimed)
{
    Bytes out = MakeDibHeader(claimed, 2 * claimed, 32);
    out.resize(out.size() + 4 * size * size + (size + 31) / 32 * 4 * size);
    return out;
}

void AppendChunk(Bytes& out, std::string_view type, const Bytes& data)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(data.size() >> shift));
    Bytes typed(type.begin(), type.end());
    typed.insert(typed.end(), data.begin(), data.end());
    out.insert(out.end(), typed.begin(), typed.end());
    const uLong crc = crc32(0, typed.data(), static_cast<uInt>(typed.size()));
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(crc >> shift));
}

// A whole PNG of `size` x `size` RGBA pixels at 8 bits per sample: IHDR, IDAT with `rows` (its
// filtered rows, each with its filter byte; all zero by default) deflated, IEND.
Bytes MakePng(std::uint32_t size, bool interlaced = false, Bytes rows = {})
{
    Bytes out{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes header;
    for (const std::uint32_t value : {size, size})
        for (int shift = 24; shift >= 0; shift -= 8)
            header.push_back(static_cast<std::uint8_t>(value >> shift));
    header.insert(header.end(), {8, 6, 0, 0, static_cast<std::uint8_t>(interlaced)});
    AppendChunk(out, "IHDR", header);
    if (rows.empty())
        rows.resize(size * (1 + 4 * size));
    Bytes compressed(compressBound(rows.size()));
    uLongf compressedSize = compressed.size();
    EXPECT_EQ(compress2(compressed.data(), &compressedSize, rows.data(), rows.size(), 9), Z_OK);
    compressed.resize(compressedSize);
    AppendChunk(out, "IDAT", compressed);
    AppendChunk(out, "IEND", {});
    return out;
}

struct IconPart {
    std::uint8_t size;
    Bytes image;
};

Bytes MakeIcon(const std::vector<IconPart>& parts)
{
    Bytes out;
    Append(out, 0, 2);
    Append(out, 1, 2);
    Append(out, parts.size(), 2);
    std::uint64_t offset = 6 + 16 * parts.size();
    for (const IconPart& part : parts) {
        out.insert(out.end(), {part.size, part.size, 0, 0});
        Append(out, 0, 4);  // planes and bit count left 0, as many icon writers do
        Append(out, part.image.size(), 4);
        Append(out, offset, 4);
        offset += part.image.size();
    }
    for (const IconPart& part : parts)
        out.insert(out.end(), part.image.begin(), part.image.end());
    return out;
}

// A BMP file: its info header (any size), colours and pixels.
Bytes MakeBmp(const Bytes& info, const Bytes& colours, const Bytes& pixels)
{
    Bytes out{'B', 'M'};
    const std::uint64_t offset = 14 + info.size() + colours.size();
    Append(out, offset + pixels.size(), 4);
    Append(out, 0, 4);
    Append(out, offset, 4);
    for (const Bytes* part : {&info, &colours, &pixels})
        out.insert(out.end(), part->begin(), part->end());
    return out;
}

std::string DescribeRefusal(const std::function<void()>& action)
{
    try {
        action();
    } catch (const std::runtime_error& error) {
        return error.what();
    }
    return "(accepted)";
}

void ExpectRefusal(const std::function<void()>& action, const std::string& part)
{
    const std::string message = DescribeRefusal(action);
    EXPECT_NE(message.find(part), std::string::npos) << "expected '" << part << "', got: " << message;
}

TEST(BrandImages, IconsAreCheckedAndKeepEverySize)
{
    const auto parse = [](const Bytes& icon) { return [icon] { ParseIconFile(icon, "app.ico"); }; };
    const Bytes good = MakeIcon({{48, MakePng(48)}, {32, MakeIconDib(32, 32)}, {16, MakeIconDib(16, 16)}});
    const std::vector<IconImage> images = ParseIconFile(good, "app.ico");
    ASSERT_EQ(images.size(), 3u);
    EXPECT_EQ(images[0].bitCount, 32) << "from the PNG's header, not the directory's 0";
    EXPECT_EQ(images[2].width, 16);
    EXPECT_EQ(images[2].bytes, MakeIconDib(16, 16));

    ExpectRefusal(parse(test::MakeNoise(100, 3)), "app.ico: not an icon file");
    Bytes cut = good;
    cut.resize(30);
    ExpectRefusal(parse(cut), "directory of 3 images runs past the end of the file");
    Bytes outside = good;
    PutU32(outside, 6 + 16 + 12, static_cast<std::uint32_t>(good.size()) - 10);
    ExpectRefusal(parse(outside), "image 2 of 3 (32 x 32) lies outside the file's images");
    ExpectRefusal(parse(MakeIcon({{32, MakeIconDib(48, 48)}, {16, MakeIconDib(16, 16)}})),
                  "is a bitmap 48 wide and 96 high, but the icon's directory says 32 x 32, for which the "
                  "bitmap is 32 wide and 64 high");
    // Neither an odd height, which halves to the right one, nor a negative width is a size that fits.
    Bytes odd = MakeIconDib(32, 32);
    PutU32(odd, 8, 65);
    ExpectRefusal(parse(MakeIcon({{32, odd}, {16, MakeIconDib(16, 16)}})), "is a bitmap 32 wide and 65 high");
    Bytes negative = MakeIconDib(32, 32);
    PutU32(negative, 4, static_cast<std::uint32_t>(-32));
    ExpectRefusal(parse(MakeIcon({{32, negative}, {16, MakeIconDib(16, 16)}})), "is a bitmap -32 wide and 64 high");
    ExpectRefusal(parse(MakeIcon({{32, MakeIconDib(32, 32)}, {16, MakePng(24)}})),
                  "is a PNG of 24 x 24 pixels, but the icon's directory says 16 x 16");
    Bytes deep = MakePng(48);
    deep[24] = 255;  // bits per sample, of an RGBA image
    ExpectRefusal(parse(MakeIcon({{48, deep}, {32, MakeIconDib(32, 32)}, {16, MakeIconDib(16, 16)}})),
                  "is a PNG of 255 bits per sample, which its colour type does not allow");
    Bytes shortImage = MakeIconDib(16, 16);
    shortImage.resize(shortImage.size() - 4);
    ExpectRefusal(parse(MakeIcon({{32, MakeIconDib(32, 32)}, {16, shortImage}})), "too few for its colours");
    ExpectRefusal(parse(MakeIcon({{32, MakeIconDib(32, 32)}, {48, MakeIconDib(48, 48)}})),
                  "the icon has no 16 x 16 image in BMP form");
    ExpectRefusal(parse(MakeIcon({{32, MakeIconDib(32, 32)}, {16, MakePng(16)}})),
                  "the icon has no 16 x 16 image in BMP form");
    ExpectRefusal(parse(MakeIcon({{16, MakeIconDib(16, 16)}})), "the icon has no 32 x 32 image");

    // Two entries for the same bytes: each image is copied, so entries that share a large
    // image would take memory many times the file's size.
    const Bytes large = MakeIconDib(32, 32);
    const std::uint32_t imagesStart = 6 + 16 * 3;
    Bytes shared = MakeIcon({{32, large}, {32, large}, {16, MakeIconDib(16, 16)}});
    shared.erase(shared.begin() + imagesStart, shared.begin() + imagesStart + large.size());
    PutU32(shared, 6 + 16 + 12, imagesStart);
    PutU32(shared, 6 + 32 + 12, imagesStart + static_cast<std::uint32_t>(large.size()));
    ExpectRefusal(parse(shared), "image 2 of 3 (32 x 32) overlaps another");
}

// Windows draws no icon image whose PNG does not decode: each chunk is checked to IEND, and
// the pixels must inflate to exactly the rows of the image or of its seven interlaced passes.
TEST(BrandImages, AnIconsPngImageMustDecode)
{
    const auto parse = [](const Bytes& png) {
        return [png] { ParseIconFile(MakeIcon({{20, png}, {32, MakeIconDib(32, 32)}, {16, MakeIconDib(16, 16)}}), "a.ico"); };
    };
    const Bytes plain = MakePng(20);
    EXPECT_EQ(DescribeRefusal(parse(plain)), "(accepted)");
    // The passes of 20 x 20 pixels: columns by rows, each row 4 bytes a pixel and a filter byte.
    Bytes passes;
    for (const auto& [columns, rows] : {std::pair{3, 3}, {2, 3}, {5, 2}, {5, 5}, {10, 5}, {10, 10}, {20, 10}})
        passes.resize(passes.size() + rows * (1 + 4 * columns));
    EXPECT_EQ(DescribeRefusal(parse(MakePng(20, true, passes))), "(accepted)");
    ExpectRefusal(parse(MakePng(20, true)), "a.ico: image 1 of 3 (20 x 20) is a damaged PNG: its pixel data does "
                                            "not inflate to the " + std::to_string(passes.size()) + " bytes of its rows");
    ExpectRefusal(parse(MakePng(20, false, Bytes(100))), "does not inflate to the 1620 bytes of its rows");

    Bytes cut = plain;
    cut.resize(60);
    ExpectRefusal(parse(cut), "is a damaged PNG: the chunk at byte 33 runs past its end");
    cut.resize(33);
    ExpectRefusal(parse(cut), "is a damaged PNG: it ends before its IEND chunk");
    Bytes flipped = plain;
    flipped[45] ^= 0xFF;
    ExpectRefusal(parse(flipped), "is a damaged PNG: the CRC-32 of its IDAT chunk at byte 33 does not match");
    Bytes filter(1620);
    filter[81] = 5;  // the second row's
    ExpectRefusal(parse(MakePng(20, false, filter)), "a row has the filter type 5, which PNG does not have");
}

// Pixels that name a colour past a palette shorter than their depth allows show black on
// Windows: each index is checked, in icon images, page bitmaps and RLE4 runs alike.
TEST(BrandImages, PixelsMayUseOnlyTheColoursOfTheirPalette)
{
    const auto iconOf = [](std::uint16_t bits, std::uint32_t colours, std::uint8_t pixel) {
        Bytes image = MakeDibHeader(32, 64, bits);
        PutU32(image, 32, colours);
        image.resize(40 + 4 * std::min<std::uint32_t>(colours, 256));
        image.resize(image.size() + 32 * bits / 8 * 32, 0);
        image[image.size() - 1] = pixel;  // the last pixels of the top row
        image.resize(image.size() + 4 * 32);
        return [image] { ParseIconFile(MakeIcon({{32, image}, {16, MakeIconDib(16, 16)}}), "a.ico"); };
    };
    EXPECT_EQ(DescribeRefusal(iconOf(4, 2, 0x10)), "(accepted)");
    ExpectRefusal(iconOf(4, 2, 0x05), "a.ico: image 1 of 2 (32 x 32) has pixels of colour 5, but its palette gives "
                                      "only 2 colours");
    ExpectRefusal(iconOf(8, 2, 0x02), "has pixels of colour 2, but its palette gives only 2 colours");
    ExpectRefusal(iconOf(8, 300, 0), "gives 300 colours, but a bitmap of 8 bits per pixel has at most 256");

    const auto pageOf = [](std::uint32_t compression, std::uint32_t colours, const Bytes& pixels) {
        Bytes header = MakeDibHeader(164, 314, 4, compression);
        PutU32(header, 32, colours);
        if (compression != 0)
            PutU32(header, 20, static_cast<std::uint32_t>(pixels.size()));
        const Bytes bmp = MakeBmp(header, Bytes(4 * colours), pixels);
        return [bmp] { ParsePageBitmap(bmp, "w.bmp", WELCOME_BITMAP); };
    };
    Bytes rows(84 * 314, 0x10);
    EXPECT_EQ(DescribeRefusal(pageOf(0, 2, rows)), "(accepted)");
    rows[84 * 200 + 82] = 0x77;  // past the image's 164 pixels (82 bytes) a row holds padding
    rows[84 * 200 + 83] = 0x77;
    EXPECT_EQ(DescribeRefusal(pageOf(0, 2, rows)), "(accepted)");
    rows[84 * 200 + 81] = 0x13;  // the row's last pixel
    ExpectRefusal(pageOf(0, 2, rows), "w.bmp: the welcome image has pixels of colour 3, but its palette gives only 2");
    ExpectRefusal(pageOf(0, 17, rows), "w.bmp: the welcome image gives 17 colours, but a 16-colour bitmap has at most 16");
    // Runs: one pixel shows only the first colour of the two; absolute blocks end mid-byte.
    EXPECT_EQ(DescribeRefusal(pageOf(2, 2, {1, 0x15, 0, 3, 0x10, 0x1F, 0, 1})), "(accepted)");
    ExpectRefusal(pageOf(2, 2, {4, 0x15, 0, 1}), "has pixels of colour 5");
    ExpectRefusal(pageOf(2, 2, {0, 3, 0x10, 0x50, 0, 1}), "has pixels of colour 5");
}

TEST(BrandImages, PageBitmapsMustHaveTheirPagesSizeAndDepth)
{
    const auto parse = [](const Bytes& bmp) { return [bmp] { ParsePageBitmap(bmp, "w.bmp", WELCOME_BITMAP); }; };
    const std::uint32_t row = 164 * 3 + 0;  // 492 bytes, already a multiple of 4
    Bytes pixels(row * 314);
    for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<std::uint8_t>(i / row);  // each row its own value

    // Top-down with a BITMAPV5HEADER, as image editors save it: stored bottom-up with a
    // BITMAPINFOHEADER, the rows in reverse.
    Bytes v5 = MakeDibHeader(164, -314, 24);
    PutU32(v5, 0, 124);
    v5.resize(124);
    const Bytes dib = ParsePageBitmap(MakeBmp(v5, {}, pixels), "w.bmp", WELCOME_BITMAP);
    ASSERT_EQ(dib.size(), 40 + pixels.size());
    EXPECT_EQ(GetU32(dib, 0), 40u);
    EXPECT_EQ(GetU32(dib, 8), 314u);
    EXPECT_EQ(dib[40], pixels[313 * row]);
    EXPECT_EQ(dib.back(), pixels[0]);

    // The wizard's own 16-colour bitmaps, RLE4, are taken as they are.
    for (const auto& [file, page] : {std::pair{"side.bmp", WELCOME_BITMAP}, std::pair{"header.bmp", HEADER_BITMAP}}) {
        const Bytes own = ReadBytes(fs::path(WIZARD_BITMAP_DIR) / file);
        EXPECT_EQ(ParsePageBitmap(own, file, page), Bytes(own.begin() + 14, own.end())) << file;
    }

    ExpectRefusal(parse(MakeBmp(MakeDibHeader(164, 300, 24), {}, pixels)),
                  "w.bmp: the welcome image is 164 x 300 pixels; it is shown at 164 x 314 on the Welcome "
                  "and Finish pages, so it must be that size");
    ExpectRefusal([&] { ParsePageBitmap(MakeBmp(MakeDibHeader(164, 314, 24), {}, pixels), "h.bmp", HEADER_BITMAP); },
                  "h.bmp: the header image is 164 x 314 pixels; it is shown at 55 x 55 in the header band");
    ExpectRefusal(parse(MakeBmp(MakeDibHeader(164, 314, 8), Bytes(1024), pixels)),
                  "has 8 bits per pixel; it must be a 164 x 314 bitmap in 24-bit colour or in 16 colours");
    ExpectRefusal(parse(MakeBmp(MakeDibHeader(164, 314, 32, 3), {}, pixels)), "32 bits per pixel and is compressed");
    Bytes twoPlanes = MakeDibHeader(164, 314, 24);
    twoPlanes[12] = 2;
    ExpectRefusal(parse(MakeBmp(twoPlanes, {}, pixels)),
                  "w.bmp: the welcome image gives 2 colour planes, where a bitmap file has 1");
    ExpectRefusal(parse(MakeBmp(MakeDibHeader(164, 314, 24), {}, Bytes(pixels.begin(), pixels.end() - 1))),
                  "is cut short");
    // An RLE4 run of 200 pixels in a row of 164.
    Bytes rle = MakeDibHeader(164, 314, 4, 2);
    PutU32(rle, 20, 4);
    ExpectRefusal(parse(MakeBmp(rle, Bytes(64), {200, 0x11, 0, 1})), "RLE4 pixel data that runs outside");
    // RLE4 from the top down, which Windows does not read, and RLE4 without its size.
    Bytes topDownRle = MakeDibHeader(164, -314, 4, 2);
    PutU32(topDownRle, 20, 4);
    ExpectRefusal(parse(MakeBmp(topDownRle, Bytes(64), {0, 1, 0, 1})),
                  "w.bmp: the welcome image is RLE4 compressed with its rows from the top down");
    ExpectRefusal(parse(MakeBmp(MakeDibHeader(164, 314, 4, 2), Bytes(64), {0, 1, 0, 1})),
                  "its header does not give the size of its compressed pixels");
    ExpectRefusal(parse(Bytes{'B', 'M', 0}), "not a Windows BMP file; it must be a 164 x 314 BMP");
}

std::span<const std::uint8_t> FindResource(ResourceDirectory& tree, std::uint16_t type, std::uint16_t name)
{
    for (ResourceEntry& typeEntry : tree.entries) {
        if (typeEntry.key.isNamed || typeEntry.key.id != type)
            continue;
        for (ResourceEntry& nameEntry : std::get<ResourceDirectory>(typeEntry.child).entries) {
            if (!nameEntry.key.isNamed && nameEntry.key.id == name)
                return std::get<ResourceData>(std::get<ResourceDirectory>(nameEntry.child).entries.at(0).child).bytes;
        }
    }
    throw std::runtime_error("no resource " + std::to_string(type) + "/" + std::to_string(name));
}

TEST(VersionRecord, WindresRecordIsWrittenAgainByteForByteAndTakesTheVendorsValues)
{
    const Bytes stub = ReadBytes(fs::path(PE_FIXTURE_DIR) / "rsrc_last.exe");
    ResourceDirectory tree = ReadResourceTree(ReadPeImage(stub), stub);
    const auto original = FindResource(tree, kResourceTypeVersion, 1);
    VersionRecord record = ReadVersionRecord(original);
    EXPECT_EQ(WriteVersionRecord(record), Bytes(original.begin(), original.end()));
    EXPECT_EQ(record.tableKey, u"040904B0");

    SetVersionString(record, u"FileVersion", u"2.1.0.7");
    SetVersionString(record, u"CompanyName", u"Vistrel S\u00F6ftware \U0001F58B");
    SetVersionNumbers(record, {2, 1, 0, 7});
    const VersionRecord again = ReadVersionRecord(WriteVersionRecord(record));
    EXPECT_EQ(again.strings, (std::vector<std::pair<std::u16string, std::u16string>>{
                                 {u"ProductName", u"Resource probe"},
                                 {u"FileVersion", u"2.1.0.7"},
                                 {u"CompanyName", u"Vistrel S\u00F6ftware \U0001F58B"}}));
    EXPECT_EQ(again.fixed[2], 0x00020001u);
    EXPECT_EQ(again.fixed[5], 0x00000007u);
    EXPECT_EQ(again.translation, record.translation);
    EXPECT_EQ(ConvertToUtf16("S\xC3\xB6 \xF0\x9F\x96\x8B"), u"S\u00F6 \U0001F58B");

    Bytes damaged(original.begin(), original.end());
    PutU16(damaged, 0, static_cast<std::uint16_t>(damaged.size() + 8));
    EXPECT_THROW(ReadVersionRecord(damaged), std::runtime_error);
}

TEST(StubBrand, IconGroupTakesFreshIdsAndDropsOnlyItsOwnImages)
{
    const Bytes stub = ReadBytes(fs::path(PE_FIXTURE_DIR) / "rsrc_last.exe");
    ResourceDirectory tree = ReadResourceTree(ReadPeImage(stub), stub);
    // Another group shows the old image 2, and an icon 3 belongs to no group: both stay.
    const Bytes otherGroup = [&] {
        const auto old = FindResource(tree, kResourceTypeGroupIcon, 104);
        Bytes group(old.begin(), old.begin() + 6 + 14);
        PutU16(group, 4, 1);
        PutU16(group, 6 + 12, 2);
        return group;
    }();
    for (auto& type : tree.entries) {
        if (type.key.id == kResourceTypeGroupIcon || type.key.id == kResourceTypeIcon) {
            const bool group = type.key.id == kResourceTypeGroupIcon;
            ResourceDirectory languages;
            languages.entries.push_back({ResourceKey{false, 0, {}}, MakeOwnedResource(group ? otherGroup : Bytes{1, 2, 3})});
            std::get<ResourceDirectory>(type.child).entries.push_back({ResourceKey{false, std::uint16_t(group ? 105 : 3), {}}, languages});
        }
    }

    StubBrand brand;
    brand.icon = ParseIconFile(MakeIcon({{32, MakeIconDib(32, 32)}, {16, MakeIconDib(16, 16)}, {48, MakePng(48)}}), "a.ico");
    ApplyStubBrand(tree, brand);

    std::set<std::uint16_t> icons;
    for (const auto& type : tree.entries) {
        if (type.key.id == kResourceTypeIcon)
            for (const auto& name : std::get<ResourceDirectory>(type.child).entries)
                icons.insert(name.key.id);
    }
    EXPECT_EQ(icons, (std::set<std::uint16_t>{1, 2, 3, 4, 5}));
    const auto group = FindResource(tree, kResourceTypeGroupIcon, 104);
    ASSERT_EQ(group.size(), 6u + 3 * 14);
    std::vector<std::uint16_t> ids;
    for (int i = 0; i < 3; ++i)
        ids.push_back(GetU16(group, 6 + 14 * i + 12));
    EXPECT_EQ(ids, (std::vector<std::uint16_t>{1, 4, 5}));
    EXPECT_EQ(GetU16(group, 6 + 14 + 6), 32) << "the bit count of the image itself";
    EXPECT_EQ(GetU32(group, 6 + 14 * 2 + 8), MakePng(48).size());
    const auto bytesOf = [&](std::uint16_t id) {
        const auto span = FindResource(tree, kResourceTypeIcon, id);
        return Bytes(span.begin(), span.end());
    };
    EXPECT_EQ(bytesOf(4), MakeIconDib(16, 16));
    EXPECT_EQ(bytesOf(3), (Bytes{1, 2, 3}));
}

TEST(BrandManifest, AVersionTableThatLeavesKeysOutWarnsThatQuillsetsTextsStay)
{
    test::TemporaryFolder folder;
    const std::string some = "[version]\nproduct_name = 'Vistrel'\ncompany = 'Vistrel Ltd'\n";
    const Manifest partial = ReadManifest(test::WriteSampleProject(folder.GetPath(), some));
    ASSERT_EQ(partial.warnings.size(), 1u);
    EXPECT_NE(partial.warnings[0].find(":9: [version] leaves out product_version, description, copyright: "
                                       "Setup.exe's version record keeps Quillset's own values there"),
              std::string::npos)
        << partial.warnings[0];
    const std::string all = some + "product_version = '2.1'\ndescription = 'Vistrel Setup'\ncopyright = '(C) V'\n";
    EXPECT_TRUE(ReadManifest(test::WriteSampleProject(folder.GetPath(), all)).warnings.empty());
}

struct BadBrand {
    const char* extra;  // appended after [files] (line 9 is its first line)
    int line;
    const char* message;
};

class BrandManifestErrors : public testing::TestWithParam<BadBrand> { };

TEST_P(BrandManifestErrors, NameFileLineAndFault)
{
    test::TemporaryFolder folder;
    const auto file = test::WriteSampleProject(folder.GetPath(), GetParam().extra);
    const std::string message = DescribeRefusal([&] { ReadManifest(file); });
    EXPECT_EQ(message.rfind(file.string() + ":" + std::to_string(GetParam().line) + ": ", 0), 0u) << message;
    EXPECT_NE(message.find(GetParam().message), std::string::npos) << message;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BrandManifestErrors,
    testing::Values(
        BadBrand{"[version]\nproduct_version = '2.1 beta'\n", 10,
                 "write it as one to four numbers from 0 to 65535 separated by dots"},
        BadBrand{"[version]\nproduct_version = '2.70000'\n", 10, "one to four numbers"},
        BadBrand{"[version]\ncompany = ' '\n", 10, "'company' in [version] is blank"},
        BadBrand{"[version]\nproduct_name = \"\\t\\u00A0\\u3000\"\n", 10, "'product_name' in [version] is blank"},
        BadBrand{"[version]\ncopyright = \"a\\u0000b\"\n", 10, "cannot contain a NUL"},
        BadBrand{"[version]\nname = 'x'\n", 10, "unknown key 'name' in [version]"},
        BadBrand{"[wizard]\nwelcome_image = 'none.bmp'\n", 10, "'welcome_image': no file"}));

}  // namespace
}  // namespace quillset
