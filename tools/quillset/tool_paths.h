// Where the tool finds what it packs by default: ../share/quillset beside the folder of its own
// executable, which holds in the build tree (<build>/bin) and under an install prefix (bin/).
#pragma once

#include <filesystem>
#include <string_view>

namespace quillset {

// <folder of the running executable>/../share/quillset/<name>.
std::filesystem::path FindSharedFile(std::string_view name);

// `chosen` when not empty, else FindSharedFile(name); throws std::runtime_error naming the path
// and `option` when the file is not there.
std::filesystem::path ResolveInput(const std::filesystem::path& chosen, std::string_view name,
                                   std::string_view option, std::string_view what);

}  // namespace quillset
