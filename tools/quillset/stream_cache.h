// A per-user cache of compressed streams, keyed by the input's bytes and the settings that
// shape the stream, so that a rebuild compresses only the files that changed.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "stop_signals.h"

namespace quillset {

constexpr std::uint64_t DEFAULT_CACHE_LIMIT = std::uint64_t{1} << 30;
// A build's streams go into packs of about this size, so that trimming a cache smaller than a
// product's streams still keeps some of them.
constexpr std::uint64_t DEFAULT_PACK_SIZE = std::uint64_t{64} << 20;

// Where and how much to cache; an empty folder means no cache.
struct CacheSettings {
    std::filesystem::path folder;
    std::uint64_t limit = DEFAULT_CACHE_LIMIT;
    std::uint64_t packSize = DEFAULT_PACK_SIZE;  // a pack is closed once it holds this much
};

// SHA-256 of the entry format, the libdeflate version, the level and the input's bytes.
struct StreamKey {
    std::array<std::uint8_t, 32> digest{};
    std::string ToHex() const;
};
StreamKey MakeStreamKey(std::span<const std::uint8_t> input, int level);

// $XDG_CACHE_HOME/quillset when that is an absolute path, else $HOME/.cache/quillset, else
// nothing.
std::optional<std::filesystem::path> FindDefaultCacheFolder();

// A byte count with an optional binary suffix: "1073741824", "512M", "1G" (K, M, G, T, any
// case, "iB" allowed after it). Throws std::invalid_argument saying what is accepted.
std::uint64_t ParseCacheLimit(std::string_view text);

// The cache is the folder <folder>/packs-v1, and nothing else of <folder> is touched but the
// entry files of the cache's former layout, streams-v1, which go. Each build that compressed
// anything adds packs, each written to a temporary file and renamed into place once it is full
// or the build finishes, never changed after. A pack is its streams back to back, then a record for each (the key's 32
// bytes, the stream's offset as u64, the input size, the stream size and the stream's CRC-32 as
// u32), then a 12-byte tail: the record count, the CRC-32 of the records, and "QSP1"; all
// little-endian. Every failure of the cache itself is kept as a warning and never fails a
// build; MakeKey, Find and Store are safe to call from several threads at once.
class StreamCache {
public:
    // Reads the index of every pack, newest first.
    explicit StreamCache(CacheSettings settings);
    // A pack that was not finished, because the build failed, is deleted. One that a signal
    // left goes with the first build an hour later.
    ~StreamCache();
    StreamCache(const StreamCache&) = delete;
    StreamCache& operator=(const StreamCache&) = delete;

    // MakeStreamKey, or nothing when it fails.
    std::optional<StreamKey> MakeKey(std::span<const std::uint8_t> input, int level);

    // The stream stored for `key`, after checking it against `input`: its sizes, its CRC-32, its
    // zlib header, and that it inflates to exactly the input. A pack holding a stream that
    // fails a check is deleted and nothing is returned, nor later for its other streams, which
    // this build makes anew. A hit makes its pack new.
    std::optional<std::vector<std::uint8_t>> Find(const StreamKey& key, std::span<const std::uint8_t> input);

    // Adds `stream` for `key` to this build's pack, putting the pack in place first when the
    // stream would take it beyond the pack size.
    void Store(const StreamKey& key, std::span<const std::uint8_t> input, std::span<const std::uint8_t> stream);

    // Puts this build's last pack in place, then deletes the oldest packs (by time, which a hit
    // refreshes) until the rest fit the limit and number at most MAX_PACKS, and temporary files
    // that a stopped build left behind.
    void Finish();

    // The first failure of the cache, for one warning after the build; empty when none.
    std::string TakeWarning();

    // The packs that this build put in place, for a build that needs their room back.
    const std::vector<std::filesystem::path>& GetMadePacks() const { return madePacks; }

    // Packs beyond this many are trimmed, oldest first, so that opening the cache stays quick.
    static constexpr std::size_t MAX_PACKS = 256;

private:
    struct Pack;
    struct Location {
        std::size_t pack;
        std::uint64_t offset;
        std::uint32_t inputSize;
        std::uint32_t streamSize;
        std::uint32_t crc;
    };
    struct DigestHash {
        std::size_t operator()(const std::array<std::uint8_t, 32>& digest) const;
    };
    struct NewRecord {
        StreamKey key;
        std::uint64_t offset;
        std::uint32_t inputSize;
        std::uint32_t streamSize;
        std::uint32_t crc;
    };

    void ReadPacks();
    int OpenPack(const std::filesystem::path& path);  // -1 when it cannot be read
    void ReadPack(const std::filesystem::path& path);
    void ReadPackIndex(int file, std::size_t pack);
    void DropPack(std::size_t pack, const std::string& why);
    bool OpenNewPack();
    void CommitNewPack();
    void Trim();
    void NoteFailure(const std::string& what);

    CacheSettings settings;
    std::filesystem::path packs;  // <folder>/packs-v1
    std::vector<std::unique_ptr<Pack>> found;
    std::unordered_map<std::array<std::uint8_t, 32>, Location, DigestHash> index;
    std::mutex packGuard;  // the packs' states below and this build's pack
    int newPack = -1;
    bool newPackFailed = false;
    std::filesystem::path newPackPath;
    std::optional<RemovalOnStop> newPackRemoval;  // while the pack is open
    std::uint64_t newPackSize = 0;
    std::vector<NewRecord> newRecords;  // of the open pack
    std::unordered_set<std::array<std::uint8_t, 32>, DigestHash> storedKeys;  // by this build
    std::vector<std::filesystem::path> madePacks;
    std::mutex failureGuard;
    std::string firstFailure;
};

}  // namespace quillset
