// The table of typical folder values, expanded by the wizard library's own routine.
// Each is the longest of its English XP and Vista-and-later values for the user "Administrator",
// on 32-bit and on 64-bit Windows: a check with them holds on each layout.
#include "typical_folders.h"

#include <algorithm>
#include <iterator>

#include "common/folder_variables.h"
#include "common/path_routines.h"

namespace quillset {
namespace {

#define XP_PROFILE "C:\\Documents and Settings\\Administrator"
#define ROAMING_WINDOWS "C:\\Users\\Administrator\\AppData\\Roaming\\Microsoft\\Windows"

// The folders that the package names and the target machine has; the others are the user's
// choices or the window's, unknown at build time. The Start Menu and SendTo are longer where
// Vista put them, the temporary folder and the Desktop where XP did; a 32-bit Setup on 64-bit
// Windows gets the program folders of 32-bit programs.
const FolderValues TYPICAL_FOLDERS = {
    "C:\\Program Files (x86)",                          // ProgramFiles
    "C:\\Program Files (x86)\\Common Files",            // CommonFiles
    ROAMING_WINDOWS "\\Start Menu",                     // StartMenu
    ROAMING_WINDOWS "\\Start Menu\\Programs",           // ProgramsMenu
    ROAMING_WINDOWS "\\Start Menu\\Programs\\Startup",  // StartupMenu
    nullptr,                                            // InstallDir
    nullptr,                                            // MenuFolder
    "C:\\WINDOWS",                                      // WindowsDir
    "C:\\WINDOWS\\system32",                            // SystemDir
    XP_PROFILE "\\Local Settings\\Temp",                // TempDir
    ROAMING_WINDOWS "\\SendTo",                         // SendToDir
    XP_PROFILE "\\Desktop",                             // DesktopDir
    nullptr,                                            // Handle
};

std::optional<std::string> ExpandWith(const FolderValues values, std::string_view text)
{
    const std::string source(text);
    char expanded[PATH_SIZE];
    if (!ExpandFolderText(values, source.c_str(), expanded))
        return std::nullopt;
    return std::string(expanded);
}

}  // namespace

const std::string_view TYPICAL_QUICK_LAUNCH =
    XP_PROFILE "\\Application Data\\Microsoft\\Internet Explorer\\Quick Launch";

std::optional<std::string> ExpandTypicalFolders(std::string_view text)
{
    return ExpandWith(TYPICAL_FOLDERS, text);
}

std::optional<std::string> ExpandTypicalProductFolders(std::string_view text, std::string_view installDir,
                                                       std::string_view menuFolder)
{
    const std::optional<std::string> destination = ExpandTypicalFolders(installDir);
    const std::string menu =
        std::string(TYPICAL_FOLDERS[FOLDER_PROGRAMS_MENU]) + "\\" + std::string(menuFolder);
    if (!destination || menu.size() >= PATH_SIZE)
        return std::nullopt;
    FolderValues values;
    std::copy(std::begin(TYPICAL_FOLDERS), std::end(TYPICAL_FOLDERS), std::begin(values));
    values[FOLDER_INSTALL_DIR] = destination->c_str();
    values[FOLDER_MENU_FOLDER] = menu.c_str();
    return ExpandWith(values, text);
}

}  // namespace quillset
