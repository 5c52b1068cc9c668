// Prepacked streams: read only when present and bounded by what the input could need, then
// decoded in full and compared byte for byte, so that nothing but the input itself is packed.
#include "prepacked_stream.h"

#include <libdeflate.h>

#include <algorithm>
#include <stdexcept>

#include "file_io.h"
#include "stream_check.h"

namespace quillset {

std::filesystem::path GetPrepackedStreamPath(const std::filesystem::path& module)
{
    std::filesystem::path file = module;
    file += PREPACKED_SUFFIX;
    return file;
}

std::optional<std::vector<std::uint8_t>> LoadPrepackedStream(const std::filesystem::path& file,
                                                              std::span<const std::uint8_t> input)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error) || input.size() > UINT32_MAX)
        return std::nullopt;
    std::vector<std::uint8_t> stream;
    try {
        stream = ReadWholeFile(file, libdeflate_zlib_compress_bound(nullptr, input.size()));
    } catch (const std::runtime_error&) {
        return std::nullopt;  // unreadable or too large: compressing afresh gives a sound stream
    }
    const StreamCheck check = CheckStream(stream, static_cast<std::uint32_t>(input.size()), input.size());
    if (!check.ok || check.length != stream.size() || !std::ranges::equal(check.output, input))
        return std::nullopt;
    return stream;
}

}  // namespace quillset
