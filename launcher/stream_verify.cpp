// Compares data with what a zlib stream inflates to, a small piece at a time, so that checking
// the extracted library needs no second copy of it.
#include <zlib.h>

#include "launcher.h"

enum {
    VERIFY_CHUNK_SIZE = 2048,  // stays below a page of stack, which would need stack probes
};

static bool SameBytes(const unsigned char* first, const unsigned char* second, uint32_t count)
{
    for (uint32_t index = 0; index < count; ++index) {
        if (first[index] != second[index]) {
            return false;
        }
    }
    return true;
}

static bool AllZero(const unsigned char* bytes, uint32_t count)
{
    for (uint32_t index = 0; index < count; ++index) {
        if (bytes[index] != 0) {
            return false;
        }
    }
    return true;
}

bool VerifyInflatedStream(const unsigned char* source, uint32_t sourceLength,
                          const unsigned char* data, uint32_t dataLength)
{
    z_stream stream = {};
    stream.zalloc = AllocateZlibMemory;
    stream.zfree = FreeZlibMemory;
    stream.next_in = source;
    stream.avail_in = sourceLength;
    if (inflateInit(&stream) != Z_OK) {
        return false;
    }
    unsigned char chunk[VERIFY_CHUNK_SIZE];
    uint32_t compared = 0;
    bool matches = true;
    int status = Z_OK;
    while (matches && status == Z_OK) {
        stream.next_out = chunk;
        stream.avail_out = VERIFY_CHUNK_SIZE;
        status = inflate(&stream, Z_NO_FLUSH);
        uint32_t produced = VERIFY_CHUNK_SIZE - stream.avail_out;
        // Z_BUF_ERROR here means the input ended before the stream did.
        matches = (status == Z_OK || status == Z_STREAM_END) &&
                  produced <= dataLength - compared && SameBytes(chunk, data + compared, produced);
        compared += produced;
    }
    (void)inflateEnd(&stream);  // only releases memory; the outcome is already known
    return matches && AllZero(data + compared, dataLength - compared);
}
