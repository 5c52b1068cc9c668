// Default input lookup through /proc/self/exe, so the tool works wherever it is run from.
// A missing default says which option names another file.
#include "tool_paths.h"

#include <stdexcept>
#include <string>

namespace quillset {

namespace fs = std::filesystem;

fs::path FindSharedFile(std::string_view name)
{
    std::error_code error;
    const fs::path executable = fs::read_symlink("/proc/self/exe", error);
    const fs::path folder = error ? fs::path(".") : executable.parent_path();
    return (folder / ".." / "share" / "quillset" / name).lexically_normal();
}

fs::path ResolveInput(const fs::path& chosen, std::string_view name, std::string_view option,
                      std::string_view what)
{
    const fs::path path = chosen.empty() ? FindSharedFile(name) : chosen;
    std::error_code error;
    if (fs::is_regular_file(path, error))
        return path;
    std::string message = "no " + std::string(what) + " at " + path.string();
    if (chosen.empty())
        message += "; name one with " + std::string(option) + " PATH";
    throw std::runtime_error(message);
}

}  // namespace quillset
