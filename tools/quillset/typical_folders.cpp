// The table of typical folder values and the expansion walk over a text.
// Values are the long ones of an English XP user "Administrator": a check with them is safe.
#include "typical_folders.h"

#include <array>
#include <utility>

namespace quillset {
namespace {

constexpr std::string_view PROFILE = "C:\\Documents and Settings\\Administrator";

// Longer names do not close a token, as in the wizard library.
constexpr std::size_t MAX_VARIABLE_NAME = 19;

const std::array<std::pair<std::string_view, std::string>, 10>& GetTypicalFolders()
{
    static const std::array<std::pair<std::string_view, std::string>, 10> folders = {{
        {"ProgramFiles", "C:\\Program Files"},
        {"CommonFiles", "C:\\Program Files\\Common Files"},
        {"StartMenu", std::string(PROFILE) + "\\Start Menu"},
        {"ProgramsMenu", std::string(PROFILE) + "\\Start Menu\\Programs"},
        {"StartupMenu", std::string(PROFILE) + "\\Start Menu\\Programs\\Startup"},
        {"WindowsDir", "C:\\WINDOWS"},
        {"SystemDir", "C:\\WINDOWS\\system32"},
        {"TempDir", std::string(PROFILE) + "\\Local Settings\\Temp"},
        {"SendToDir", std::string(PROFILE) + "\\SendTo"},
        {"DesktopDir", std::string(PROFILE) + "\\Desktop"},
    }};
    return folders;
}

const std::string* FindTypicalFolder(std::string_view name)
{
    for (const auto& [folderName, value] : GetTypicalFolders()) {
        if (folderName == name)
            return &value;
    }
    return nullptr;
}

bool IsSeparator(char c)
{
    return c == '\\' || c == '/';
}

}  // namespace

std::string ExpandTypicalFolders(std::string_view text)
{
    std::string out;
    std::size_t at = 0;
    while (at < text.size()) {
        if (text[at] != '%') {
            out += text[at++];
            continue;
        }
        const std::size_t closing = text.find('%', at + 1);
        const std::size_t nameLength = closing == std::string_view::npos ? 0 : closing - at - 1;
        const std::string* value = nullptr;
        if (closing != std::string_view::npos && nameLength >= 1 && nameLength <= MAX_VARIABLE_NAME)
            value = FindTypicalFolder(text.substr(at + 1, nameLength));
        if (!value) {
            out += '%';
            ++at;
            continue;
        }
        out += *value;
        at = closing + 1;
        if (!out.empty() && IsSeparator(out.back()) && at < text.size() && IsSeparator(text[at]))
            ++at;
    }
    return out;
}

}  // namespace quillset
