// Screen capture with GDI: the screen's device context copied into a bitmap, written as a
// bottom-up 24-bit .bmp file that ImageMagick turns into a PNG.
#include "screenshot.h"

#include <cstdio>
#include <vector>

bool SaveScreenArea(const RECT& area, const std::string& path, std::string& error)
{
    int width = area.right - area.left;
    int height = area.bottom - area.top;
    if (width <= 0 || height <= 0) {
        error = "nothing to capture";
        return false;
    }
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BOOL copied = BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY | CAPTUREBLT);
    SelectObject(memory, previous);

    BITMAPINFOHEADER info = {};
    info.biSize = sizeof(info);
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    int stride = (width * 3 + 3) & ~3;
    std::vector<unsigned char> pixels((size_t)stride * height);
    int lines = copied ? GetDIBits(memory, bitmap, 0, height, pixels.data(),
                                   reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS)
                       : 0;
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    if (lines != height) {
        error = "the screen could not be copied";
        return false;
    }

    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42; // "BM"
    file.bfOffBits = sizeof(file) + sizeof(info);
    file.bfSize = file.bfOffBits + (DWORD)pixels.size();
    info.biSizeImage = (DWORD)pixels.size();
    FILE* output = std::fopen(path.c_str(), "wb");
    if (!output) {
        error = "cannot write " + path;
        return false;
    }
    bool written = std::fwrite(&file, sizeof(file), 1, output) == 1 && std::fwrite(&info, sizeof(info), 1, output) == 1 &&
                   std::fwrite(pixels.data(), pixels.size(), 1, output) == 1;
    written = std::fclose(output) == 0 && written;
    if (!written)
        error = "cannot write " + path;
    return written;
}
