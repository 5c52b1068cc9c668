// Saves a part of the screen as a 24-bit .bmp file, for the pictures of the wizard's pages.
// Taken from the screen, not the window, so that a box over the page shows as a user sees it.
#pragma once

#include <windows.h>

#include <string>

#include <vector>

// The pixels of `area` (screen coordinates), bottom-up 24-bit rows as a .bmp file holds them.
struct ScreenPicture {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> pixels;
};

bool CaptureScreenArea(const RECT& area, ScreenPicture& picture, std::string& error);
// Writes the picture as the .bmp file `path`.
bool SavePicture(const ScreenPicture& picture, const std::string& path, std::string& error);
