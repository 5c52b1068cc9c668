// zlib-wrapped deflate with libdeflate at a chosen level, run in parallel over many inputs with
// the results kept in input order, so the same inputs always give the same bytes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <vector>

#include "package_model.h"
#include "progress_bar.h"

namespace quillset {

class StreamCache;

// libdeflate's levels. Any of them gives a zlib stream that zlib's inflate reads.
constexpr int MIN_LEVEL = 1;
constexpr int BEST_LEVEL = 12;
// The product files' level unless the build names one. On the benchmark payload (bench/levels.sh)
// it is the lowest level whose installer is at most 0.99 of NSIS's (zlib): levels 7 to 9 take
// nearly as long and are as large as zlib's level 9; 11 and 12 take up to twice as long for
// 0.2% less.
constexpr int DEFAULT_LEVEL = 10;

// One input: `load` yields its bytes (called on a worker thread), the stream goes to `output`.
struct CompressionJob {
    std::function<std::vector<std::uint8_t>()> load;
    PackedStream* output = nullptr;
    std::uint64_t weight = 0;  // expected input size, for scheduling and progress
    int level = DEFAULT_LEVEL;
    // A stream made ahead of time (prepacked_stream.h), taken in place of compressing when it
    // decodes to exactly the input; empty for none.
    std::filesystem::path prepacked;
};

// A zlib stream of `data` (header, deflate data, Adler-32). Input of 48 KiB or more whose three
// samples (a third of it, 64 KiB at most, from its start, middle and end) the fastest level
// shrinks by less than 1/64 each is compressed at the fastest level whatever `level` says: a
// slower one finds nothing more in it; when the fastest level makes no sample smaller at all, it
// is stored. The same for every job of RunCompressionJobs.
std::vector<std::uint8_t> CompressZlib(std::span<const std::uint8_t> data, int level = BEST_LEVEL);

// Runs every job on `threads` threads. An input is released as soon as it is compressed. A job's
// prepacked stream that holds its input is used first. Otherwise, with a cache, a stream found
// there for the same bytes and level is used instead of compressing, and a new stream is
// stored. After a failure no new job starts; the failure of the earliest job that failed is
// rethrown.
void RunCompressionJobs(std::vector<CompressionJob>& jobs, unsigned threads, ProgressBar& progress,
                        StreamCache* cache = nullptr);

}  // namespace quillset
