// Checks the vendor's icon and page bitmaps and turns them into what Windows loads: the images
// of an icon group, and packed DIBs for the wizard's Welcome page and header band.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace quillset {

// One image of an icon file, as its RT_ICON resource and its entry in the icon group.
struct IconImage {
    std::uint8_t width = 0;  // as the icon directory says: 0 stands for 256
    std::uint8_t height = 0;
    std::uint8_t colourCount = 0;
    std::uint16_t bitCount = 0;       // of the image itself, whatever the directory says
    std::vector<std::uint8_t> bytes;  // a DIB with its AND mask, or a PNG file
};

// The images of the .ico file `bytes` in the file's order. Throws std::runtime_error starting
// with `name` when it is no icon that Windows can show or lacks a 32 x 32 or a 16 x 16 image.
std::vector<IconImage> ParseIconFile(std::span<const std::uint8_t> bytes, const std::string& name);

// A bitmap of the wizard library and the size at which its pages show it.
struct PageBitmap {
    std::uint16_t id;
    std::uint32_t width;
    std::uint32_t height;
    const char* what;   // "the welcome image"
    const char* where;  // "on the Welcome and Finish pages"
};

// The sizes the dialog templates of wizard/ui/wizard.rc are laid out for (make_bitmaps.py).
inline constexpr PageBitmap WELCOME_BITMAP{103, 164, 314, "the welcome image",
                                           "on the Welcome and Finish pages"};
inline constexpr PageBitmap HEADER_BITMAP{102, 55, 55, "the header image", "in the header band"};

// The BMP file `bytes` as the packed DIB that a bitmap resource holds: a BITMAPINFOHEADER, the
// colours and the pixels bottom-up. It must be `page`'s size in 16 colours (uncompressed or
// RLE4) or 24-bit colour; otherwise throws std::runtime_error starting with `name`.
std::vector<std::uint8_t> ParsePageBitmap(std::span<const std::uint8_t> bytes,
                                          const std::string& name, const PageBitmap& page);

}  // namespace quillset
