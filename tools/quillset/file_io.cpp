// File reading and writing with POSIX calls, so that errors carry errno's reason and the
// temporary output file can be created exclusively beside its final name.
#include "file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

#include "stop_signals.h"

namespace quillset {
namespace {

namespace fs = std::filesystem;

// Carries errno, so that a caller can tell a full disk from other failures.
std::system_error MakeSystemError(const std::string& what, const fs::path& file)
{
    return std::system_error(errno, std::generic_category(), what + " " + file.string());
}

// Removes the temporary file unless the write got as far as the rename.
struct TemporaryFile {
    std::string path;
    int descriptor = -1;
    bool kept = false;
    ~TemporaryFile()
    {
        if (descriptor >= 0)
            (void)::close(descriptor);  // already failing; the file goes anyway
        if (!kept)
            (void)::unlink(path.c_str());  // nothing to do if it is gone
    }
};

// The kernel's own bound on the links it follows in one path.
constexpr int MAX_LINK_HOPS = 40;

// Where `file` leads when it is a symbolic link, through any further links, dangling ones
// included: the output goes there and the link stays.
fs::path ResolveLinks(const fs::path& file)
{
    fs::path target = file;
    for (int hop = 0; hop < MAX_LINK_HOPS; ++hop) {
        std::error_code error;
        if (!fs::is_symlink(fs::symlink_status(target, error)))
            return target;
        const fs::path next = fs::read_symlink(target, error);
        if (error)
            throw std::runtime_error("cannot write " + file.string() + ": " + error.message());
        target = next.is_absolute() ? next : target.parent_path() / next;
    }
    throw std::runtime_error("cannot write " + file.string() + ": too many levels of symbolic links");
}

fs::path FindFileFolder(const fs::path& file)
{
    return file.parent_path().empty() ? fs::path(".") : file.parent_path();
}

mode_t GetDefaultFileMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

}  // namespace

std::vector<std::uint8_t> ReadWholeFile(const fs::path& file, std::uint64_t maxSize)
{
    const int descriptor = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        throw MakeSystemError("cannot read", file);
    const auto refuseSize = [&] {
        (void)::close(descriptor);  // already failing
        return std::runtime_error("cannot read " + file.string() + ": it is larger than " +
                                  std::to_string(maxSize) + " bytes, the most it may be");
    };
    std::vector<std::uint8_t> bytes;
    struct stat status { };
    if (::fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode)) {
        if (static_cast<std::uint64_t>(status.st_size) > maxSize)
            throw refuseSize();
        bytes.reserve(static_cast<std::size_t>(status.st_size));
    }
    std::uint8_t block[65536];
    while (true) {
        const ssize_t count = ::read(descriptor, block, sizeof block);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0) {
            const std::runtime_error error = MakeSystemError("cannot read", file);
            ::close(descriptor);
            throw error;
        }
        if (count == 0)
            break;
        // Pipes and devices have no size to check first; a file may also grow while it is read.
        if (static_cast<std::uint64_t>(count) > maxSize - bytes.size())
            throw refuseSize();
        bytes.insert(bytes.end(), block, block + count);
    }
    ::close(descriptor);
    return bytes;
}

namespace {

// Writes `pieces`, one after the other, to a temporary file in `folder` and renames it to
// `file`, unless a stop signal other than `stopBefore` is noted first: then the temporary file
// goes and `file` stays as it was.
void WriteThroughTemporaryFile(const fs::path& file, const fs::path& folder,
                               std::span<const std::span<const std::uint8_t>> pieces, int stopBefore)
{
    const auto IsStopped = [stopBefore] { return GetStopSignal() != stopBefore; };
    TemporaryFile temporary;
    // A name of its own, not one made from the output's, which may already be as long as a
    // name can be.
    temporary.path = (folder / ".quillset-output.XXXXXX").string();
    temporary.descriptor = ::mkstemp(temporary.path.data());
    if (temporary.descriptor < 0) {
        temporary.kept = true;  // nothing was created
        throw MakeSystemError("cannot create a file in", folder);
    }
    // Errors name the output, not the hidden temporary file that is removed again.
    if (::fchmod(temporary.descriptor, GetDefaultFileMode()) != 0)
        throw MakeSystemError("cannot set the mode of", file);

    for (const std::span<const std::uint8_t> bytes : pieces) {
        std::size_t written = 0;
        while (written < bytes.size() && !IsStopped()) {
            const ssize_t count = ::write(temporary.descriptor, bytes.data() + written, bytes.size() - written);
            if (count < 0 && errno == EINTR)
                continue;
            if (count < 0)
                throw MakeSystemError("cannot write", file);
            written += static_cast<std::size_t>(count);
        }
    }
    const int descriptor = temporary.descriptor;
    temporary.descriptor = -1;
    if (::close(descriptor) != 0)
        throw MakeSystemError("cannot write", file);
    if (IsStopped())
        return;
    if (::rename(temporary.path.c_str(), file.c_str()) != 0)
        throw MakeSystemError("cannot write", file);
    temporary.kept = true;
}

void WritePiecesAtomically(const fs::path& output, std::span<const std::span<const std::uint8_t>> pieces)
{
    // Renaming over a device or a pipe would put a file in its place, not write to it. The
    // output itself is looked at: /dev/stdout leads to a pipe through a link that names none.
    struct stat status { };
    if (::stat(output.c_str(), &status) == 0 && !S_ISREG(status.st_mode))
        throw std::runtime_error("cannot write " + output.string() +
                                 ": it is not a regular file, and the output replaces its file whole");
    const fs::path file = ResolveLinks(output);
    const fs::path folder = FindFileFolder(file);
    // A stop during the write takes its course once the temporary file is gone. One noted
    // before, while a command ends its run, leaves this write to finish.
    const int stopBefore = GetStopSignal();
    int stop = 0;
    {
        const StopSignalWatch watch;
        try {
            WriteThroughTemporaryFile(file, folder, pieces, stopBefore);
        } catch (const std::runtime_error&) {
            if (GetStopSignal() == stopBefore)
                throw;  // a failure of its own; after a stop, the stop is what counts
        }
        if (GetStopSignal() != stopBefore)
            stop = GetStopSignal();
    }
    if (stop == 0)
        return;
    // With the handler from before: the process ends, or an outer watch notes it and this
    // write still has to fail.
    (void)::raise(stop);
    throw std::runtime_error("stopped by signal " + std::to_string(stop) + "; " + output.string() +
                             " was not written");
}

}  // namespace

void WriteFileAtomically(const fs::path& output, std::span<const std::uint8_t> bytes)
{
    const std::span<const std::uint8_t> pieces[] = {bytes};
    WritePiecesAtomically(output, pieces);
}

void WriteFileAtomically(const fs::path& output, const BytePieces& bytes)
{
    WritePiecesAtomically(output, bytes.Spans());
}

std::string ReadProgramOutput(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

fs::path FindOutputFolder(const fs::path& output)
{
    return FindFileFolder(ResolveLinks(output));
}

}  // namespace quillset
