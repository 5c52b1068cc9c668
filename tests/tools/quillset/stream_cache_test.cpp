// Tests of the stream cache: a build gives the same bytes with and without it on any thread
// count, damaged or mismatched entries are recompressed and replaced, and trimming and failures.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <functional>
#include <map>

#include "package_builder.h"
#include "stream_cache.h"
#include "test_support.h"

namespace quillset {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using test::ReadBytes;
using test::TemporaryFolder;

void WriteBytes(const fs::path& file, const Bytes& bytes)
{
    test::WriteFile(file, std::string(bytes.begin(), bytes.end()));
}

// The sample project with files worth compressing: text, noise, and two of the same size.
fs::path WriteProject(const fs::path& folder)
{
    const fs::path manifest = test::WriteSampleProject(folder);
    std::string text;
    for (int i = 0; i < 4000; ++i)
        text += "line " + std::to_string(i % 97) + " of the product's text\n";
    test::WriteFile(folder / "product" / "text.txt", text);
    const Bytes noise = test::MakeNoise(50000, 3);
    test::WriteFile(folder / "product" / "noise.bin", std::string(noise.begin(), noise.end()));
    test::WriteFile(folder / "product" / "same1.txt", std::string(20000, 'a'));
    test::WriteFile(folder / "product" / "same2.txt", std::string(10000, 'a') + std::string(10000, 'b'));
    return manifest;
}

Bytes Build(const fs::path& manifest, const fs::path& cache, unsigned threads = 2,
            std::uint64_t limit = DEFAULT_CACHE_LIMIT)
{
    return BuildPackage({manifest, manifest.parent_path() / "wizard.dll", threads, false, {}, {}, DEFAULT_LEVEL,
                         CacheSettings{cache, limit}});
}

// Every entry file of the cache at `cache`, by path, with its bytes.
std::map<fs::path, Bytes> ReadEntries(const fs::path& cache)
{
    std::map<fs::path, Bytes> entries;
    for (const auto& item : fs::recursive_directory_iterator(cache))
        if (item.is_regular_file())
            entries[item.path()] = ReadBytes(item.path());
    return entries;
}

std::uint64_t SumSizes(const std::map<fs::path, Bytes>& entries)
{
    std::uint64_t sum = 0;
    for (const auto& [path, bytes] : entries)
        sum += bytes.size();
    return sum;
}

TEST(StreamCache, SameBytesWithAndWithoutTheCacheOnAnyThreadCount)
{
    TemporaryFolder folder;
    const fs::path manifest = WriteProject(folder.GetPath());
    const fs::path cache = folder.GetPath() / "cache";
    const Bytes uncached = Build(manifest, {}, 1);
    EXPECT_TRUE(Build(manifest, cache, 2) == uncached);  // fills the cache
    const std::map<fs::path, Bytes> filled = ReadEntries(cache);
    // The wizard library and the seven product files that are not empty.
    EXPECT_EQ(filled.size(), 8u);
    EXPECT_TRUE(Build(manifest, cache, 1) == uncached);  // from the cache
    EXPECT_TRUE(Build(manifest, cache, 2) == uncached);
    EXPECT_TRUE(ReadEntries(cache) == filled);

    // One changed file adds one entry and nothing else differs from a build without the cache.
    test::WriteFile(folder.GetPath() / "product" / "docs" / "readme.txt", "Read me first\n");
    const Bytes changed = Build(manifest, {}, 1);
    EXPECT_NE(changed, uncached);
    EXPECT_TRUE(Build(manifest, cache, 2) == changed);
    EXPECT_EQ(ReadEntries(cache).size(), filled.size() + 1);
}

TEST(StreamCache, DamagedEntriesAreRecompressedAndReplaced)
{
    TemporaryFolder folder;
    const fs::path manifest = WriteProject(folder.GetPath());
    const fs::path cache = folder.GetPath() / "cache";
    const Bytes uncached = Build(manifest, {});
    ASSERT_TRUE(Build(manifest, cache) == uncached);
    const std::map<fs::path, Bytes> pristine = ReadEntries(cache);
    ASSERT_FALSE(pristine.empty());

    const std::vector<std::pair<std::string, std::function<Bytes(Bytes)>>> damages = {
        {"cut short", [](Bytes entry) { entry.resize(entry.size() / 2); return entry; }},
        {"cut to its head", [](Bytes entry) { entry.resize(16); return entry; }},
        {"empty", [](Bytes) { return Bytes{}; }},
        {"bytes flipped in the stream", [](Bytes entry) {
             for (std::size_t at = 20; at < entry.size(); at += 97)
                 entry[at] ^= 0x5A;
             return entry;
         }},
        {"last byte flipped", [](Bytes entry) { entry.back() ^= 1; return entry; }},
        {"head flipped", [](Bytes entry) { entry[5] ^= 0xFF; return entry; }},
        {"longer", [](Bytes entry) { entry.push_back(0); return entry; }},
    };
    for (const auto& [name, damage] : damages) {
        for (const auto& [path, bytes] : pristine)
            WriteBytes(path, damage(bytes));
        EXPECT_TRUE(Build(manifest, cache) == uncached) << name;
        EXPECT_TRUE(ReadEntries(cache) == pristine) << name << ": the entries are not replaced";
    }
}

TEST(StreamCache, AnotherInputsEntryIsNotTaken)
{
    // same1.txt and same2.txt have the same size, so their entries differ only in the stream:
    // its CRC-32 matches, and only the Adler-32 in the zlib trailer tells them apart.
    TemporaryFolder folder;
    const fs::path manifest = WriteProject(folder.GetPath());
    const fs::path cache = folder.GetPath() / "cache";
    const Bytes uncached = Build(manifest, {});
    ASSERT_TRUE(Build(manifest, cache) == uncached);
    const std::map<fs::path, Bytes> pristine = ReadEntries(cache);

    StreamCache lookup({cache});
    const auto keyOf = [&](const std::string& name) {
        return *lookup.MakeKey(ReadBytes(folder.GetPath() / "product" / name), DEFAULT_LEVEL);
    };
    const auto pathOf = [&](const StreamKey& key) {
        const std::string hex = key.ToHex();
        return cache / "streams-v1" / hex.substr(0, 2) / hex.substr(2);
    };
    const fs::path first = pathOf(keyOf("same1.txt"));
    const fs::path second = pathOf(keyOf("same2.txt"));
    ASSERT_TRUE(pristine.contains(first) && pristine.contains(second));
    ASSERT_GE(pristine.at(first).size(), 8u);
    ASSERT_TRUE(std::equal(pristine.at(first).begin() + 4, pristine.at(first).begin() + 8,
                           pristine.at(second).begin() + 4))
        << "the two inputs' sizes differ: nothing is tested";
    WriteBytes(first, pristine.at(second));
    WriteBytes(second, pristine.at(first));
    EXPECT_TRUE(Build(manifest, cache) == uncached);
    EXPECT_TRUE(ReadEntries(cache) == pristine);
}

TEST(StreamCache, KeysDependOnTheBytesAndTheLevel)
{
    const Bytes bytes(1000, 'q');
    Bytes other = bytes;
    other[999] = 'r';
    const StreamKey key = MakeStreamKey(bytes, 9);
    EXPECT_EQ(MakeStreamKey(bytes, 9).digest, key.digest);
    EXPECT_NE(MakeStreamKey(bytes, 12).digest, key.digest);
    EXPECT_NE(MakeStreamKey(other, 9).digest, key.digest);
    EXPECT_NE(MakeStreamKey(Bytes(999, 'q'), 9).digest, key.digest);
    EXPECT_EQ(key.ToHex().size(), 64u);
}

TEST(StreamCache, TrimsOldestFirstAndAHitMakesAnEntryNew)
{
    TemporaryFolder folder;
    const fs::path first = WriteProject(folder.GetPath() / "first");
    const fs::path second = test::WriteSampleProject(folder.GetPath() / "second");
    test::WriteFile(folder.GetPath() / "second" / "product" / "other.txt", std::string(30000, 'o'));
    const fs::path cache = folder.GetPath() / "cache";
    Build(first, cache);
    const std::map<fs::path, Bytes> firstEntries = ReadEntries(cache);

    // Made old, then used again: a hit refreshes the time.
    const auto old = fs::file_time_type::clock::now() - std::chrono::hours(24 * 30);
    for (const auto& [path, bytes] : firstEntries)
        fs::last_write_time(path, old);
    Build(first, cache);
    for (const auto& [path, bytes] : firstEntries)
        EXPECT_GT(fs::last_write_time(path), old + std::chrono::hours(24)) << path;

    // The second product's entries, refreshed by its build, fill a limit that leaves no room for
    // the entries of the first product's own files.
    for (const auto& [path, bytes] : firstEntries)
        fs::last_write_time(path, old);
    Build(second, cache);
    std::map<fs::path, Bytes> both = ReadEntries(cache);
    std::map<fs::path, Bytes> secondOnly;
    for (const auto& [path, bytes] : both)
        if (!firstEntries.contains(path) || fs::last_write_time(path) > old + std::chrono::hours(24))
            secondOnly[path] = bytes;
    ASSERT_LT(secondOnly.size(), both.size());
    Build(second, cache, 2, SumSizes(secondOnly));
    EXPECT_TRUE(ReadEntries(cache) == secondOnly);
}

TEST(StreamCache, ParsesLimits)
{
    EXPECT_EQ(ParseCacheLimit("0"), 0u);
    EXPECT_EQ(ParseCacheLimit("1048576"), 1048576u);
    EXPECT_EQ(ParseCacheLimit("64K"), 65536u);
    EXPECT_EQ(ParseCacheLimit("512m"), 512u << 20);
    EXPECT_EQ(ParseCacheLimit("1G"), 1u << 30);
    EXPECT_EQ(ParseCacheLimit("2GiB"), 2ull << 30);
    EXPECT_EQ(ParseCacheLimit("3T"), 3ull << 40);
    for (const char* bad : {"", "G", "1.5G", "-1", "1 G", "1GB", "12Q", "99999999999999999999"})
        EXPECT_THROW(ParseCacheLimit(bad), std::invalid_argument) << bad;
}

TEST(StreamCache, AFolderThatCannotBeUsedOnlyWarnsOnce)
{
    TemporaryFolder folder;
    WriteProject(folder.GetPath());
    // A file where the cache folder would be: nothing can be created below it, root or not.
    test::WriteFile(folder.GetPath() / "blocked", "not a folder");
    ASSERT_EQ(test::RunTool(folder.GetPath(), "build manifest.toml --raw --wizard wizard.dll --no-cache -o plain.bin")
                  .exitCode,
              0);
    const test::ToolRun run = test::RunTool(folder.GetPath(), "build manifest.toml --raw --wizard wizard.dll -o cached.bin");
    const test::ToolRun blocked = test::RunProgram(
        folder.GetPath(), "env",
        "XDG_CACHE_HOME='" + (folder.GetPath() / "blocked").string() + "' '" + QUILLSET_TOOL +
            "' build manifest.toml --raw --wizard wizard.dll -o blocked.bin");
    EXPECT_EQ(blocked.exitCode, 0) << blocked.output;
    const std::string warning = "quillset: warning: stream cache: ";
    const std::size_t first = blocked.output.find(warning);
    EXPECT_NE(first, std::string::npos) << blocked.output;
    EXPECT_EQ(blocked.output.find(warning, first + 1), std::string::npos) << blocked.output;
    EXPECT_TRUE(ReadBytes(folder.GetPath() / "blocked.bin") == ReadBytes(folder.GetPath() / "plain.bin"));
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(run.output.find("warning"), std::string::npos) << run.output;
    EXPECT_TRUE(ReadBytes(folder.GetPath() / "cached.bin") == ReadBytes(folder.GetPath() / "plain.bin"));
}

}  // namespace
}  // namespace quillset
