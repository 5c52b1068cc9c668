// Tests of the stream cache: a build gives the same bytes with and without it on any thread
// count, damaged packs and mismatched streams are made anew, and trimming and failures.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <libdeflate.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <fstream>
#include <functional>
#include <map>
#include <thread>

#include "common/byte_order.h"
#include "compression.h"
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

// Every file of the cache at `cache`, by path, with its bytes.
std::map<fs::path, Bytes> ReadFiles(const fs::path& cache)
{
    std::map<fs::path, Bytes> files;
    for (const auto& item : fs::recursive_directory_iterator(cache))
        if (item.is_regular_file())
            files[item.path()] = ReadBytes(item.path());
    return files;
}

fs::path PackFolder(const fs::path& cache)
{
    return cache / "packs-v1";
}

std::uint32_t GetU32(const Bytes& bytes, std::size_t at)
{
    return ReadU32(bytes.data() + at);
}

constexpr std::size_t RECORD_SIZE = 52;
constexpr std::size_t TAIL_SIZE = 12;

// The records of a sound pack, read by the layout the cache documents: key (as hex) to stream.
std::map<std::string, Bytes> ReadPackRecords(const Bytes& pack)
{
    std::map<std::string, Bytes> records;
    if (pack.size() < TAIL_SIZE || std::string(pack.end() - 4, pack.end()) != "QSP1")
        return records;
    const std::size_t count = GetU32(pack, pack.size() - TAIL_SIZE);
    const std::size_t start = pack.size() - TAIL_SIZE - count * RECORD_SIZE;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = start + i * RECORD_SIZE;
        StreamKey key;
        std::copy(pack.begin() + at, pack.begin() + at + 32, key.digest.begin());
        const std::size_t offset = GetU32(pack, at + 32);
        records[key.ToHex()] = Bytes(pack.begin() + offset, pack.begin() + offset + GetU32(pack, at + 44));
    }
    return records;
}

// Every record of every pack of the cache at `cache`.
std::map<std::string, Bytes> ReadRecords(const fs::path& cache)
{
    std::map<std::string, Bytes> all;
    for (const auto& [path, bytes] : ReadFiles(cache))
        all.merge(ReadPackRecords(bytes));
    return all;
}

bool Finds(const fs::path& cache, const std::string& text);

TEST(StreamCache, SameBytesWithAndWithoutTheCacheOnAnyThreadCount)
{
    TemporaryFolder folder;
    const fs::path manifest = WriteProject(folder.GetPath());
    const fs::path cache = folder.GetPath() / "cache";
    const Bytes uncached = Build(manifest, {}, 1);
    EXPECT_TRUE(Build(manifest, cache, 2) == uncached);  // fills the cache
    const std::map<fs::path, Bytes> filled = ReadFiles(cache);
    EXPECT_EQ(filled.size(), 1u) << "one pack for the build";
    // The wizard library and the seven product files that are not empty.
    EXPECT_EQ(ReadRecords(cache).size(), 8u);
    EXPECT_TRUE(Build(manifest, cache, 1) == uncached);  // from the cache
    EXPECT_TRUE(Build(manifest, cache, 2) == uncached);
    EXPECT_TRUE(ReadFiles(cache) == filled) << "a build that found everything adds nothing";

    // One changed file adds one pack of one record, and nothing else differs from a build
    // without the cache.
    test::WriteFile(folder.GetPath() / "product" / "docs" / "readme.txt", "Read me first\n");
    const Bytes changed = Build(manifest, {}, 1);
    EXPECT_NE(changed, uncached);
    EXPECT_TRUE(Build(manifest, cache, 2) == changed);
    EXPECT_EQ(ReadFiles(cache).size(), 2u);
    EXPECT_EQ(ReadRecords(cache).size(), 9u);
}

TEST(StreamCache, BuildsAtOnceShareTheCache)
{
    TemporaryFolder folder;
    const fs::path manifest = WriteProject(folder.GetPath());
    const fs::path cache = folder.GetPath() / "cache";
    const Bytes uncached = Build(manifest, {});
    std::vector<Bytes> results(4);
    std::vector<std::thread> builds;
    for (Bytes& result : results)
        builds.emplace_back([&] { result = Build(manifest, cache); });
    for (std::thread& build : builds)
        build.join();
    for (const Bytes& result : results)
        EXPECT_TRUE(result == uncached);
    EXPECT_EQ(ReadRecords(cache).size(), 8u);
    EXPECT_TRUE(Build(manifest, cache) == uncached);
}

TEST(StreamCache, ADamagedPackIsDeletedAndItsStreamsMadeAnew)
{
    TemporaryFolder folder;
    const fs::path manifest = WriteProject(folder.GetPath());
    const fs::path cache = folder.GetPath() / "cache";
    const Bytes uncached = Build(manifest, {});
    ASSERT_TRUE(Build(manifest, cache) == uncached);
    const std::map<std::string, Bytes> pristine = ReadRecords(cache);
    ASSERT_EQ(ReadFiles(cache).size(), 1u);
    const auto [path, bytes] = *ReadFiles(cache).begin();

    const std::vector<std::pair<std::string, std::function<Bytes(Bytes)>>> damages = {
        {"cut short", [](Bytes pack) { pack.resize(pack.size() / 2); return pack; }},
        {"cut to a few bytes", [](Bytes pack) { pack.resize(10); return pack; }},
        {"empty", [](Bytes) { return Bytes{}; }},
        {"bytes flipped in the streams", [](Bytes pack) {
             for (std::size_t at = 20; at < pack.size() / 2; at += 97)
                 pack[at] ^= 0x5A;
             return pack;
         }},
        {"a record flipped", [](Bytes pack) { pack[pack.size() - TAIL_SIZE - 7] ^= 1; return pack; }},
        {"magic flipped", [](Bytes pack) { pack.back() ^= 1; return pack; }},
        {"count too large", [](Bytes pack) { WriteU32(pack.data() + pack.size() - TAIL_SIZE, 0xFFFFFF); return pack; }},
        {"longer", [](Bytes pack) { pack.push_back(0); return pack; }},
    };
    for (const auto& [name, damage] : damages) {
        fs::remove_all(cache);
        fs::create_directories(path.parent_path());
        WriteBytes(path, damage(bytes));
        EXPECT_TRUE(Build(manifest, cache) == uncached) << name;
        EXPECT_FALSE(fs::exists(path)) << name << ": the damaged pack stays";
        // What the damaged pack held and this build did not need to make anew, the next makes.
        EXPECT_TRUE(Build(manifest, cache) == uncached) << name;
        EXPECT_TRUE(ReadRecords(cache) == pristine) << name << ": the streams are not made anew";
    }
}

TEST(StreamCache, AnotherInputsStreamIsNotTaken)
{
    // same1.txt and same2.txt have the same size; with their records' keys swapped, and the
    // records' checksum made right, only the Adler-32 in the zlib trailer tells them apart.
    TemporaryFolder folder;
    const fs::path manifest = WriteProject(folder.GetPath());
    const fs::path cache = folder.GetPath() / "cache";
    const Bytes uncached = Build(manifest, {});
    ASSERT_TRUE(Build(manifest, cache) == uncached);
    const std::map<std::string, Bytes> pristine = ReadRecords(cache);
    auto [path, pack] = *ReadFiles(cache).begin();

    StreamCache lookup({});
    const auto keyOf = [&](const std::string& name) {
        return lookup.MakeKey(ReadBytes(folder.GetPath() / "product" / name), DEFAULT_LEVEL)->digest;
    };
    const std::size_t count = GetU32(pack, pack.size() - TAIL_SIZE);
    const std::size_t start = pack.size() - TAIL_SIZE - count * RECORD_SIZE;
    const auto recordOf = [&](const std::array<std::uint8_t, 32>& digest) {
        for (std::size_t at = start; at < pack.size() - TAIL_SIZE; at += RECORD_SIZE)
            if (std::equal(digest.begin(), digest.end(), pack.begin() + at))
                return at;
        return std::size_t{0};
    };
    const std::size_t first = recordOf(keyOf("same1.txt"));
    const std::size_t second = recordOf(keyOf("same2.txt"));
    ASSERT_TRUE(first != 0 && second != 0);
    ASSERT_EQ(GetU32(pack, first + 40), GetU32(pack, second + 40)) << "the inputs' sizes differ: nothing is tested";
    std::swap_ranges(pack.begin() + first, pack.begin() + first + 32, pack.begin() + second);
    WriteU32(pack.data() + pack.size() - 8,
           libdeflate_crc32(0, pack.data() + start, count * RECORD_SIZE));
    WriteBytes(path, pack);
    ASSERT_EQ(ReadPackRecords(pack).size(), pristine.size());

    EXPECT_TRUE(Build(manifest, cache) == uncached);
    EXPECT_FALSE(fs::exists(path));
    EXPECT_TRUE(Build(manifest, cache) == uncached);
    EXPECT_TRUE(ReadRecords(cache) == pristine);
}

TEST(StreamCache, AStreamOfOtherBytesWithTheSameChecksumsIsNotTaken)
{
    // Written through the cache itself, so that the record's sizes and CRC-32 are right: the
    // stream is of other bytes that the Adler-32 cannot tell from the input (+1 and -1 on two
    // neighbouring pairs), "1250" became "2141".
    TemporaryFolder folder;
    const fs::path cache = folder.GetPath() / "cache";
    const std::string text = "This build pays 1250 dollars to account 4711.\n";
    const Bytes input(text.begin(), text.end());
    Bytes other = input;
    ++other[16], --other[17], --other[18], ++other[19];
    ASSERT_EQ(libdeflate_adler32(1, input.data(), input.size()), libdeflate_adler32(1, other.data(), other.size()));
    {
        StreamCache writer({cache});
        writer.Store(*writer.MakeKey(input, DEFAULT_LEVEL), input, CompressZlib(other, DEFAULT_LEVEL));
        writer.Finish();
    }
    ASSERT_EQ(ReadFiles(cache).size(), 1u);
    EXPECT_FALSE(Finds(cache, text));
    EXPECT_TRUE(ReadFiles(cache).empty());
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

// One stream for `text`, stored in a pack of its own by a cache of its own.
fs::path StorePack(const fs::path& cache, const std::string& text, std::uint64_t limit = DEFAULT_CACHE_LIMIT)
{
    const Bytes input(text.begin(), text.end());
    StreamCache writer({cache, limit});
    writer.Store(*writer.MakeKey(input, DEFAULT_LEVEL), input, CompressZlib(input, DEFAULT_LEVEL));
    const auto before = ReadFiles(cache);
    writer.Finish();
    for (const auto& [path, bytes] : ReadFiles(cache))
        if (!before.contains(path))
            return path;
    return {};
}

bool Finds(const fs::path& cache, const std::string& text)
{
    const Bytes input(text.begin(), text.end());
    StreamCache reader({cache});
    return reader.Find(*reader.MakeKey(input, DEFAULT_LEVEL), input).has_value();
}

// A stop signal ends a build without unwinding it: the pack that the build was writing goes
// with it, and the cache keeps no half-written file.
TEST(StreamCache, AStopWhileAPackIsOpenRemovesThePack)
{
    TemporaryFolder folder;
    const fs::path cache = folder.GetPath() / "cache";
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const Bytes input(5000, 'x');
        StreamCache writer({cache});
        writer.Store(*writer.MakeKey(input, DEFAULT_LEVEL), input, CompressZlib(input, DEFAULT_LEVEL));
        const bool open = std::distance(fs::directory_iterator(PackFolder(cache)), fs::directory_iterator()) == 1;
        if (open)
            ::raise(SIGTERM);
        ::_exit(open ? 0 : 3);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
    EXPECT_EQ(std::distance(fs::directory_iterator(PackFolder(cache)), fs::directory_iterator()), 0)
        << "the open pack is left";
}

TEST(StreamCache, TrimsOldestPacksFirstAndAHitMakesAPackNew)
{
    TemporaryFolder folder;
    const fs::path cache = folder.GetPath() / "cache";
    const fs::path first = StorePack(cache, std::string(30000, 'f'));
    const fs::path second = StorePack(cache, std::string(30000, 's'));
    ASSERT_FALSE(first.empty() || second.empty());
    const auto old = fs::file_time_type::clock::now() - std::chrono::hours(24 * 30);
    fs::last_write_time(first, old);
    fs::last_write_time(second, old - std::chrono::hours(24));

    // The second pack was the older, until a hit made it new.
    EXPECT_TRUE(Finds(cache, std::string(30000, 's')));
    EXPECT_GT(fs::last_write_time(second), old + std::chrono::hours(24));
    StorePack(cache, std::string(30000, 't'), fs::file_size(second) + 2 * fs::file_size(first) - 1);
    EXPECT_FALSE(fs::exists(first));
    EXPECT_TRUE(fs::exists(second));
    EXPECT_TRUE(Finds(cache, std::string(30000, 's')));
    EXPECT_FALSE(Finds(cache, std::string(30000, 'f')));
    EXPECT_TRUE(Finds(cache, std::string(30000, 't')));
}

TEST(StreamCache, KeepsAtMostSoManyPacksAndNoStaleTemporaries)
{
    TemporaryFolder folder;
    const fs::path cache = folder.GetPath() / "cache";
    const fs::path model = StorePack(cache, "a pack to copy");
    const auto now = fs::file_time_type::clock::now();
    std::vector<fs::path> made{model};
    fs::last_write_time(model, now - std::chrono::hours(1000));
    for (std::size_t i = 1; i < StreamCache::MAX_PACKS + 2; ++i) {
        made.push_back(PackFolder(cache) / ("copy-" + std::to_string(i) + ".pack"));
        fs::copy_file(model, made.back());
        fs::last_write_time(made.back(), now - std::chrono::hours(1000 - i));
    }
    test::WriteFile(PackFolder(cache) / ".tmp-1-stale", "left by a stopped build");
    fs::last_write_time(PackFolder(cache) / ".tmp-1-stale", now - std::chrono::hours(2));
    test::WriteFile(PackFolder(cache) / ".tmp-2-running", "another build's pack");
    test::WriteFile(cache / "streams-v1" / "ab" / "cdef", "an entry of the former layout");

    StorePack(cache, "the last");
    EXPECT_EQ(ReadFiles(PackFolder(cache)).size(), StreamCache::MAX_PACKS + 1);  // and the running one
    for (std::size_t i = 0; i < made.size(); ++i)
        EXPECT_EQ(fs::exists(made[i]), i >= 3) << i;
    EXPECT_FALSE(fs::exists(PackFolder(cache) / ".tmp-1-stale"));
    EXPECT_TRUE(fs::exists(PackFolder(cache) / ".tmp-2-running"));
    EXPECT_FALSE(fs::exists(cache / "streams-v1"));
}

TEST(StreamCache, APackDatedAheadOfTheClockGoesFirst)
{
    // Dated while the clock was wrong: it would otherwise outlive every pack made since.
    TemporaryFolder folder;
    const fs::path cache = folder.GetPath() / "cache";
    const fs::path ahead = StorePack(cache, std::string(30000, 'a'));
    const auto now = fs::file_time_type::clock::now();
    fs::last_write_time(ahead, now + std::chrono::hours(24 * 30));
    test::WriteFile(PackFolder(cache) / ".tmp-1-ahead", "left by a stopped build before the clock was set back");
    fs::last_write_time(PackFolder(cache) / ".tmp-1-ahead", now + std::chrono::hours(24 * 30));
    // Written by another build while this one lists the folder, on a clock a little ahead.
    test::WriteFile(PackFolder(cache) / ".tmp-2-writing", "another build's pack");
    fs::last_write_time(PackFolder(cache) / ".tmp-2-writing", now + std::chrono::minutes(2));
    StorePack(cache, std::string(30000, 'n'), fs::file_size(ahead) + 100);
    EXPECT_FALSE(fs::exists(ahead));
    EXPECT_FALSE(fs::exists(PackFolder(cache) / ".tmp-1-ahead"));
    EXPECT_TRUE(fs::exists(PackFolder(cache) / ".tmp-2-writing"));
    EXPECT_TRUE(Finds(cache, std::string(30000, 'n')));
}

TEST(StreamCache, APackThatCannotBeDeletedLeavesTheNextOldestToGo)
{
    TemporaryFolder folder;
    const fs::path cache = folder.GetPath() / "cache";
    const fs::path stuck = StorePack(cache, std::string(30000, 'a'));
    const fs::path older = StorePack(cache, std::string(30000, 'b'));
    const auto now = fs::file_time_type::clock::now();
    fs::last_write_time(stuck, now - std::chrono::hours(48));
    fs::last_write_time(older, now - std::chrono::hours(24));
    // As another user's pack in a shared folder is; here, for root too, by the immutable flag.
    const int file = ::open(stuck.c_str(), O_RDONLY);
    ASSERT_GE(file, 0);
    int flags = 0;
    if (::ioctl(file, FS_IOC_GETFLAGS, &flags) != 0 || (flags |= FS_IMMUTABLE_FL, ::ioctl(file, FS_IOC_SETFLAGS, &flags)) != 0) {
        ::close(file);
        GTEST_SKIP() << "this file system or user cannot make a file immutable";
    }
    StorePack(cache, std::string(30000, 'c'), fs::file_size(stuck) + 100);
    const bool olderKept = fs::exists(older);
    flags &= ~FS_IMMUTABLE_FL;
    (void)::ioctl(file, FS_IOC_SETFLAGS, &flags);
    ::close(file);
    EXPECT_FALSE(olderKept);
    EXPECT_TRUE(Finds(cache, std::string(30000, 'c')));
}

TEST(StreamCache, AHugeIndexIsADamagedPackNotAFailure)
{
    // A sparse file whose tail claims 2^32 - 1 records: not read into memory, and dropped.
    TemporaryFolder folder;
    const fs::path cache = folder.GetPath() / "cache";
    const fs::path pack = PackFolder(cache) / "1-1-1.pack";
    fs::create_directories(PackFolder(cache));
    const std::uint64_t size = std::uint64_t{300} << 30;
    {
        const int file = ::open(pack.c_str(), O_WRONLY | O_CREAT, 0600);
        ASSERT_GE(file, 0);
        ASSERT_EQ(::ftruncate(file, static_cast<off_t>(size)), 0);
        std::uint8_t tail[TAIL_SIZE];
        WriteU32(tail, 0xFFFFFFFF);
        WriteU32(tail + 4, 0);
        std::copy_n("QSP1", 4, tail + 8);
        ASSERT_EQ(::pwrite(file, tail, sizeof tail, static_cast<off_t>(size - sizeof tail)), 12);
        ::close(file);
    }
    StreamCache opened({cache});
    EXPECT_FALSE(fs::exists(pack));
    EXPECT_EQ(opened.TakeWarning(), "");
}

TEST(StreamCache, ItsFoldersAndPacksAreTheUsersAlone)
{
    // They hold a copy of every product built.
    TemporaryFolder folder;
    const fs::path cache = folder.GetPath() / "home" / "cache" / "quillset";
    const fs::path pack = StorePack(cache, "a product's file");
    for (const fs::path& made : {folder.GetPath() / "home", cache, PackFolder(cache)})
        EXPECT_EQ(fs::status(made).permissions() & fs::perms::all, fs::perms::owner_all) << made;
    EXPECT_EQ(fs::status(pack).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);

    // The packs folder of an earlier version, open by the umask (022, 002, 027, 007) to others
    // or to the group, is closed once the cache is opened.
    const fs::perms groupReads = fs::perms::group_read | fs::perms::group_exec;
    const fs::perms othersRead = fs::perms::others_read | fs::perms::others_exec;
    for (const fs::perms open : {groupReads | othersRead, fs::perms::group_all | othersRead, groupReads,
                                 fs::perms::group_all}) {
        fs::permissions(PackFolder(cache), fs::perms::owner_all | open);
        EXPECT_TRUE(Finds(cache, "a product's file"));
        EXPECT_EQ(fs::status(PackFolder(cache)).permissions(), fs::perms::owner_all) << int(open);
    }
    // One shared with a group, or with all, on purpose stays shared.
    for (const fs::perms shared : {fs::perms::owner_all | fs::perms::group_all | fs::perms::set_gid,
                                   fs::perms::all | fs::perms::sticky_bit}) {
        fs::permissions(PackFolder(cache), shared);
        EXPECT_TRUE(Finds(cache, "a product's file"));
        EXPECT_EQ(fs::status(PackFolder(cache)).permissions(), shared) << int(shared);
    }
}

// A cache of more packs than the process may open files still serves every stream.
TEST(StreamCache, ServesMorePacksThanTheProcessMayOpenFiles)
{
    TemporaryFolder folder;
    const fs::path cache = folder.GetPath() / "cache";
    constexpr int packCount = 60;
    for (int i = 0; i < packCount; ++i)
        ASSERT_FALSE(StorePack(cache, "pack " + std::to_string(i)).empty());
    rlimit before{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &before), 0);
    rlimit lowered = before;
    lowered.rlim_cur = 40;
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &lowered), 0);
    int found = 0;
    std::string warning;
    {
        StreamCache reader({cache});
        for (int i = 0; i < packCount; ++i) {
            const std::string text = "pack " + std::to_string(i);
            const Bytes input(text.begin(), text.end());
            found += reader.Find(*reader.MakeKey(input, DEFAULT_LEVEL), input).has_value() ? 1 : 0;
        }
        warning = reader.TakeWarning();
    }
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &before), 0);
    EXPECT_EQ(found, packCount);
    EXPECT_EQ(warning, "");
}

TEST(StreamCache, ABuildsStreamsFillPacksOfTheSizeSetSoThatALimitKeepsSomeOfThem)
{
    TemporaryFolder folder;
    const fs::path cache = folder.GetPath() / "cache";
    constexpr std::uint64_t packSize = 40000;
    std::vector<Bytes> inputs;
    {
        StreamCache writer({cache, DEFAULT_CACHE_LIMIT, packSize});
        for (std::uint32_t i = 0; i < 5; ++i) {
            inputs.push_back(test::MakeNoise(15000, i));
            writer.Store(*writer.MakeKey(inputs.back(), DEFAULT_LEVEL), inputs.back(),
                         CompressZlib(inputs.back(), DEFAULT_LEVEL));
        }
        writer.Finish();
    }
    const std::map<fs::path, Bytes> packs = ReadFiles(PackFolder(cache));
    EXPECT_EQ(packs.size(), 3u) << "two streams to a pack";
    for (const auto& [path, pack] : packs)
        EXPECT_LE(pack.size(), packSize + 2 * RECORD_SIZE + TAIL_SIZE) << path;
    EXPECT_EQ(ReadRecords(cache).size(), inputs.size());

    // A limit below the build's streams keeps what fits, instead of nothing.
    StreamCache trimmer({cache, packSize, packSize});
    trimmer.Finish();
    const std::size_t kept = ReadFiles(PackFolder(cache)).size();
    EXPECT_GE(kept, 1u);
    EXPECT_LT(kept, packs.size());
    StreamCache reader({cache});
    std::size_t found = 0;
    for (const Bytes& input : inputs)
        found += reader.Find(*reader.MakeKey(input, DEFAULT_LEVEL), input).has_value() ? 1 : 0;
    EXPECT_EQ(found, ReadRecords(cache).size());
    EXPECT_GE(found, 1u);
}

TEST(StreamCache, AnUnfinishedPackIsDeleted)
{
    TemporaryFolder folder;
    const fs::path cache = folder.GetPath() / "cache";
    {
        const Bytes input(5000, 'u');
        StreamCache writer({cache});
        writer.Store(*writer.MakeKey(input, DEFAULT_LEVEL), input, CompressZlib(input, DEFAULT_LEVEL));
        ASSERT_EQ(ReadFiles(cache).size(), 1u);
    }
    EXPECT_TRUE(ReadFiles(cache).empty());
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
