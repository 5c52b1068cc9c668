// A readable account of an uninstall log "uninst.dat", read by the same reader as the
// uninstaller's, so that a log it refuses is refused here too, with the reason.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string_view>

#include "common/uninstall_log_reader.h"

#include "inspector.h"

namespace quillset {

// True when `file` is to be read as an uninstall log: it is named "uninst.dat" (in any case),
// or its first field is its own size, as a log's is, and it is no executable.
bool IsUninstallLog(const std::filesystem::path& file, std::span<const std::uint8_t> bytes);

// What a refusal of the log reader means, as a phrase ("a text is not ended or is too long").
std::string_view DescribeLogFault(LogFault fault);

// The header fields, product texts, folder records, files, shortcuts and registry keys of the
// log; a damaged log gives its header and one failure naming the damage.
InspectReport InspectUninstallLog(std::span<const std::uint8_t> log);

}  // namespace quillset
