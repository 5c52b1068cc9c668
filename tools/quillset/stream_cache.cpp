// The stream cache on disk: SHA-256 keys from libcrypto, entries checked before use against
// the input they stand for, atomic writes by rename, and trimming oldest first.
#include "stream_cache.h"

#include <fcntl.h>
#include <libdeflate.h>
#include <openssl/evp.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <system_error>
#include <utility>

namespace quillset {
namespace {

namespace fs = std::filesystem;

// Part of every key: a change to the entry layout, to what goes into the key or to the stream
// that the same input and level give starts afresh (2: incompressible input takes level 1;
// 3: input that level 1 makes no smaller is stored).
constexpr std::string_view KEY_FORMAT = "quillset stream cache 3";
constexpr std::string_view ENTRY_FOLDER = "streams-v1";
constexpr std::array<std::uint8_t, 4> ENTRY_MAGIC{'Q', 'S', 'C', '1'};
constexpr std::size_t ENTRY_HEAD_SIZE = 16;
constexpr std::size_t ZLIB_FRAME_SIZE = 6;  // two header bytes and the Adler-32
// A build that was stopped may leave its temporary file; one this old belongs to no build.
constexpr auto STALE_TEMPORARY_AGE = std::chrono::hours(1);
constexpr std::string_view TEMPORARY_MARK = ".tmp-";

void PutU32(std::uint8_t* at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t GetU32(const std::uint8_t* at)
{
    return at[0] | at[1] << 8 | at[2] << 16 | static_cast<std::uint32_t>(at[3]) << 24;
}

std::uint32_t GetAdler32(std::span<const std::uint8_t> bytes)
{
    return libdeflate_adler32(1, bytes.data(), bytes.size());
}

std::uint32_t GetCrc32(std::span<const std::uint8_t> bytes)
{
    return libdeflate_crc32(0, bytes.data(), bytes.size());
}

std::string DescribeErrno(const std::string& action, const fs::path& path)
{
    const int error = errno;
    return action + " " + path.string() + ": " + std::strerror(error);
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd(fd) {}
    ~FileDescriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int Get() const { return fd; }
    void Reset(int other)
    {
        if (fd >= 0)
            ::close(fd);
        fd = other;
    }
    bool Close()
    {
        const int result = ::close(fd);
        fd = -1;
        return result == 0;
    }

private:
    int fd;
};

bool ReadExactly(int fd, std::uint8_t* into, std::size_t size)
{
    while (size > 0) {
        const ssize_t count = ::read(fd, into, size);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return false;
        into += count;
        size -= static_cast<std::size_t>(count);
    }
    return true;
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

// `first` then `second`, in one call when the system takes them whole.
bool WriteBoth(int fd, std::span<const std::uint8_t> first, std::span<const std::uint8_t> second)
{
    iovec pieces[2] = {{const_cast<std::uint8_t*>(first.data()), first.size()},
                       {const_cast<std::uint8_t*>(second.data()), second.size()}};
    ssize_t count = ::writev(fd, pieces, 2);
    while (count < 0 && errno == EINTR)
        count = ::writev(fd, pieces, 2);
    if (count < 0)
        return false;
    const std::size_t done = static_cast<std::size_t>(count);
    if (done < first.size())
        return WriteExactly(fd, first.data() + done, first.size() - done) &&
               WriteExactly(fd, second.data(), second.size());
    return WriteExactly(fd, second.data() + (done - first.size()), second.size() - (done - first.size()));
}

// Whether an entry's `head` and `stream` are a sound stream of `input`.
bool IsSoundEntry(std::span<const std::uint8_t, ENTRY_HEAD_SIZE> head, std::span<const std::uint8_t> stream,
                  std::span<const std::uint8_t> input)
{
    if (!std::equal(ENTRY_MAGIC.begin(), ENTRY_MAGIC.end(), head.begin()) || stream.size() < ZLIB_FRAME_SIZE ||
        GetU32(head.data() + 4) != input.size() || GetU32(head.data() + 8) != stream.size() ||
        GetU32(head.data() + 12) != GetCrc32(stream))
        return false;
    // A zlib header for deflate with a 32 KiB window and no preset dictionary.
    const unsigned header = stream[0] << 8 | stream[1];
    if (stream[0] != 0x78 || header % 31 != 0 || (stream[1] & 0x20) != 0)
        return false;
    const std::uint8_t* trailer = stream.data() + stream.size() - 4;
    const std::uint32_t adler = static_cast<std::uint32_t>(trailer[0]) << 24 | trailer[1] << 16 |
                                trailer[2] << 8 | trailer[3];
    return adler == GetAdler32(input);
}

}  // namespace

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
    : settings(std::move(settings)), entries(this->settings.folder / ENTRY_FOLDER), processId(std::to_string(::getpid()))
{
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

fs::path StreamCache::GetEntryPath(const StreamKey& key) const
{
    const std::string hex = key.ToHex();
    return entries / hex.substr(0, 2) / hex.substr(2);
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

std::optional<std::vector<std::uint8_t>> StreamCache::Find(const StreamKey& key,
                                                           std::span<const std::uint8_t> input)
{
    const fs::path path = GetEntryPath(key);
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.Get() < 0) {
        if (errno != ENOENT && errno != ENOTDIR)
            NoteFailure(DescribeErrno("cannot open", path));
        return std::nullopt;
    }
    struct stat status { };
    if (::fstat(file.Get(), &status) != 0) {
        NoteFailure(DescribeErrno("cannot read", path));
        return std::nullopt;
    }
    // An entry longer than any stream of the input is damaged and is not even read.
    const std::uint64_t mostSize = ENTRY_HEAD_SIZE + libdeflate_zlib_compress_bound(nullptr, input.size());
    bool sound = S_ISREG(status.st_mode) && status.st_size >= static_cast<off_t>(ENTRY_HEAD_SIZE) &&
                 static_cast<std::uint64_t>(status.st_size) <= mostSize;
    std::array<std::uint8_t, ENTRY_HEAD_SIZE> head{};
    std::vector<std::uint8_t> stream;
    if (sound) {
        stream.resize(static_cast<std::size_t>(status.st_size) - ENTRY_HEAD_SIZE);
        sound = ReadExactly(file.Get(), head.data(), head.size()) &&
                ReadExactly(file.Get(), stream.data(), stream.size()) && IsSoundEntry(head, stream, input);
    }
    if (!sound) {
        // Damaged or cut short: it goes, and the stream is made anew.
        if (::unlink(path.c_str()) != 0 && errno != ENOENT)
            NoteFailure(DescribeErrno("cannot delete the damaged entry", path));
        return std::nullopt;
    }
    if (::futimens(file.Get(), nullptr) != 0)
        NoteFailure(DescribeErrno("cannot refresh the time of", path));
    return stream;
}

void StreamCache::Store(const StreamKey& key, std::span<const std::uint8_t> input,
                        std::span<const std::uint8_t> stream)
{
    const fs::path path = GetEntryPath(key);
    const fs::path temporary = path.string() + std::string(TEMPORARY_MARK) + processId + "-" +
                               std::to_string(temporaryCount.fetch_add(1));
    const auto create = [&] { return ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644); };
    FileDescriptor file(create());
    if (file.Get() < 0 && errno == ENOENT) {
        // The first entry of its folder: the folders are made then, not looked at every time.
        std::error_code error;
        fs::create_directories(path.parent_path(), error);
        if (error) {
            NoteFailure("cannot create " + path.parent_path().string() + ": " + error.message());
            return;
        }
        file.Reset(create());
    }
    if (file.Get() < 0) {
        NoteFailure(DescribeErrno("cannot create", temporary));
        return;
    }
    std::array<std::uint8_t, ENTRY_HEAD_SIZE> head{};
    std::copy(ENTRY_MAGIC.begin(), ENTRY_MAGIC.end(), head.begin());
    PutU32(head.data() + 4, static_cast<std::uint32_t>(input.size()));
    PutU32(head.data() + 8, static_cast<std::uint32_t>(stream.size()));
    PutU32(head.data() + 12, GetCrc32(stream));
    if (!WriteBoth(file.Get(), head, stream) || !file.Close() || ::rename(temporary.c_str(), path.c_str()) != 0) {
        NoteFailure(DescribeErrno("cannot write", temporary));
        ::unlink(temporary.c_str());
    }
}

void StreamCache::Trim()
{
    struct Entry {
        fs::file_time_type time;
        std::uint64_t size;
        fs::path path;
    };
    std::vector<Entry> found;
    std::uint64_t total = 0;
    std::error_code error;
    const auto now = fs::file_time_type::clock::now();
    for (auto it = fs::recursive_directory_iterator(entries, error); !error && it != fs::recursive_directory_iterator();
         it.increment(error)) {
        if (it.depth() != 1)
            continue;
        std::error_code entryError;
        const std::uint64_t size = it->file_size(entryError);
        const fs::file_time_type time = it->last_write_time(entryError);
        if (entryError || !it->is_regular_file(entryError))
            continue;  // gone since it was listed, or not ours
        if (it->path().filename().string().find(TEMPORARY_MARK) != std::string::npos) {
            if (now - time > STALE_TEMPORARY_AGE)
                fs::remove(it->path(), entryError);
            continue;
        }
        found.push_back({time, size, it->path()});
        total += size;
    }
    if (error && error != std::errc::no_such_file_or_directory) {
        NoteFailure("cannot list " + entries.string() + ": " + error.message());
        return;
    }
    if (total <= settings.limit)
        return;
    std::sort(found.begin(), found.end(), [](const Entry& a, const Entry& b) { return a.time < b.time; });
    for (const Entry& entry : found) {
        if (total <= settings.limit)
            break;
        if (!fs::remove(entry.path, error) && error) {
            NoteFailure("cannot delete " + entry.path.string() + ": " + error.message());
            return;
        }
        total -= entry.size;
    }
}

}  // namespace quillset
