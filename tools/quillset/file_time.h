// Conversions of file times: POSIX seconds and nanoseconds to Windows FILETIME values, and
// FILETIME values to readable UTC text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace quillset {

// 100-nanosecond intervals since 1601-01-01 UTC, or nothing for a time before 1601 or too late
// for 64 bits.
std::optional<std::uint64_t> ConvertToFileTime(std::int64_t seconds, std::int64_t nanoseconds);

// "YYYY-MM-DD hh:mm:ss UTC" (seconds truncated) for any 64-bit FILETIME value.
std::string FormatFileTime(std::uint64_t fileTime);

}  // namespace quillset
