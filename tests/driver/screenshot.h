// Saves a part of the screen as a 24-bit .bmp file, for the pictures of the wizard's pages.
#pragma once

#include <windows.h>

#include <string>

// Copies `area` (screen coordinates) of the screen into the .bmp file `path`.
bool SaveScreenArea(const RECT& area, const std::string& path, std::string& error);
