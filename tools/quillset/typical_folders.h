// Folder variables expanded with typical long values of an English Windows XP, so that path
// lengths can be checked at build time although the real values are only known on the target.
#pragma once

#include <string>
#include <string_view>

namespace quillset {

// `text` with every known folder variable replaced by its typical value, by the same rules as
// the wizard library: names match exactly, unknown names and %InstallDir%, %MenuFolder% and
// %Handle% stay as written, and a value's trailing separator absorbs the one that follows.
std::string ExpandTypicalFolders(std::string_view text);

}  // namespace quillset
