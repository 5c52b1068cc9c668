// What a Wine prefix holds, as a set of lines that can be compared: the files and folders of
// drive_c (without windows/ and the users' Temp folders) and the keys and values of its registry.
#pragma once

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace quillset {

// The keys of one Wine registry file (user.reg or system.reg): each key path as written there
// (backslashes single) with its values, name ("" for the default value) to the data as written.
using RegistryKeys = std::map<std::string, std::map<std::string, std::string>>;
RegistryKeys ParseWineRegistry(std::string_view text);

// A value's data as Windows holds it: a quoted string unescaped, dword:0000002a as 42; other
// kinds stay as written.
std::string DescribeRegistryData(std::string_view data);

struct PrefixSnapshot {
    std::set<std::string> entries;  // "file C:\...", "folder C:\...", "key HKCU\...", "value HKCU\...\\name"
};

// Drive C's tree (as C:\ paths) and the keys of user.reg (HKCU) and system.reg (HKLM). The
// folders whose changes Wine makes on its own are left out, but for the way to `watched` (a
// C:\ path in Windows-1252, the destination) and all below it.
PrefixSnapshot TakeSnapshot(const std::filesystem::path& prefix, const std::string& watched);

// A snapshot of only the given registry files' keys, for tests and for TakeSnapshot.
void AddRegistryEntries(PrefixSnapshot& snapshot, std::string_view root, const RegistryKeys& keys);

// What `after` holds that `before` did not, in order.
std::vector<std::string> FindAdded(const PrefixSnapshot& before, const PrefixSnapshot& after);

}  // namespace quillset
