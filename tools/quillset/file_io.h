// Whole-file reading and all-or-nothing writing: an output appears complete under its name
// or not at all, never half-written.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace quillset {

// The bytes of a file; throws std::runtime_error naming the file and the reason, also when the
// file holds more than `maxSize` bytes (checked as it is read, so pipes and devices are bounded).
std::vector<std::uint8_t> ReadWholeFile(const std::filesystem::path& file, std::uint64_t maxSize);

// A file written by another program (a log, Wine's registry files) as text; empty when it is
// missing or unreadable, which its reader then reports as the text it lacks.
std::string ReadProgramOutput(const std::filesystem::path& file);

// Writes `bytes` to a temporary file beside `file` and renames it over `file` at the end;
// on any failure the temporary file is removed and std::runtime_error is thrown.
void WriteFileAtomically(const std::filesystem::path& file, std::span<const std::uint8_t> bytes);

}  // namespace quillset
