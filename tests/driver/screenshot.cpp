// Screen capture with GDI: the screen's device context copied into a bitmap, written as a
// bottom-up 24-bit .bmp file that ImageMagick turns into a PNG.
#include "screenshot.h"

#include <cstdio>

namespace {

BITMAPINFOHEADER DescribePicture(const ScreenPicture& picture)
{
    BITMAPINFOHEADER info = {};
    info.biSize = sizeof(info);
    info.biWidth = picture.width;
    info.biHeight = picture.height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    return info;
}

} // namespace

bool CaptureScreenArea(const RECT& area, ScreenPicture& picture, std::string& error)
{
    picture.width = area.right - area.left;
    picture.height = area.bottom - area.top;
    if (picture.width <= 0 || picture.height <= 0) {
        error = "nothing to capture";
        return false;
    }
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, picture.width, picture.height);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BOOL copied = BitBlt(memory, 0, 0, picture.width, picture.height, screen, area.left, area.top,
                         SRCCOPY | CAPTUREBLT);
    SelectObject(memory, previous);

    BITMAPINFOHEADER info = DescribePicture(picture);
    int stride = (picture.width * 3 + 3) & ~3;
    picture.pixels.assign((size_t)stride * picture.height, 0);
    int lines = copied ? GetDIBits(memory, bitmap, 0, picture.height, picture.pixels.data(),
                                   reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS)
                       : 0;
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    if (lines != picture.height) {
        error = "the screen could not be copied";
        return false;
    }
    return true;
}

bool SavePicture(const ScreenPicture& picture, const std::string& path, std::string& error)
{
    BITMAPINFOHEADER info = DescribePicture(picture);
    info.biSizeImage = (DWORD)picture.pixels.size();
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42; // "BM"
    file.bfOffBits = sizeof(file) + sizeof(info);
    file.bfSize = file.bfOffBits + (DWORD)picture.pixels.size();
    FILE* output = std::fopen(path.c_str(), "wb");
    if (!output) {
        error = "cannot write " + path;
        return false;
    }
    bool written = std::fwrite(&file, sizeof(file), 1, output) == 1 && std::fwrite(&info, sizeof(info), 1, output) == 1 &&
                   std::fwrite(picture.pixels.data(), picture.pixels.size(), 1, output) == 1;
    written = std::fclose(output) == 0 && written;
    if (!written)
        error = "cannot write " + path;
    return written;
}
