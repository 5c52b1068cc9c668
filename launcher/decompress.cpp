// The decompress callback: one zlib stream inflated in a single call into the caller's memory.
// No state outlives a call, so once PrepareInflater has run, any thread may call it at any time.
#include <zlib.h>

#include "launcher.h"

int WINAPI Decompress(const unsigned char* source, unsigned char* destination,
                      unsigned int sourceLength, unsigned int destinationLength)
{
    z_stream stream = {};
    stream.zalloc = AllocateZlibMemory;
    stream.zfree = FreeZlibMemory;
    stream.next_in = source;
    stream.avail_in = sourceLength;
    if (inflateInit(&stream) != Z_OK) {
        return 0;
    }
    stream.next_out = destination;
    stream.avail_out = destinationLength;
    int status = inflate(&stream, Z_FINISH);
    (void)inflateEnd(&stream);  // only releases memory; the outcome is already known
    return status == Z_STREAM_END ? 1 : 0;
}

bool PrepareInflater()
{
    // A zlib stream of nothing in one final fixed block: header, block, Adler-32 of nothing.
    static const unsigned char FIXED_BLOCK_STREAM[] = {0x78, 0x01, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01};
    unsigned char unused;
    return Decompress(FIXED_BLOCK_STREAM, &unused, sizeof FIXED_BLOCK_STREAM, sizeof unused) != 0;
}
