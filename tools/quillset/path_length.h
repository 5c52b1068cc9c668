// The default install directory's form and the Windows path-length limit applied to the product's
// files under it and to the Start Menu shortcuts, with folder variables expanded to typical values.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "common/path_routines.h"
#include "source_tree.h"

namespace quillset {

// The longest path Windows' ANSI file functions take: 260 characters with the NUL.
constexpr std::size_t MAX_INSTALLED_PATH = PATH_SIZE - 1;
// The longest path of a folder that CreateDirectoryA makes.
constexpr std::size_t MAX_INSTALLED_FOLDER_PATH = FOLDER_PATH_SIZE - 1;

// Throws std::runtime_error naming the first file whose installed path would be longer than
// MAX_INSTALLED_PATH characters, or the install directory or first folder whose path would be
// longer than MAX_INSTALLED_FOLDER_PATH.
void CheckPathLengths(const std::string& installDir, const SourceTree& tree);

// Why the wizard cannot offer `installDir` (Windows-1252, folder variables) as the destination:
// expanded with typical values it is no drive path, or the text does not end in a folder name
// after a separator, which Browse appends to the folder picked. Nothing when it can; a text too
// long once expanded is left to CheckPathLengths.
std::optional<std::string> FindInstallDirProblem(const std::string& installDir);

// Why the Start Menu folder `menuFolder` or a shortcut named `longestName` in it (both
// Windows-1252) would not fit, with the Programs menu's typical value: the folder's path is
// longer than MAX_INSTALLED_FOLDER_PATH, or "<folder>\<name>.lnk" longer than MAX_INSTALLED_PATH.
// Nothing when both fit; an empty name checks the folder alone.
std::optional<std::string> FindMenuPathProblem(std::string_view menuFolder, std::string_view longestName);

// Why `text` (Windows-1252, folder variables), a shortcut's target or folder or a program's
// command line or folder, would not fit the installer's path buffers once expanded with
// typical values, %InstallDir% and %MenuFolder% as the product's: nothing when it fits.
std::optional<std::string> FindExpandedLengthProblem(std::string_view text, std::string_view installDir,
                                                     std::string_view menuFolder);

// Why the link "<folder>\<name>.lnk" would be longer than MAX_INSTALLED_PATH; nothing when it fits.
std::optional<std::string> FindLinkPathProblem(std::string_view folder, std::string_view name);

}  // namespace quillset
