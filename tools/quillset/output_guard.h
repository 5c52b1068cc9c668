// The refusal of an output that is also an input, such as `quillset build m.toml -o m.toml`,
// which would replace the manifest (or a product file) with the package.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string_view>
#include <utility>

namespace quillset {

class OutputGuard {
public:
    // An empty `output` guards nothing.
    explicit OutputGuard(std::filesystem::path output);

    // Throws std::runtime_error naming the output and `what` (e.g. "the manifest") when `input`
    // is the output: the same file when the output exists, else the same normalised absolute path.
    void Check(const std::filesystem::path& input, std::string_view what) const;

private:
    std::filesystem::path output;
    std::filesystem::path normalised;
    std::optional<std::pair<dev_t, ino_t>> identity;
};

}  // namespace quillset
