// A per-user cache of compressed streams, keyed by the input's bytes and the settings that
// shape the stream, so that a rebuild compresses only the files that changed.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quillset {

constexpr std::uint64_t DEFAULT_CACHE_LIMIT = std::uint64_t{1} << 30;

// Where and how much to cache; an empty folder means no cache.
struct CacheSettings {
    std::filesystem::path folder;
    std::uint64_t limit = DEFAULT_CACHE_LIMIT;
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

// Entries are files <folder>/streams-v1/<2 hex digits>/<the other 62>, and nothing else of the
// folder is touched: a 16-byte head ("QSC1", the input size, the stream size, the CRC-32 of the
// stream; little-endian) and the zlib stream. Every failure of the cache itself is kept as a
// warning and never fails a build; all members are safe to call from several threads at once.
class StreamCache {
public:
    explicit StreamCache(CacheSettings settings);

    // MakeStreamKey, or nothing when it fails.
    std::optional<StreamKey> MakeKey(std::span<const std::uint8_t> input, int level);

    // The stream stored for `key`, after checking it against `input`: its sizes, its CRC-32, its
    // zlib header, and the Adler-32 in its trailer against the input's. An entry that fails a
    // check is deleted and nothing is returned. A hit refreshes the entry's time.
    std::optional<std::vector<std::uint8_t>> Find(const StreamKey& key, std::span<const std::uint8_t> input);

    // Stores `stream` for `key`, written to a temporary file and renamed into place, so that
    // another build never reads half an entry.
    void Store(const StreamKey& key, std::span<const std::uint8_t> input, std::span<const std::uint8_t> stream);

    // Deletes the oldest entries (by time, which a hit refreshes) until the rest fit the limit,
    // and temporary files that a stopped build left behind.
    void Trim();

    // The first failure of the cache, for one warning after the build; empty when none.
    std::string TakeWarning();

private:
    std::filesystem::path GetEntryPath(const StreamKey& key) const;
    void NoteFailure(const std::string& what);

    CacheSettings settings;
    std::filesystem::path entries;  // <folder>/streams-v1
    std::string processId;          // in the names of temporary files, with a counter
    std::atomic<std::uint64_t> temporaryCount{0};
    std::mutex failureGuard;
    std::string firstFailure;
};

}  // namespace quillset
