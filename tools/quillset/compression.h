// zlib-wrapped deflate at libdeflate's strongest level, run in parallel over many inputs with
// the results kept in input order, so the same inputs always give the same bytes.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "package_model.h"
#include "progress_bar.h"

namespace quillset {

// libdeflate's highest level; its zlib header is 0x78 0xDA.
constexpr int COMPRESSION_LEVEL = 12;

// One input: `load` yields its bytes (called on a worker thread), the stream goes to `output`.
struct CompressionJob {
    std::function<std::vector<std::uint8_t>()> load;
    PackedStream* output = nullptr;
    std::uint64_t weight = 0;  // expected input size, for scheduling and progress
};

// A zlib stream of `data` (header, deflate data, Adler-32).
std::vector<std::uint8_t> CompressZlib(std::span<const std::uint8_t> data);

// Runs every job on `threads` threads. An input is released as soon as it is compressed. After
// a failure no new job starts; the failure of the earliest job that failed is rethrown.
void RunCompressionJobs(std::vector<CompressionJob>& jobs, unsigned threads, ProgressBar& progress);

}  // namespace quillset
