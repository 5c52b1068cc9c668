// Paths handed to the Win32 test programs by CMake are Linux paths; under Wine the root of the
// Linux file system is drive Z:, so /a/b is reached as Z:\a\b.
#pragma once

#include <string>

inline std::string ToWindowsPath(std::string path)
{
    if (!path.empty() && path[0] == '/') {
        path = "Z:" + path;
    }
    for (char& character : path) {
        if (character == '/') {
            character = '\\';
        }
    }
    return path;
}
