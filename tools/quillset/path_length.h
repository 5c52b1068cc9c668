// The Windows path-length limit applied to the product's files under the default install
// directory, with folder variables expanded to typical long values.
#pragma once

#include <cstddef>
#include <string>

#include "source_tree.h"

namespace quillset {

// The longest path Windows' ANSI file functions take: 260 characters with the NUL.
constexpr std::size_t MAX_INSTALLED_PATH = 259;

// Throws std::runtime_error naming the first file or folder whose installed path would be
// longer than MAX_INSTALLED_PATH characters.
void CheckPathLengths(const std::string& installDir, const SourceTree& tree);

}  // namespace quillset
