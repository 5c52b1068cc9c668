// The stream cache on disk: SHA-256 keys from libcrypto, one pack of streams per build with an
// index at its end, streams checked before use against the input they stand for, atomic packs
// by rename, and trimming oldest first.
#include "stream_cache.h"

#include <fcntl.h>
#include <libdeflate.h>
#include <openssl/evp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>
#include <system_error>
#include <utility>

#include "common/byte_order.h"

namespace quillset {
namespace {

namespace fs = std::filesystem;

// Part of every key: a change to the entry layout, to what goes into the key or to the stream
// that the same input and level give starts afresh (2: incompressible input takes level 1;
// 3: input that level 1 makes no smaller is stored; 4: packs).
constexpr std::string_view KEY_FORMAT = "quillset stream cache 4";
constexpr std::string_view PACK_FOLDER = "packs-v1";
constexpr std::string_view FORMER_ENTRY_FOLDER = "streams-v1";
constexpr std::string_view PACK_SUFFIX = ".pack";
constexpr std::array<std::uint8_t, 4> PACK_MAGIC{'Q', 'S', 'P', '1'};
constexpr std::size_t RECORD_SIZE = 52;  // key 32, offset 8, input size, stream size, CRC-32
constexpr std::size_t TAIL_SIZE = 12;    // record count, CRC-32 of the records, magic
constexpr std::size_t ZLIB_FRAME_SIZE = 6;  // two header bytes and the Adler-32
// The most records a pack holds (208 MiB of them): a build closes its pack there, and a tail
// that claims more is damaged, not read into memory.
constexpr std::uint64_t MOST_PACK_RECORDS = std::uint64_t{1} << 22;
// A build that was stopped may leave its temporary file; one this old belongs to no build.
constexpr auto STALE_TEMPORARY_AGE = std::chrono::hours(1);
// A file dated further ahead than this was dated while the clock was wrong. Less is a build
// writing at this moment, or a file system whose clock runs a little ahead.
constexpr auto AHEAD_OF_THE_CLOCK = std::chrono::hours(1);
constexpr std::string_view TEMPORARY_PREFIX = ".tmp-";

std::uint32_t GetCrc32(std::span<const std::uint8_t> bytes)
{
    return libdeflate_crc32(0, bytes.data(), bytes.size());
}

std::string DescribeErrno(const std::string& action, const fs::path& path)
{
    const int error = errno;
    return action + " " + path.string() + ": " + std::strerror(error);
}

bool ReadExactlyAt(int fd, std::uint8_t* into, std::size_t size, std::uint64_t offset)
{
    while (size > 0) {
        const ssize_t count = ::pread(fd, into, size, static_cast<off_t>(offset));
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return false;
        into += count;
        size -= static_cast<std::size_t>(count);
        offset += static_cast<std::uint64_t>(count);
    }
    return true;
}

// Makes `folder` and the missing levels above it, each open to its owner alone, as the packs
// are: they hold a copy of every product built, which is no business of other users.
std::error_code MakePrivateFolders(const fs::path& folder)
{
    std::error_code error;
    if (fs::is_directory(folder, error))
        return {};
    const fs::path parent = folder.parent_path();
    if (!parent.empty() && parent != folder) {
        if (const std::error_code parentError = MakePrivateFolders(parent))
            return parentError;
    }
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return {errno, std::generic_category()};
    return {};
}

bool WriteExactly(int fd, const std::uint8_t* from, std::size_t size)
{
    while (size > 0) {
        const ssize_t count = ::write(fd, from, size);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return false;
        from += count;
        size -= static_cast<std::size_t>(count);
    }
    return true;
}

// Whether `stream` is a zlib stream of exactly `input`, as the launcher will inflate it: the
// header for deflate with a 32 KiB window and no preset dictionary, and a body that decodes,
// to its last byte, to the input's bytes. Checksums alone would not do: a record's CRC-32 is
// written by whoever wrote the pack, and other bytes of the same Adler-32 are easy to make.
bool IsStreamOf(std::span<const std::uint8_t> stream, std::span<const std::uint8_t> input)
{
    if (stream.size() < ZLIB_FRAME_SIZE)
        return false;
    const unsigned header = stream[0] << 8 | stream[1];
    if (stream[0] != 0x78 || header % 31 != 0 || (stream[1] & 0x20) != 0)
        return false;
    const std::unique_ptr<libdeflate_decompressor, decltype(&libdeflate_free_decompressor)> decompressor(
        libdeflate_alloc_decompressor(), libdeflate_free_decompressor);
    if (!decompressor)
        throw std::bad_alloc();  // not the stream's fault: see Find
    std::vector<std::uint8_t> inflated(input.size());
    std::size_t read = 0;
    std::size_t written = 0;
    return libdeflate_zlib_decompress_ex(decompressor.get(), stream.data(), stream.size(), inflated.data(),
                                         inflated.size(), &read, &written) == LIBDEFLATE_SUCCESS &&
           read == stream.size() && written == input.size() &&
           std::equal(inflated.begin(), inflated.end(), input.begin());
}

// The packs folder of an earlier version, made with the user's umask and so open to others, is
// closed to its owner: the packs in it were made readable by all. A folder that carries the
// setgid or sticky bit, which no version made, is shared on purpose and stays as it is; so
// does a link to one.
void ClosePackFolder(const fs::path& packs)
{
    struct stat status { };
    if (::lstat(packs.c_str(), &status) == 0 && S_ISDIR(status.st_mode) && status.st_uid == ::geteuid() &&
        (status.st_mode & (S_ISGID | S_ISVTX)) == 0 && (status.st_mode & 077) != 0)
        (void)::chmod(packs.c_str(), 0700);  // a folder left open is what it was before
}

}  // namespace

// A pack whose index this build read. It is opened again for each stream taken from it, not
// held open: a cache of many packs would take as many descriptors as the process may have. A
// pack that another build's trimming deleted meanwhile is only a miss.
struct StreamCache::Pack {
    fs::path path;
    bool refreshed = false;
    bool dropped = false;
};

std::size_t StreamCache::DigestHash::operator()(const std::array<std::uint8_t, 32>& digest) const
{
    // The digest is uniform already: its first bytes are as good a hash as any.
    std::size_t hash = 0;
    std::memcpy(&hash, digest.data(), sizeof hash);
    return hash;
}

std::string StreamKey::ToHex() const
{
    static constexpr char digits[] = "0123456789abcdef";
    std::string hex;
    for (std::uint8_t byte : digest) {
        hex += digits[byte >> 4];
        hex += digits[byte & 15];
    }
    return hex;
}

StreamKey MakeStreamKey(std::span<const std::uint8_t> input, int level)
{
    // The same bytes at the same level give other streams under another libdeflate version.
    std::string settings(KEY_FORMAT);
    settings += '\0';
    settings += LIBDEFLATE_VERSION_STRING;
    settings += '\0';
    settings += std::to_string(level);
    settings += '\0';
    settings += std::to_string(input.size());
    settings += '\0';

    const std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    StreamKey key;
    unsigned int length = 0;
    if (!context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1 ||
        EVP_DigestUpdate(context.get(), settings.data(), settings.size()) != 1 ||
        EVP_DigestUpdate(context.get(), input.data(), input.size()) != 1 ||
        EVP_DigestFinal_ex(context.get(), key.digest.data(), &length) != 1 || length != key.digest.size())
        throw std::runtime_error("libcrypto cannot compute SHA-256");
    return key;
}

std::optional<fs::path> FindDefaultCacheFolder()
{
    const char* cacheHome = std::getenv("XDG_CACHE_HOME");
    if (cacheHome && fs::path(cacheHome).is_absolute())
        return fs::path(cacheHome) / "quillset";
    const char* home = std::getenv("HOME");
    if (home && *home)
        return fs::path(home) / ".cache" / "quillset";
    return std::nullopt;
}

std::uint64_t ParseCacheLimit(std::string_view text)
{
    const auto refuse = [&] {
        return std::invalid_argument("\"" + std::string(text) +
                                     "\" is no cache size; give bytes, or a number with K, M, G or T "
                                     "(binary units), like 512M or 2G");
    };
    std::size_t digits = 0;
    while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9')
        ++digits;
    if (digits == 0 || digits > 15)
        throw refuse();
    std::uint64_t value = std::stoull(std::string(text.substr(0, digits)));
    std::string unit(text.substr(digits));
    std::transform(unit.begin(), unit.end(), unit.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    if (unit.size() == 3 && unit.ends_with("IB"))
        unit.resize(1);
    const std::string_view units = "KMGT";
    if (unit.empty())
        return value;
    if (unit.size() != 1 || units.find(unit[0]) == std::string_view::npos)
        throw refuse();
    const int shift = 10 * (static_cast<int>(units.find(unit[0])) + 1);
    if (value > (~std::uint64_t{0} >> shift))
        throw refuse();
    return value << shift;
}

StreamCache::StreamCache(CacheSettings settings)
    : settings(std::move(settings)), packs(this->settings.folder / PACK_FOLDER)
{
    try {
        ReadPacks();
    } catch (const std::exception& error) {
        // What was read serves; the rest of the cache is a miss.
        NoteFailure("cannot read the packs in " + packs.string() + ": " + error.what());
    }
}

StreamCache::~StreamCache()
{
    if (newPack >= 0) {
        ::close(newPack);
        ::unlink(newPackPath.c_str());  // the build failed: nobody is to read half a pack
        newPackRemoval.reset();
    }
}

std::optional<StreamKey> StreamCache::MakeKey(std::span<const std::uint8_t> input, int level)
{
    try {
        return MakeStreamKey(input, level);
    } catch (const std::runtime_error& error) {
        NoteFailure(error.what());
        return std::nullopt;
    }
}

void StreamCache::NoteFailure(const std::string& what)
{
    const std::lock_guard lock(failureGuard);
    if (firstFailure.empty())
        firstFailure = what;
}

std::string StreamCache::TakeWarning()
{
    const std::lock_guard lock(failureGuard);
    return std::exchange(firstFailure, {});
}

void StreamCache::ReadPacks()
{
    ClosePackFolder(packs);
    struct Candidate {
        fs::file_time_type time;
        fs::path path;
    };
    std::vector<Candidate> candidates;
    std::error_code error;
    for (auto it = fs::directory_iterator(packs, error); !error && it != fs::directory_iterator(); it.increment(error)) {
        std::error_code entryError;
        const fs::file_time_type time = it->last_write_time(entryError);
        if (!entryError && it->path().extension() == PACK_SUFFIX && it->is_regular_file(entryError))
            candidates.push_back({time, it->path()});
    }
    if (error && error != std::errc::no_such_file_or_directory) {
        NoteFailure("cannot list " + packs.string() + ": " + error.message());
        return;
    }
    // Newest first, so that a key in two packs is read from the one used last; those beyond
    // the number kept are not opened, and go when the build finishes.
    std::sort(candidates.begin(), candidates.end(), [](const Candidate& a, const Candidate& b) {
        return a.time != b.time ? a.time > b.time : a.path > b.path;
    });
    if (candidates.size() > MAX_PACKS)
        candidates.resize(MAX_PACKS);
    for (const Candidate& candidate : candidates)
        ReadPack(candidate.path);
}

int StreamCache::OpenPack(const fs::path& path)
{
    const int file = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (file < 0 && errno != ENOENT)  // trimmed by another build since it was listed
        NoteFailure(DescribeErrno("cannot open", path));
    return file;
}

void StreamCache::ReadPack(const fs::path& path)
{
    const int file = OpenPack(path);
    if (file < 0)
        return;
    found.push_back(std::make_unique<Pack>(Pack{path}));
    ReadPackIndex(file, found.size() - 1);
    (void)::close(file);  // only read from
}

void StreamCache::ReadPackIndex(int file, std::size_t packIndex)
{
    const fs::path& path = found[packIndex]->path;
    struct stat status { };
    if (::fstat(file, &status) != 0) {
        NoteFailure(DescribeErrno("cannot read", path));
        return;
    }
    const auto size = static_cast<std::uint64_t>(status.st_size);
    std::array<std::uint8_t, TAIL_SIZE> tail{};
    if (size < TAIL_SIZE || !ReadExactlyAt(file, tail.data(), tail.size(), size - TAIL_SIZE) ||
        !std::equal(PACK_MAGIC.begin(), PACK_MAGIC.end(), tail.begin() + 8)) {
        DropPack(packIndex, "has no sound tail");
        return;
    }
    const std::uint64_t count = ReadU32(tail.data());
    if (count > MOST_PACK_RECORDS || count * RECORD_SIZE > size - TAIL_SIZE) {
        DropPack(packIndex, "has more records than room for them");
        return;
    }
    const std::uint64_t recordsStart = size - TAIL_SIZE - count * RECORD_SIZE;
    std::vector<std::uint8_t> records(static_cast<std::size_t>(count * RECORD_SIZE));
    if (!ReadExactlyAt(file, records.data(), records.size(), recordsStart) ||
        GetCrc32(records) != ReadU32(tail.data() + 4)) {
        DropPack(packIndex, "has damaged records");
        return;
    }
    std::vector<std::pair<std::array<std::uint8_t, 32>, Location>> entries;
    for (std::size_t at = 0; at < records.size(); at += RECORD_SIZE) {
        const std::uint8_t* record = records.data() + at;
        std::array<std::uint8_t, 32> digest{};
        std::copy(record, record + digest.size(), digest.begin());
        const Location location{packIndex, ReadU64(record + 32), ReadU32(record + 40), ReadU32(record + 44),
                                ReadU32(record + 48)};
        if (location.offset > recordsStart || location.streamSize > recordsStart - location.offset) {
            DropPack(packIndex, "has a stream outside it");
            return;
        }
        entries.emplace_back(digest, location);
    }
    for (const auto& [digest, location] : entries)
        index.emplace(digest, location);  // a newer pack's entry stays
}

void StreamCache::DropPack(std::size_t packIndex, const std::string& why)
{
    const std::lock_guard lock(packGuard);
    Pack& pack = *found[packIndex];
    if (pack.dropped)
        return;
    pack.dropped = true;
    // A damaged pack goes whole, and what it held is made anew.
    if (::unlink(pack.path.c_str()) != 0 && errno != ENOENT)
        NoteFailure(DescribeErrno("cannot delete the damaged pack (it " + why + ")", pack.path));
}

std::optional<std::vector<std::uint8_t>> StreamCache::Find(const StreamKey& key,
                                                           std::span<const std::uint8_t> input)
{
    const auto entry = index.find(key.digest);
    if (entry == index.end())
        return std::nullopt;
    const Location& location = entry->second;
    Pack& pack = *found[location.pack];
    // An entry longer than any stream of the input is damaged and is not even read.
    const std::uint64_t mostSize = libdeflate_zlib_compress_bound(nullptr, input.size());
    if (location.inputSize != input.size() || location.streamSize > mostSize) {
        DropPack(location.pack, "held a stream that does not match its record");
        return std::nullopt;
    }
    {
        const std::lock_guard lock(packGuard);
        if (pack.dropped)  // also when it could not be deleted
            return std::nullopt;
    }
    const int file = OpenPack(pack.path);
    if (file < 0)
        return std::nullopt;
    std::vector<std::uint8_t> stream;
    bool sound = false;
    try {
        stream.resize(location.streamSize);
        sound = ReadExactlyAt(file, stream.data(), stream.size(), location.offset) &&
                GetCrc32(stream) == location.crc && IsStreamOf(stream, input);
    } catch (const std::bad_alloc&) {
        // Memory short for the check says nothing about the pack: only this stream is made anew.
        (void)::close(file);  // only read from
        NoteFailure("not enough memory to check a stream of " + pack.path.string());
        return std::nullopt;
    }
    if (sound) {
        const std::lock_guard lock(packGuard);
        if (!pack.refreshed && !pack.dropped) {
            pack.refreshed = true;
            if (::futimens(file, nullptr) != 0)
                NoteFailure(DescribeErrno("cannot refresh the time of", pack.path));
        }
    }
    (void)::close(file);  // only read from
    if (!sound) {
        DropPack(location.pack, "held a stream that does not match its record");
        return std::nullopt;
    }
    return stream;
}

bool StreamCache::OpenNewPack()
{
    if (newPack >= 0)
        return true;
    if (newPackFailed)
        return false;
    if (const std::error_code error = MakePrivateFolders(packs)) {
        NoteFailure("cannot create " + packs.string() + ": " + error.message());
        newPackFailed = true;
        return false;
    }
    // Unique among builds at once: the process, the time, and a count for caches in one process.
    static std::atomic<std::uint64_t> packsMade{0};
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    const std::string unique = std::to_string(::getpid()) + "-" +
                               std::to_string(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()) +
                               "-" + std::to_string(packsMade.fetch_add(1));
    newPackPath = packs / (std::string(TEMPORARY_PREFIX) + unique);
    newPack = ::open(newPackPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (newPack < 0) {
        NoteFailure(DescribeErrno("cannot create", newPackPath));
        newPackFailed = true;
        return false;
    }
    // A stop ends the build without unwinding it, and so without the destructor's removal.
    newPackRemoval.emplace(newPackPath.string());
    return true;
}

void StreamCache::Store(const StreamKey& key, std::span<const std::uint8_t> input,
                        std::span<const std::uint8_t> stream)
{
    const std::uint32_t crc = GetCrc32(stream);
    const std::lock_guard lock(packGuard);
    if (storedKeys.contains(key.digest))
        return;
    if (newPackSize > 0 && (newPackSize + stream.size() > settings.packSize || newRecords.size() == MOST_PACK_RECORDS))
        CommitNewPack();
    if (!OpenNewPack())
        return;
    if (!WriteExactly(newPack, stream.data(), stream.size())) {
        NoteFailure(DescribeErrno("cannot write", newPackPath));
        ::close(newPack);
        ::unlink(newPackPath.c_str());
        newPackRemoval.reset();
        newPack = -1;
        newPackFailed = true;
        return;
    }
    storedKeys.insert(key.digest);
    newRecords.push_back({key, newPackSize, static_cast<std::uint32_t>(input.size()),
                          static_cast<std::uint32_t>(stream.size()), crc});
    newPackSize += stream.size();
}

void StreamCache::CommitNewPack()
{
    if (newPack < 0)
        return;
    std::vector<std::uint8_t> records(newRecords.size() * RECORD_SIZE + TAIL_SIZE);
    std::uint8_t* at = records.data();
    for (const NewRecord& record : newRecords) {
        std::copy(record.key.digest.begin(), record.key.digest.end(), at);
        WriteU64(at + 32, record.offset);
        WriteU32(at + 40, record.inputSize);
        WriteU32(at + 44, record.streamSize);
        WriteU32(at + 48, record.crc);
        at += RECORD_SIZE;
    }
    WriteU32(at, static_cast<std::uint32_t>(newRecords.size()));
    WriteU32(at + 4, GetCrc32(std::span(records.data(), newRecords.size() * RECORD_SIZE)));
    std::copy(PACK_MAGIC.begin(), PACK_MAGIC.end(), at + 8);
    const fs::path final = newPackPath.parent_path() /
                           (newPackPath.filename().string().substr(TEMPORARY_PREFIX.size()) + std::string(PACK_SUFFIX));
    const bool written = WriteExactly(newPack, records.data(), records.size());
    const bool closed = ::close(newPack) == 0;
    newPack = -1;
    newPackSize = 0;
    newRecords.clear();
    if (!written || !closed || ::rename(newPackPath.c_str(), final.c_str()) != 0) {
        NoteFailure(DescribeErrno("cannot write", newPackPath));
        ::unlink(newPackPath.c_str());
        newPackRemoval.reset();
        return;
    }
    newPackRemoval.reset();
    madePacks.push_back(final);
}

void StreamCache::Finish()
{
    {
        const std::lock_guard lock(packGuard);
        CommitNewPack();
    }
    Trim();
    std::error_code error;
    const fs::path former = settings.folder / FORMER_ENTRY_FOLDER;
    if (fs::exists(former, error) && !error) {
        fs::remove_all(former, error);
        if (error)
            NoteFailure("cannot delete the former cache " + former.string() + ": " + error.message());
    }
}

void StreamCache::Trim()
{
    struct Entry {
        fs::file_time_type time;
        std::uint64_t size;
        fs::path path;
    };
    std::vector<Entry> kept;
    std::uint64_t total = 0;
    std::error_code error;
    const auto now = fs::file_time_type::clock::now();
    for (auto it = fs::directory_iterator(packs, error); !error && it != fs::directory_iterator(); it.increment(error)) {
        std::error_code entryError;
        const std::uint64_t size = it->file_size(entryError);
        const fs::file_time_type time = it->last_write_time(entryError);
        if (entryError || !it->is_regular_file(entryError))
            continue;  // gone since it was listed, or not ours
        // A time far ahead of the clock says nothing of how recently a pack was used: such a
        // pack counts as the oldest, which a hit puts right.
        const bool dated = time <= now + AHEAD_OF_THE_CLOCK;
        if (it->path().filename().string().starts_with(TEMPORARY_PREFIX)) {
            if (!dated || now - time > STALE_TEMPORARY_AGE)
                fs::remove(it->path(), entryError);
            continue;
        }
        if (it->path().extension() != PACK_SUFFIX)
            continue;
        kept.push_back({dated ? time : fs::file_time_type::min(), size, it->path()});
        total += size;
    }
    if (error && error != std::errc::no_such_file_or_directory) {
        NoteFailure("cannot list " + packs.string() + ": " + error.message());
        return;
    }
    std::sort(kept.begin(), kept.end(), [](const Entry& a, const Entry& b) {
        return a.time != b.time ? a.time < b.time : a.path < b.path;
    });
    // A pack that cannot be deleted (another user's, in a shared folder) stays whatever this
    // build does: it is no longer counted, so that it does not take the newest packs with it.
    std::size_t count = kept.size();
    for (const Entry& entry : kept) {
        if (total <= settings.limit && count <= MAX_PACKS)
            break;
        if (!fs::remove(entry.path, error) && error)
            NoteFailure("cannot delete " + entry.path.string() + ": " + error.message());
        total -= entry.size;
        --count;
    }
}

}  // namespace quillset
