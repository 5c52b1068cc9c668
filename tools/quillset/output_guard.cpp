// Compares by device and inode when the output exists, so that links and other spellings of
// the same file are caught, and by path otherwise; inputs are checked before anything is written.
#include "output_guard.h"

#include <sys/stat.h>

#include <stdexcept>
#include <string>

namespace quillset {
namespace {

namespace fs = std::filesystem;

std::optional<std::pair<dev_t, ino_t>> FindIdentity(const fs::path& path)
{
    struct stat status { };
    if (::stat(path.c_str(), &status) != 0)
        return std::nullopt;
    return std::pair(status.st_dev, status.st_ino);
}

fs::path Normalise(const fs::path& path)
{
    std::error_code error;
    const fs::path absolute = fs::absolute(path, error);
    return (error ? path : absolute).lexically_normal();
}

}  // namespace

OutputGuard::OutputGuard(fs::path output, std::string remedy) : output(std::move(output)), remedy(std::move(remedy))
{
    if (this->output.empty())
        return;
    normalised = Normalise(this->output);
    identity = FindIdentity(this->output);
}

void OutputGuard::Check(const fs::path& input, std::string_view what) const
{
    if (output.empty())
        return;
    const bool same = identity ? FindIdentity(input) == identity : Normalise(input) == normalised;
    if (same)
        throw std::runtime_error(output.string() + ": the output would replace " + std::string(what) +
                                 ", which this command reads; " + remedy);
}

}  // namespace quillset
