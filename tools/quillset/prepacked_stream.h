// Streams made ahead of time for the modules that every package carries: the Win32 build runs
// zopfli over the wizard library and the uninstaller, which beats libdeflate's best level.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace quillset {

// The stream of a module lies beside it under the module's name with this suffix added; the
// Win32 build writes it there (zopfli's own name for its zlib output).
inline constexpr std::string_view PREPACKED_SUFFIX = ".zlib";

// The file that would hold the prepacked stream of `module`.
std::filesystem::path GetPrepackedStreamPath(const std::filesystem::path& module);

// The zlib stream in `file` when it decodes to exactly `input`; none when the file is missing,
// unreadable, larger than any stream of `input` needs to be, damaged, or holds other bytes (a
// branded or signed module, or a stream left from an older build).
std::optional<std::vector<std::uint8_t>> LoadPrepackedStream(const std::filesystem::path& file,
                                                              std::span<const std::uint8_t> input);

}  // namespace quillset
