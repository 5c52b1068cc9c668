// Reads .ico and .bmp files with every offset checked: an icon's directory against its images,
// a bitmap's header against the size its page shows, so that Windows never meets a bad one.
#include "brand_images.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <stdexcept>

#include "pe_bytes.h"

namespace quillset {
namespace {

constexpr std::uint64_t ICON_DIRECTORY_SIZE = 6;
constexpr std::uint64_t ICON_ENTRY_SIZE = 16;
constexpr std::uint32_t INFO_HEADER_SIZE = 40;  // BITMAPINFOHEADER
constexpr std::uint32_t LARGEST_INFO_HEADER = 124;  // BITMAPV5HEADER
constexpr std::uint64_t FILE_HEADER_SIZE = 14;  // BITMAPFILEHEADER
constexpr std::uint32_t BI_RGB = 0;
constexpr std::uint32_t BI_RLE4 = 2;
constexpr std::array<std::uint8_t, 8> PNG_SIGNATURE{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr std::uint64_t PNG_CHUNK_OVERHEAD = 12;  // length, type and CRC-32
constexpr std::uint8_t PNG_LAST_FILTER = 4;  // Paeth

std::string FormatSize(std::uint64_t width, std::uint64_t height)
{
    return std::to_string(width) + " x " + std::to_string(height);
}

std::uint32_t GetU32BigEndian(std::span<const std::uint8_t> bytes, std::uint64_t at)
{
    return std::uint32_t{bytes[at]} << 24 | std::uint32_t{bytes[at + 1]} << 16 |
           std::uint32_t{bytes[at + 2]} << 8 | bytes[at + 3];
}

// Bytes of one row of `width` pixels at `bits` per pixel: rows are padded to 32 bits.
std::uint64_t MeasureRow(std::uint64_t width, std::uint64_t bits)
{
    return (width * bits + 31) / 32 * 4;
}

// The header fields of a DIB that both checks read.
struct DibHeader {
    std::uint32_t size = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint16_t planes = 0;
    std::uint16_t bitCount = 0;
    std::uint32_t compression = 0;
    std::uint32_t colourCount = 0;  // biClrUsed
};

// Callers check that 40 bytes are there.
DibHeader ReadDibHeader(std::span<const std::uint8_t> bytes, std::uint64_t at)
{
    return {GetU32(bytes, at),
            static_cast<std::int32_t>(GetU32(bytes, at + 4)),
            static_cast<std::int32_t>(GetU32(bytes, at + 8)),
            GetU16(bytes, at + 12),
            GetU16(bytes, at + 14),
            GetU32(bytes, at + 16),
            GetU32(bytes, at + 32)};
}

// The largest colour index that rows of `bits`-per-pixel pixels use, `width` of them in each
// of `height` rows of `rowSize` bytes; the caller has checked that the rows are there.
std::uint32_t FindLargestIndex(std::span<const std::uint8_t> pixels, std::uint64_t rowSize, std::uint32_t width,
                               std::uint32_t height, unsigned bits)
{
    std::uint32_t largest = 0;
    const std::uint32_t mask = (1u << bits) - 1;
    for (std::uint64_t y = 0; y < height; ++y) {
        for (std::uint64_t x = 0; x < width; ++x) {
            const std::uint64_t bit = x * bits;
            const unsigned shift = 8 - bits - static_cast<unsigned>(bit % 8);
            largest = std::max(largest, (pixels[y * rowSize + bit / 8] >> shift) & mask);
        }
    }
    return largest;
}

// Pixels that name a colour past the palette's end show whatever follows it, most often black.
void CheckColourIndex(std::uint32_t largest, std::uint64_t colours, const std::string& label)
{
    if (largest >= colours)
        throw std::runtime_error(label + " has pixels of colour " + std::to_string(largest) + ", but its palette " +
                                 "gives only " + std::to_string(colours) + " colours; save it again with its full "
                                 "palette");
}

// The rows of a PNG's filtered pixels, each with its filter byte: those of the image, or of each
// of the seven passes of an interlaced one.
struct PngPass {
    std::uint64_t rowSize;
    std::uint64_t rows;
};
std::vector<PngPass> ListPngPasses(std::uint32_t width, std::uint32_t height, unsigned bits, bool interlaced)
{
    if (!interlaced)
        return {{1 + (std::uint64_t{width} * bits + 7) / 8, height}};
    // Adam7: first column, first row, column step and row step of each pass.
    static constexpr std::array<std::array<std::uint32_t, 4>, 7> PASSES{
        {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4}, {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}}};
    std::vector<PngPass> passes;
    for (const auto& [column, row, columnStep, rowStep] : PASSES) {
        const std::uint64_t passWidth = width > column ? (width - column + columnStep - 1) / columnStep : 0;
        const std::uint64_t passHeight = height > row ? (height - row + rowStep - 1) / rowStep : 0;
        if (passWidth != 0 && passHeight != 0)
            passes.push_back({1 + (passWidth * bits + 7) / 8, passHeight});
    }
    return passes;
}

// Walks a PNG's chunks after its IHDR, each within the image and with its CRC-32, to IEND, and
// inflates its pixels: Windows draws no icon image whose PNG fails to decode.
void CheckPngData(std::span<const std::uint8_t> image, unsigned bits, const std::string& label)
{
    const std::string damaged = label + " is a damaged PNG: ";
    if (image[26] != 0 || image[27] != 0 || image[28] > 1)
        throw std::runtime_error(damaged + "its compression, filter or interlace method is of no kind PNG has");
    std::vector<std::uint8_t> compressed;
    bool hasPalette = false;
    for (std::uint64_t at = PNG_SIGNATURE.size();;) {
        if (!HasBytes(image, at, PNG_CHUNK_OVERHEAD))
            throw std::runtime_error(damaged + "it ends before its IEND chunk");
        const std::uint32_t length = GetU32BigEndian(image, at);
        if (!HasBytes(image, at, PNG_CHUNK_OVERHEAD + length))
            throw std::runtime_error(damaged + "the chunk at byte " + std::to_string(at) + " runs past its end");
        const auto typed = image.subspan(at + 4, 4 + std::uint64_t{length});
        const std::string type(typed.begin(), typed.begin() + 4);
        if (crc32(0, typed.data(), static_cast<uInt>(typed.size())) != GetU32BigEndian(image, at + 8 + length))
            throw std::runtime_error(damaged + "the CRC-32 of its " + type + " chunk at byte " + std::to_string(at) +
                                     " does not match");
        at += PNG_CHUNK_OVERHEAD + length;
        if (type == "IEND")
            break;
        if (type == "IDAT")
            compressed.insert(compressed.end(), typed.begin() + 4, typed.end());
        else if (type == "PLTE")
            hasPalette = true;
        // A decoder stops at a critical chunk it does not know (a capital first letter).
        else if (type != "IHDR" && type[0] >= 'A' && type[0] <= 'Z')
            throw std::runtime_error(damaged + "it has a critical chunk '" + type + "' that decoders do not know");
    }
    if (image[25] == 3 && !hasPalette)
        throw std::runtime_error(damaged + "its colours are a palette, but it has no PLTE chunk");
    const std::vector<PngPass> passes =
        ListPngPasses(GetU32BigEndian(image, 16), GetU32BigEndian(image, 20), bits, image[28] == 1);
    std::uint64_t expected = 0;
    for (const PngPass& pass : passes)
        expected += pass.rowSize * pass.rows;
    // One byte more than the rows need, so that a stream with more in it does not fit.
    std::vector<std::uint8_t> rows(expected + 1);
    uLongf size = static_cast<uLongf>(rows.size());
    if (uncompress(rows.data(), &size, compressed.data(), static_cast<uLong>(compressed.size())) != Z_OK ||
        size != expected)
        throw std::runtime_error(damaged + "its pixel data does not inflate to the " + std::to_string(expected) +
                                 " bytes of its rows");
    std::uint64_t at = 0;
    for (const PngPass& pass : passes) {
        for (std::uint64_t row = 0; row < pass.rows; ++row, at += pass.rowSize) {
            if (rows[at] > PNG_LAST_FILTER)
                throw std::runtime_error(damaged + "a row has the filter type " + std::to_string(rows[at]) +
                                         ", which PNG does not have");
        }
    }
}

bool IsPng(std::span<const std::uint8_t> image)
{
    return image.size() >= PNG_SIGNATURE.size() &&
           std::equal(PNG_SIGNATURE.begin(), PNG_SIGNATURE.end(), image.begin());
}

// The bits per pixel of an icon image, checked against the size that its entry gives.
std::uint16_t CheckIconImage(std::span<const std::uint8_t> image, std::uint32_t width,
                             std::uint32_t height, const std::string& label)
{
    const std::string expected = FormatSize(width, height);
    if (IsPng(image)) {
        // The first chunk is IHDR: width, height, bit depth, colour type.
        if (!HasBytes(image, 8, 8 + 13) || GetU32BigEndian(image, 8) != 13 ||
            !std::equal(image.begin() + 12, image.begin() + 16, "IHDR")) {
            throw std::runtime_error(label + " is a PNG without its IHDR header");
        }
        const std::uint32_t pngWidth = GetU32BigEndian(image, 16);
        const std::uint32_t pngHeight = GetU32BigEndian(image, 20);
        if (pngWidth != width || pngHeight != height) {
            throw std::runtime_error(label + " is a PNG of " + FormatSize(pngWidth, pngHeight) +
                                     " pixels, but the icon's directory says " + expected);
        }
        static constexpr std::array<std::uint8_t, 7> CHANNELS{1, 0, 3, 1, 2, 0, 4};
        const std::uint8_t depth = image[24];
        const std::uint8_t colourType = image[25];
        if (colourType >= CHANNELS.size() || CHANNELS[colourType] == 0) {
            throw std::runtime_error(label + " is a PNG of an unknown colour type");
        }
        // The depths PNG allows: 1 to 16 bits for grey and palette images, 8 or 16 per channel
        // for the others; any other would give the icon group a bit count no image has.
        const bool single = colourType == 0 || colourType == 3;
        const bool allowed = depth == 8 || (depth == 16 && colourType != 3) ||
                             (single && (depth == 1 || depth == 2 || depth == 4));
        if (!allowed) {
            throw std::runtime_error(label + " is a PNG of " + std::to_string(depth) +
                                     " bits per sample, which its colour type does not allow");
        }
        const auto bits = static_cast<std::uint16_t>(depth * CHANNELS[colourType]);
        CheckPngData(image, bits, label);
        return bits;
    }
    if (!HasBytes(image, 0, INFO_HEADER_SIZE) || GetU32(image, 0) < INFO_HEADER_SIZE ||
        GetU32(image, 0) > LARGEST_INFO_HEADER) {
        throw std::runtime_error(label + " is neither a BMP image (a DIB with a BITMAPINFOHEADER) "
                                         "nor a PNG");
    }
    const DibHeader dib = ReadDibHeader(image, 0);
    // An icon's DIB is twice as high as the icon: the colour image, then the AND mask.
    if (dib.width != static_cast<std::int64_t>(width) ||
        dib.height != 2 * static_cast<std::int64_t>(height)) {
        // The fields as stored, signed: a halved odd or negative height would read as a size
        // that matches, or as one near 2^32.
        throw std::runtime_error(label + " is a bitmap " + std::to_string(dib.width) + " wide and " +
                                 std::to_string(dib.height) + " high, but the icon's directory says " +
                                 expected + ", for which the bitmap is " + std::to_string(width) +
                                 " wide and " + std::to_string(2 * static_cast<std::uint64_t>(height)) +
                                 " high (the image above its mask)");
    }
    static constexpr std::array<std::uint16_t, 6> DEPTHS{1, 4, 8, 16, 24, 32};
    if (dib.planes != 1 || std::find(DEPTHS.begin(), DEPTHS.end(), dib.bitCount) == DEPTHS.end() ||
        dib.compression != BI_RGB) {
        throw std::runtime_error(label + " is not an uncompressed bitmap of 1, 4, 8, 16, 24 or "
                                         "32 bits per pixel");
    }
    const std::uint64_t paletteSize = dib.bitCount <= 8 ? std::uint64_t{1} << dib.bitCount : 0;
    const std::uint64_t colours = dib.colourCount != 0 ? dib.colourCount : paletteSize;
    if (colours > paletteSize)
        throw std::runtime_error(label + " gives " + std::to_string(colours) + " colours, but a bitmap of " +
                                 std::to_string(dib.bitCount) + " bits per pixel has " +
                                 (paletteSize != 0 ? "at most " + std::to_string(paletteSize) : "no colour table") +
                                 " in an icon");
    const std::uint64_t row = MeasureRow(width, dib.bitCount);
    const std::uint64_t pixelsAt = dib.size + 4 * colours;
    if (pixelsAt + (row + MeasureRow(width, 1)) * height > image.size()) {
        throw std::runtime_error(label + " has " + std::to_string(image.size()) +
                                 " bytes, too few for its colours, pixels and mask");
    }
    if (colours < paletteSize)
        CheckColourIndex(FindLargestIndex(image.subspan(pixelsAt), row, width, height, dib.bitCount), colours,
                         label);
    return dib.bitCount;
}

// Walks BI_RLE4 data: every run and absolute block must stay inside the bitmap. Returns the
// largest colour index that the data uses.
std::uint32_t CheckRle4(std::span<const std::uint8_t> data, std::uint32_t width, std::uint32_t height,
                        const std::string& label)
{
    const std::string fault = label + " has RLE4 pixel data that runs outside the bitmap";
    std::uint32_t largest = 0;
    std::uint64_t x = 0;
    std::uint64_t y = 0;
    std::size_t at = 0;
    while (at + 2 <= data.size()) {
        const std::uint8_t count = data[at];
        const std::uint8_t code = data[at + 1];
        at += 2;
        if (count != 0 || code >= 3) {
            // A run of `count` pixels in the two colours of `code` by turns, or an absolute
            // block of `code` pixels, two to a byte, padded to 16 bits.
            const std::uint64_t pixels = count != 0 ? count : code;
            if (y >= height || x + pixels > width) {
                throw std::runtime_error(fault);
            }
            x += pixels;
            if (count != 0) {
                largest = std::max({largest, std::uint32_t{code} >> 4, count > 1 ? code & 0xFu : 0u});
                continue;
            }
            const std::size_t packed = (pixels + 1) / 2;
            if (at + packed > data.size()) {
                throw std::runtime_error(fault);
            }
            for (std::size_t i = 0; i < pixels; ++i)
                largest = std::max<std::uint32_t>(largest, (data[at + i / 2] >> (i % 2 ? 0 : 4)) & 0xFu);
            at += (packed + 1) / 2 * 2;
        } else if (code == 0) {
            x = 0;
            ++y;
        } else if (code == 1) {
            return largest;
        } else {
            if (at + 2 > data.size()) {
                throw std::runtime_error(fault);
            }
            x += data[at];
            y += data[at + 1];
            at += 2;
        }
    }
    if (at > data.size()) {
        throw std::runtime_error(fault);
    }
    return largest;
}

void AppendU32(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

}  // namespace

std::vector<IconImage> ParseIconFile(std::span<const std::uint8_t> bytes, const std::string& name)
{
    if (!HasBytes(bytes, 0, ICON_DIRECTORY_SIZE) || GetU16(bytes, 0) != 0 ||
        GetU16(bytes, 2) != 1 || GetU16(bytes, 4) == 0) {
        throw std::runtime_error(name + ": not an icon file (.ico): it does not start with an "
                                        "icon directory");
    }
    const std::uint16_t count = GetU16(bytes, 4);
    const std::uint64_t imagesStart = ICON_DIRECTORY_SIZE + ICON_ENTRY_SIZE * count;
    if (!HasBytes(bytes, 0, imagesStart)) {
        throw std::runtime_error(name + ": the icon's directory of " + std::to_string(count) +
                                 " images runs past the end of the file");
    }
    std::vector<IconImage> images;
    bool has32 = false;
    bool has16 = false;
    // Each image is copied, so images that share the file's bytes would multiply them.
    std::uint64_t imageBytes = 0;
    for (std::uint16_t i = 0; i < count; ++i) {
        const std::uint64_t entry = ICON_DIRECTORY_SIZE + ICON_ENTRY_SIZE * i;
        IconImage image;
        image.width = bytes[entry];
        image.height = bytes[entry + 1];
        image.colourCount = bytes[entry + 2];
        const std::uint32_t width = image.width != 0 ? image.width : 256;
        const std::uint32_t height = image.height != 0 ? image.height : 256;
        const std::uint32_t size = GetU32(bytes, entry + 8);
        const std::uint32_t offset = GetU32(bytes, entry + 12);
        const std::string label = name + ": image " + std::to_string(i + 1) + " of " +
                                  std::to_string(count) + " (" + FormatSize(width, height) + ")";
        if (size == 0 || offset < imagesStart || !HasBytes(bytes, offset, size)) {
            throw std::runtime_error(label + " lies outside the file's images (" +
                                     std::to_string(size) + " bytes at offset " +
                                     std::to_string(offset) + " of a file of " +
                                     std::to_string(bytes.size()) + ")");
        }
        imageBytes += size;
        if (imageBytes > bytes.size() - imagesStart) {
            throw std::runtime_error(label + " overlaps another: the images' sizes add up to more "
                                             "than the file holds after its directory");
        }
        const auto data = bytes.subspan(offset, size);
        image.bitCount = CheckIconImage(data, width, height, label);
        image.bytes.assign(data.begin(), data.end());
        // Windows before Vista draws no PNG image, so the two sizes it uses must be BMPs.
        has32 = has32 || (width == 32 && height == 32 && !IsPng(data));
        has16 = has16 || (width == 16 && height == 16 && !IsPng(data));
        images.push_back(std::move(image));
    }
    if (!has32 || !has16) {
        throw std::runtime_error(name + ": the icon has no " + (has32 ? "16 x 16" : "32 x 32") +
                                 " image in BMP form; Windows shows a 32 x 32 one in Explorer and "
                                 "the task switcher and a 16 x 16 one in the window's caption, "
                                 "and before Vista it draws no PNG, so the icon needs both as "
                                 "BMP images");
    }
    return images;
}

std::vector<std::uint8_t> ParsePageBitmap(std::span<const std::uint8_t> bytes,
                                          const std::string& name, const PageBitmap& page)
{
    const std::string wanted = FormatSize(page.width, page.height);
    const std::string prefix = name + ": " + page.what;
    if (!HasBytes(bytes, 0, FILE_HEADER_SIZE + INFO_HEADER_SIZE) || bytes[0] != 'B' ||
        bytes[1] != 'M' || GetU32(bytes, FILE_HEADER_SIZE) < INFO_HEADER_SIZE ||
        GetU32(bytes, FILE_HEADER_SIZE) > LARGEST_INFO_HEADER) {
        throw std::runtime_error(prefix + " is not a Windows BMP file; it must be a " + wanted +
                                 " BMP, shown " + page.where);
    }
    const DibHeader dib = ReadDibHeader(bytes, FILE_HEADER_SIZE);
    const bool topDown = dib.height < 0;
    const std::int64_t height = topDown ? -std::int64_t{dib.height} : dib.height;
    if (dib.width != static_cast<std::int64_t>(page.width) || height != page.height) {
        throw std::runtime_error(prefix + " is " + std::to_string(dib.width) + " x " +
                                 std::to_string(height) + " pixels; it is shown at " + wanted + " " +
                                 page.where + ", so it must be that size");
    }
    const bool sixteen = dib.bitCount == 4 && (dib.compression == BI_RGB ||
                                               (dib.compression == BI_RLE4 && !topDown));
    const bool trueColour = dib.bitCount == 24 && dib.compression == BI_RGB;
    if (dib.planes == 1 && dib.bitCount == 4 && dib.compression == BI_RLE4 && topDown) {
        throw std::runtime_error(prefix + " is RLE4 compressed with its rows from the top down, which "
                                 "Windows does not read; store it bottom-up, as image editors do by "
                                 "default, or uncompressed");
    }
    if (dib.planes != 1)
        throw std::runtime_error(prefix + " gives " + std::to_string(dib.planes) +
                                 " colour planes, where a bitmap file has 1; it is damaged or of no "
                                 "format Windows reads: save it again as a " + wanted + " .bmp file");
    if (!sixteen && !trueColour) {
        throw std::runtime_error(prefix + " has " + std::to_string(dib.bitCount) +
                                 " bits per pixel" +
                                 (dib.compression != BI_RGB ? " and is compressed" : "") +
                                 "; it must be a " + wanted +
                                 " bitmap in 24-bit colour or in 16 colours (4 bits per "
                                 "pixel, uncompressed or RLE4)");
    }

    const std::uint64_t colours = sixteen ? (dib.colourCount != 0 ? dib.colourCount : 16) : 0;
    const std::uint64_t paletteAt = FILE_HEADER_SIZE + dib.size;
    const std::uint64_t pixelsAt = GetU32(bytes, 10);
    const std::uint64_t row = MeasureRow(page.width, dib.bitCount);
    const std::uint64_t pixelSize =
        dib.compression == BI_RLE4 ? GetU32(bytes, FILE_HEADER_SIZE + 20) : row * page.height;
    if (dib.compression == BI_RLE4 && pixelSize == 0) {
        throw std::runtime_error(prefix + " is RLE4 compressed, but its header does not give the size of "
                                 "its compressed pixels; save it again with an editor that writes it");
    }
    if (colours > 16)
        throw std::runtime_error(prefix + " gives " + std::to_string(colours) +
                                 " colours, but a 16-colour bitmap has at most 16");
    if (pixelsAt < paletteAt + 4 * colours || pixelSize == 0 || !HasBytes(bytes, pixelsAt, pixelSize)) {
        throw std::runtime_error(prefix + " is cut short or its colours and pixels overlap");
    }
    const auto pixels = bytes.subspan(pixelsAt, pixelSize);
    if (dib.compression == BI_RLE4)
        CheckColourIndex(CheckRle4(pixels, page.width, page.height, prefix), colours, prefix);
    else if (sixteen && colours < 16)
        CheckColourIndex(FindLargestIndex(pixels, row, page.width, page.height, 4), colours, prefix);

    // Windows 95 reads only the BITMAPINFOHEADER, and bottom-up rows, in a resource.
    std::vector<std::uint8_t> out;
    AppendU32(out, INFO_HEADER_SIZE);
    AppendU32(out, page.width);
    AppendU32(out, page.height);
    out.insert(out.end(), {1, 0, static_cast<std::uint8_t>(dib.bitCount), 0});
    AppendU32(out, dib.compression);
    AppendU32(out, static_cast<std::uint32_t>(pixelSize));
    out.insert(out.end(), bytes.begin() + FILE_HEADER_SIZE + 24, bytes.begin() + FILE_HEADER_SIZE + 32);
    AppendU32(out, static_cast<std::uint32_t>(colours));
    const std::uint32_t important = GetU32(bytes, FILE_HEADER_SIZE + 36);
    AppendU32(out, important <= colours ? important : 0);  // 0: every colour is important
    out.insert(out.end(), bytes.begin() + static_cast<std::ptrdiff_t>(paletteAt),
               bytes.begin() + static_cast<std::ptrdiff_t>(paletteAt + 4 * colours));
    if (topDown) {
        for (std::uint64_t y = page.height; y-- > 0;) {
            out.insert(out.end(), pixels.begin() + static_cast<std::ptrdiff_t>(y * row),
                       pixels.begin() + static_cast<std::ptrdiff_t>((y + 1) * row));
        }
    } else {
        out.insert(out.end(), pixels.begin(), pixels.end());
    }
    return out;
}

}  // namespace quillset
