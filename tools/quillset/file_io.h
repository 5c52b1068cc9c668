// Whole-file reading and all-or-nothing writing: an output appears complete under its name
// or not at all, never half-written.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "byte_pieces.h"

namespace quillset {

// The bytes of a file; throws std::runtime_error naming the file and the reason, also when the
// file holds more than `maxSize` bytes (checked as it is read, so pipes and devices are bounded).
std::vector<std::uint8_t> ReadWholeFile(const std::filesystem::path& file, std::uint64_t maxSize);

// A file written by another program (a log, Wine's registry files) as text; empty when it is
// missing or unreadable, which its reader then reports as the text it lacks.
std::string ReadProgramOutput(const std::filesystem::path& file);

// Writes `bytes` to a temporary file beside `output` and renames it over `output` at the end;
// on any failure the temporary file is removed and std::runtime_error is thrown. A symbolic
// link is followed, so that the file it leads to is written and the link stays; an existing
// output that is not a regular file (a device, a pipe) is refused. SIGINT, SIGTERM or SIGHUP
// during the write leave `output` as it was and the temporary file removed before the signal
// takes its course.
void WriteFileAtomically(const std::filesystem::path& output, std::span<const std::uint8_t> bytes);
// The same for bytes in pieces, written one after the other.
void WriteFileAtomically(const std::filesystem::path& output, const BytePieces& bytes);

// The folder that WriteFileAtomically writes `output` in: that of the file its symbolic links
// lead to ("." for a bare name). Throws std::runtime_error when the links cannot be followed.
std::filesystem::path FindOutputFolder(const std::filesystem::path& output);

}  // namespace quillset
