// Reading a text value of a registry key, checked for its type and its ending NUL: the
// wizard and the uninstaller read the product keys' folder and program values this way.
#pragma once

#include <windows.h>

// The registry root of a registry record's root code in the uninstall log.
HKEY GetLogRootKey(int logRoot);

// Reads the REG_SZ value `name` (null: the key's default value) of `keyPath` below `root` into
// `text` of `size` bytes: 1 when read, 0 when the key or the value is missing, -1 when the
// value is there but is not such a text that fits: longer than `size`, of another type (as
// another program may write it) or without its ending NUL.
int ReadTextValue(HKEY root, const char* keyPath, const char* name, char* text, DWORD size);

// Whether the product key `keyPath` below `root` (registry_keys.h) names the installation in
// `destination`: an App Paths key when its program lies in it, an Uninstall entry when its
// folder value is it. 1 when it does; 0 when it names another place or holds no text that an
// installation writes there; -1 when it has no such value.
int NamesDestination(HKEY root, const char* keyPath, const char* destination);
