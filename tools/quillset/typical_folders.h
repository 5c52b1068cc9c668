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

}  // namespace quillset
