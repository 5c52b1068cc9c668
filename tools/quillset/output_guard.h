// The refusal of an output that is also an input, such as `quillset build m.toml -o m.toml`,
// which would replace the manifest (or a product file) with the package.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace quillset {

class OutputGuard {
public:
    // An empty `output` guards nothing. `remedy` ends the refusal: how to name another output.
    explicit OutputGuard(std::filesystem::path output, std::string remedy = "name another output file with -o");

    // Throws std::runtime_error naming the output and `what` (e.g. "the manifest") when `input`
    // is the output: the same file when the output exists, else the same normalised absolute path.
    void Check(const std::filesystem::path& input, std::string_view what) const;

private:
    std::filesystem::path output;
    std::string remedy;
    std::filesystem::path normalised;
    std::optional<std::pair<dev_t, ino_t>> identity;
};

}  // namespace quillset
