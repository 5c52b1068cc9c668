// The folder picker's tree in another process: reading item texts and choosing an item, as a
// person would by opening folders and clicking one.
#pragma once

#include <windows.h>

#include <string>

// Selects the item reached by `path` ("C:" or "C:|Apps": item texts from the top, opening each
// level on the way). Empty on success, otherwise what the tree holds instead.
std::string SelectTreePath(HANDLE process, HWND tree, const std::string& path);
