// The words for the show modes of shortcut and run entries, indexed by the mode's number: the
// manifest's values and the inspector's descriptions.
#pragma once

#include <array>
#include <string_view>

#include "package/package_layout.h"

namespace quillset {

inline constexpr std::array<std::string_view, SHOW_MODE_COUNT> SHOW_WORDS = {"normal", "minimized", "maximized",
                                                                             "hidden"};

}  // namespace quillset
