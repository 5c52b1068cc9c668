// The table of typical folder values, expanded by the wizard library's own routine.
// Values are the long ones of an English XP user "Administrator": a check with them is safe.
#include "typical_folders.h"

#include "common/folder_variables.h"
#include "common/path_routines.h"

namespace quillset {
namespace {

#define TYPICAL_PROFILE "C:\\Documents and Settings\\Administrator"

// The folders that the package names and the target machine has; the others are the user's
// choices or the window's, unknown at build time.
const FolderValues TYPICAL_FOLDERS = {
    "C:\\Program Files",                                // ProgramFiles
    "C:\\Program Files\\Common Files",                  // CommonFiles
    TYPICAL_PROFILE "\\Start Menu",                     // StartMenu
    TYPICAL_PROFILE "\\Start Menu\\Programs",           // ProgramsMenu
    TYPICAL_PROFILE "\\Start Menu\\Programs\\Startup",  // StartupMenu
    nullptr,                                            // InstallDir
    nullptr,                                            // MenuFolder
    "C:\\WINDOWS",                                      // WindowsDir
    "C:\\WINDOWS\\system32",                            // SystemDir
    TYPICAL_PROFILE "\\Local Settings\\Temp",           // TempDir
    TYPICAL_PROFILE "\\SendTo",                         // SendToDir
    TYPICAL_PROFILE "\\Desktop",                        // DesktopDir
    nullptr,                                            // Handle
};

}  // namespace

std::optional<std::string> ExpandTypicalFolders(std::string_view text)
{
    const std::string source(text);
    char expanded[PATH_SIZE];
    if (!ExpandFolderText(TYPICAL_FOLDERS, source.c_str(), expanded))
        return std::nullopt;
    return std::string(expanded);
}

}  // namespace quillset
