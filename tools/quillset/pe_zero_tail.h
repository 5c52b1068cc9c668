// Drops the zero bytes that end a section's raw data. The loader fills a section's memory past
// its raw data with zeros, so the image loads the same from a smaller file.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace quillset {

// `image` with the trailing zero bytes of section `sectionName` left out of the file, down to
// the file alignment; the section keeps its virtual size, the raw data of the sections after it
// moves up, and the checksum is made anew when the image has one. Throws PeFormatError when
// there is no such section, or when the image holds file offsets that the move would break
// (a certificate table, a debug directory, a symbol table).
std::vector<std::uint8_t> DropSectionZeroTail(std::span<const std::uint8_t> image,
                                              std::string_view sectionName);

}  // namespace quillset
