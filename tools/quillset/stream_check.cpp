// Stream checking with plain zlib: inflate into one reused block until the stream ends, counting
// the bytes; only the first ones are kept, for the information texts, which are shown.
#include "stream_check.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

namespace quillset {
namespace {

constexpr std::size_t BLOCK_SIZE = 1 << 16;

}  // namespace

StreamCheck CheckStream(std::span<const std::uint8_t> stream, std::uint32_t size, std::size_t keptLimit)
{
    StreamCheck check;
    z_stream zlib{};
    if (inflateInit(&zlib) != Z_OK) {
        check.problem = "zlib could not start";
        return check;
    }
    std::vector<std::uint8_t> block(BLOCK_SIZE);
    std::uint64_t produced = 0;
    std::size_t consumed = 0;
    int result = Z_OK;
    while (result == Z_OK) {
        // zlib counts in 32 bits; feed at most one gigabyte at a time.
        const std::size_t available = std::min<std::size_t>(stream.size() - consumed, 1u << 30);
        zlib.next_in = const_cast<Bytef*>(stream.data() + consumed);
        zlib.avail_in = static_cast<uInt>(available);
        zlib.next_out = block.data();
        zlib.avail_out = static_cast<uInt>(block.size());
        result = inflate(&zlib, Z_NO_FLUSH);
        consumed += available - zlib.avail_in;
        const std::size_t count = block.size() - zlib.avail_out;
        produced += count;
        if (produced > size) {
            check.problem = "it decodes to more than the " + std::to_string(size) + " bytes recorded";
            inflateEnd(&zlib);
            return check;
        }
        const std::size_t kept = std::min(count, keptLimit - check.output.size());
        check.output.insert(check.output.end(), block.begin(), block.begin() + kept);
        check.hasNulByte = check.hasNulByte || std::memchr(block.data(), 0, count) != nullptr;
        if (result == Z_BUF_ERROR)  // no progress possible: the input has run out
            break;
    }
    inflateEnd(&zlib);

    if (result == Z_STREAM_END && produced == size) {
        check.ok = true;
        check.length = consumed;
    } else if (result == Z_STREAM_END) {
        check.problem = "it decodes to " + std::to_string(produced) + " bytes, not the " +
                        std::to_string(size) + " recorded";
    } else if (result == Z_BUF_ERROR) {
        check.problem = "the stream ends early (" + std::to_string(produced) + " bytes decoded)";
    } else {
        check.problem = zlib.msg ? std::string("zlib: ") + zlib.msg : "zlib error " + std::to_string(result);
    }
    if (!check.ok) {
        check.output.clear();
        check.hasNulByte = false;
    }
    return check;
}

}  // namespace quillset
