// The setup package that the launcher carries as its resource, found by the launcher and by the
// wizard library, which is handed only its address.
#pragma once

#include <windows.h>

// The package in the resources of `launcher`, or null when it has none; in `size` its size in
// bytes, 0 when the resource's size would take it past the launcher's image.
const unsigned char* FindSetupPackage(HMODULE launcher, DWORD* size);
