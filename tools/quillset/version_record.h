// The version record (VS_VERSIONINFO) of Setup.exe: read from the stub, given the vendor's
// values and written again in the layout that Windows' version functions read.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quillset {

struct VersionRecord {
    // VS_FIXEDFILEINFO as 13 double words; [2], [3] the file version, [4], [5] the product's.
    std::array<std::uint32_t, 13> fixed{};
    std::u16string tableKey;  // the string table's language and code page, "040904B0"
    std::vector<std::pair<std::u16string, std::u16string>> strings;  // in the record's order
    std::vector<std::uint8_t> translation;  // VarFileInfo's Translation: language, code page
};

// Reads a version record with one string table and a Translation; throws std::runtime_error
// naming the fault of any other.
VersionRecord ReadVersionRecord(std::span<const std::uint8_t> bytes);

// The record's bytes: every block with its length, 32-bit aligned, strings NUL-terminated.
std::vector<std::uint8_t> WriteVersionRecord(const VersionRecord& record);

// Gives `key` the text `value`, in its place when the record has it, else as the last string.
void SetVersionString(VersionRecord& record, std::u16string_view key, std::u16string value);

// Sets the file and product version numbers to `parts` (major, minor, build, revision).
void SetVersionNumbers(VersionRecord& record, const std::array<std::uint16_t, 4>& parts);

// UTF-16 of a valid UTF-8 text, as toml++ delivers strings.
std::u16string ConvertToUtf16(std::string_view utf8);

}  // namespace quillset
