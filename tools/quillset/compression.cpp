// Compression with libdeflate: one compressor per worker thread and level, jobs taken largest
// first from a shared counter, each result written only into its own job's output; input that
// the fastest level cannot shrink takes that level, or stored blocks.
#include "compression.h"

#include <libdeflate.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <exception>
#include <memory>
#include <new>
#include <numeric>
#include <optional>
#include <stdexcept>
#include <string>
#include <system_error>
#include <thread>

#include "prepacked_stream.h"
#include "stream_cache.h"

namespace quillset {
namespace {

struct CompressorDeleter {
    void operator()(libdeflate_compressor* compressor) const { libdeflate_free_compressor(compressor); }
};
using Compressor = std::unique_ptr<libdeflate_compressor, CompressorDeleter>;

void CheckLevel(int level)
{
    if (level < MIN_LEVEL || level > BEST_LEVEL)
        throw std::invalid_argument("compression level " + std::to_string(level) + " is not 1 to 12");
}

Compressor MakeCompressor(int level)
{
    Compressor compressor(libdeflate_alloc_compressor(level));
    if (!compressor)
        throw std::bad_alloc();
    return compressor;
}

std::vector<std::uint8_t> CompressWith(libdeflate_compressor* compressor, std::span<const std::uint8_t> data)
{
    std::vector<std::uint8_t> stream(libdeflate_zlib_compress_bound(compressor, data.size()));
    const std::size_t size =
        libdeflate_zlib_compress(compressor, data.data(), data.size(), stream.data(), stream.size());
    if (size == 0)
        throw std::runtime_error("compression failed");
    stream.resize(size);
    stream.shrink_to_fit();
    return stream;
}

struct SharedRun {
    std::vector<CompressionJob>& jobs;
    std::vector<std::size_t> order;  // job indexes, largest first
    std::atomic<std::size_t> next{0};
    std::atomic<bool> failed{false};
    std::vector<std::exception_ptr> failures;  // by job index
    ProgressBar& progress;
    StreamCache* cache;
};

// Data that the fastest level cannot shrink (compressed archives, images, encrypted files)
// gains nothing from a slow level's search, which costs it three times as long. It is known by
// samples from its start, middle and end, so that one incompressible part alone does not decide.
// Samples are a third of a small input, but never so small that block headers decide.
constexpr std::size_t PROBE_SAMPLE_SIZE = 64 * 1024;
constexpr std::size_t PROBE_SMALLEST_SAMPLE = 16 * 1024;
constexpr std::size_t PROBE_SAMPLES = 3;
// A sample counts as incompressible when the fastest level saves less than 1/64 of it.
constexpr std::size_t PROBE_SAVING_DIVISOR = 64;
// libdeflate's level that writes stored blocks: the input as it is, in a valid zlib stream.
constexpr int STORED_LEVEL = 0;

// A worker's compressors, made on first use of each level.
class Compressors {
public:
    std::vector<std::uint8_t> Compress(int level, std::span<const std::uint8_t> data)
    {
        return CompressWith(Get(ChooseLevel(level, data)), data);
    }

private:
    libdeflate_compressor* Get(int level)
    {
        Compressor& compressor = byLevel[static_cast<std::size_t>(level)];
        if (!compressor)
            compressor = MakeCompressor(level);
        return compressor.get();
    }

    // The requested level, the fastest one for incompressible data, or stored blocks when the
    // fastest level makes no sample smaller at all (random data): those are no larger than its
    // stream and cost only a copy.
    int ChooseLevel(int level, std::span<const std::uint8_t> data)
    {
        CheckLevel(level);
        const std::size_t sampleSize = std::min(PROBE_SAMPLE_SIZE, data.size() / PROBE_SAMPLES);
        if (level == MIN_LEVEL || sampleSize < PROBE_SMALLEST_SAMPLE)
            return level;
        const std::size_t step = (data.size() - sampleSize) / (PROBE_SAMPLES - 1);
        bool shrinks = false;
        for (std::size_t sample = 0; sample < PROBE_SAMPLES; ++sample) {
            const auto part = data.subspan(sample * step, sampleSize);
            const std::size_t size = CompressWith(Get(MIN_LEVEL), part).size();
            if (size < part.size() - part.size() / PROBE_SAVING_DIVISOR)
                return level;
            shrinks = shrinks || size < part.size();
        }
        return shrinks ? MIN_LEVEL : STORED_LEVEL;
    }

    std::array<Compressor, BEST_LEVEL + 1> byLevel;
};

void RunWorker(SharedRun& run)
{
    Compressors compressors;
    while (!run.failed) {
        const std::size_t position = run.next.fetch_add(1);
        if (position >= run.order.size())
            return;
        const std::size_t index = run.order[position];
        CompressionJob& job = run.jobs[index];
        try {
            std::vector<std::uint8_t> input = job.load();
            job.output->size = static_cast<std::uint32_t>(input.size());
            // Before the cache, which may hold another stream of the same input from a build
            // without this one: a build gives the same bytes with or without the cache.
            if (!job.prepacked.empty()) {
                if (auto stream = LoadPrepackedStream(job.prepacked, input)) {
                    job.output->bytes = std::move(*stream);
                    run.progress.Advance(job.weight);
                    continue;
                }
            }
            std::optional<StreamKey> key;
            std::optional<std::vector<std::uint8_t>> cached;
            if (run.cache)
                key = run.cache->MakeKey(input, job.level);
            if (key)
                cached = run.cache->Find(*key, input);
            if (cached) {
                job.output->bytes = std::move(*cached);
            } else {
                job.output->bytes = compressors.Compress(job.level, input);
                if (key)
                    run.cache->Store(*key, input, job.output->bytes);
            }
            run.progress.Advance(job.weight);
        } catch (...) {
            run.failures[index] = std::current_exception();
            run.failed = true;
        }
    }
}

}  // namespace

std::vector<std::uint8_t> CompressZlib(std::span<const std::uint8_t> data, int level)
{
    Compressors compressors;
    return compressors.Compress(level, data);
}

void RunCompressionJobs(std::vector<CompressionJob>& jobs, unsigned threads, ProgressBar& progress,
                        StreamCache* cache)
{
    SharedRun run{jobs, std::vector<std::size_t>(jobs.size()), {}, {},
                  std::vector<std::exception_ptr>(jobs.size()), progress, cache};
    std::iota(run.order.begin(), run.order.end(), 0);
    std::stable_sort(run.order.begin(), run.order.end(),
                     [&](std::size_t a, std::size_t b) { return jobs[a].weight > jobs[b].weight; });

    const unsigned workerCount =
        std::max(1u, std::min<unsigned>(threads, static_cast<unsigned>(jobs.size())));
    std::vector<std::thread> workers;
    for (unsigned i = 1; i < workerCount; ++i) {
        try {
            workers.emplace_back(RunWorker, std::ref(run));
        } catch (const std::system_error&) {
            break;  // fewer threads only make the build slower
        }
    }
    RunWorker(run);
    for (std::thread& worker : workers)
        worker.join();

    for (const std::exception_ptr& failure : run.failures) {
        if (failure)
            std::rethrow_exception(failure);
    }
}

}  // namespace quillset
