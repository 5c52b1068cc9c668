// The decompress callback: one zlib stream inflated in a single call into the caller's memory.
// No state outlives a call, so any thread may call it at any time.
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
