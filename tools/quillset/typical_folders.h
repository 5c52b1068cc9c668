// Folder variables expanded with typical long values of an English Windows XP, so that path
// lengths can be checked at build time although the real values are only known on the target.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quillset {

// `text` expanded as the wizard library expands it, over typical values: names match exactly,
// unknown names and %InstallDir%, %MenuFolder% and %Handle% stay as written. Nothing when the
// result would not fit a Windows path.
std::optional<std::string> ExpandTypicalFolders(std::string_view text);

// The same with %InstallDir% and %MenuFolder% given as well: the product's `installDir` (itself
// expanded with typical values) and its Start Menu folder `menuFolder` below the Programs menu.
std::optional<std::string> ExpandTypicalProductFolders(std::string_view text, std::string_view installDir,
                                                       std::string_view menuFolder);

// A typical Quick Launch folder, which has no folder variable.
extern const std::string_view TYPICAL_QUICK_LAUNCH;

}  // namespace quillset
