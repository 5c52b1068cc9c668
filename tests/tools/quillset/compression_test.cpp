// Tests of the compression of product files: every stream inflates back to its input, and input
// that the fastest level cannot shrink takes that level, or stored blocks when it cannot shrink
// it at all, unless a part of it can be shrunk.
#include <gtest/gtest.h>
#include <libdeflate.h>

#include <string>

#include "compression.h"
#include "test_support.h"

namespace quillset {
namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::size_t SAMPLE = 64 * 1024;

Bytes CompressDirectly(const Bytes& data, int level)
{
    libdeflate_compressor* compressor = libdeflate_alloc_compressor(level);
    Bytes stream(libdeflate_zlib_compress_bound(compressor, data.size()));
    stream.resize(libdeflate_zlib_compress(compressor, data.data(), data.size(), stream.data(), stream.size()));
    libdeflate_free_compressor(compressor);
    return stream;
}

Bytes Inflate(const Bytes& stream, std::size_t size)
{
    libdeflate_decompressor* decompressor = libdeflate_alloc_decompressor();
    Bytes data(size);
    std::size_t produced = 0;
    const libdeflate_result result =
        libdeflate_zlib_decompress(decompressor, stream.data(), stream.size(), data.data(), size, &produced);
    libdeflate_free_decompressor(decompressor);
    return result == LIBDEFLATE_SUCCESS && produced == size ? data : Bytes{};
}

Bytes MakeText(std::size_t size)
{
    std::string text;
    for (int line = 0; text.size() < size; ++line)
        text += "entry " + std::to_string(line % 509) + " of the product's settings, value " +
                std::to_string(line * 7 % 113) + "\n";
    return Bytes(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(size));
}

TEST(CompressZlib, NoiseIsStoredAndComesBackWhole)
{
    const Bytes noise = test::MakeNoise(4 * SAMPLE + 123, 7);
    const Bytes stream = CompressZlib(noise, DEFAULT_LEVEL);
    EXPECT_EQ(stream, CompressDirectly(noise, 0));
    EXPECT_LE(stream.size(), CompressDirectly(noise, MIN_LEVEL).size());
    EXPECT_EQ(Inflate(stream, noise.size()), noise);
}

TEST(CompressZlib, NoiseThatTheFastestLevelShrinksALittleTakesThatLevel)
{
    // Short runs of zeros in noise: level 1 saves about 1% of every sample, less than is worth
    // a slow level's search, but more than nothing.
    Bytes data = test::MakeNoise(4 * SAMPLE + 123, 9);
    for (std::size_t at = 0; at + 48 < data.size(); at += 4096)
        std::fill_n(data.begin() + static_cast<std::ptrdiff_t>(at), 48, 0);
    const Bytes sample(data.begin(), data.begin() + SAMPLE);
    const std::size_t sampleStream = CompressDirectly(sample, MIN_LEVEL).size();
    ASSERT_LT(sampleStream, sample.size());
    ASSERT_GT(sampleStream, sample.size() - sample.size() / 64);

    const Bytes stream = CompressZlib(data, DEFAULT_LEVEL);
    EXPECT_EQ(stream, CompressDirectly(data, MIN_LEVEL));
    EXPECT_EQ(Inflate(stream, data.size()), data);
}

TEST(CompressZlib, AShrinkablePartAnywhereKeepsTheLevelAsked)
{
    // Noise with text at its start, in its middle or at its end, each where one sample lies.
    const std::size_t size = 5 * SAMPLE;
    const Bytes text = MakeText(size);
    for (std::size_t textStart : {std::size_t{0}, (size - SAMPLE) / 2, size - SAMPLE}) {
        Bytes data = test::MakeNoise(size, 11);
        std::copy(text.begin(), text.begin() + SAMPLE, data.begin() + static_cast<std::ptrdiff_t>(textStart));
        const Bytes stream = CompressZlib(data, DEFAULT_LEVEL);
        EXPECT_EQ(stream, CompressDirectly(data, DEFAULT_LEVEL)) << "text at " << textStart;
        EXPECT_EQ(Inflate(stream, data.size()), data) << "text at " << textStart;
    }
}

TEST(CompressZlib, SmallInputIsProbedInThirdsDownToAFloor)
{
    const Bytes smallNoise = test::MakeNoise(SAMPLE + 5, 3);
    EXPECT_EQ(CompressZlib(smallNoise, DEFAULT_LEVEL), CompressDirectly(smallNoise, 0));
    const Bytes tinyNoise = test::MakeNoise(48 * 1024 - 1, 5);
    EXPECT_EQ(CompressZlib(tinyNoise, DEFAULT_LEVEL), CompressDirectly(tinyNoise, DEFAULT_LEVEL));
    const Bytes text = MakeText(10 * SAMPLE);
    EXPECT_EQ(CompressZlib(text, BEST_LEVEL), CompressDirectly(text, BEST_LEVEL));
}

}  // namespace
}  // namespace quillset
