// The display name and event name rules, in the words both the manifest's messages and the
// inspector's use.
#include "product_names.h"

#include "common/registry_keys.h"
#include "name_rules.h"
#include "path_length.h"
#include "text_encoding.h"

namespace quillset {
namespace {

// The longest Uninstall key name the installation can make, in characters (one byte each in
// Windows-1252): the ANSI registry calls that the wizard and the uninstaller make take a key
// path of at most 260 characters, and the path starts with the 52 of the Uninstall key.
constexpr std::size_t MAX_KEY_PATH = 260;
constexpr std::size_t MAX_KEY_NAME = MAX_KEY_PATH - std::string_view(UNINSTALL_KEY_TEXT).size();

}  // namespace

// The display name is the name of the product's Uninstall key: one component, short enough
// for that key's path.
std::vector<std::string> FindDisplayNameProblems(std::string_view displayName)
{
    std::vector<std::string> problems;
    if (displayName.find('\\') != std::string_view::npos)
        problems.push_back("cannot contain a backslash: it names the product's Uninstall registry key, where a "
                           "backslash would start a subkey; write the name without one");
    if (displayName.size() > MAX_KEY_NAME)
        problems.push_back("is " + std::to_string(displayName.size()) +
                           " characters long; it names the product's Uninstall registry key, which takes at "
                           "most " + std::to_string(MAX_KEY_NAME) +
                           " (the key's path may not pass 260 characters): shorten it");
    if (displayName.find_first_not_of(WINDOWS_1252_BLANKS) == std::string_view::npos)
        problems.push_back("is blank; give the product's name with its version, e.g. \"Inkwell 1.0\"");
    // Programs and Features shows the name on one line, and Wine's registry files keep such a
    // character only as an escape.
    if (HasControlCharacter(displayName))
        problems.push_back("cannot contain control characters (a tab or a line break): it is the product's one-line "
                           "name in Programs and Features and the name of its Uninstall registry key");
    return problems;
}

// The product creates the event, and Setup and the uninstaller open it by this name, which
// Windows takes with at most 259 characters and a backslash only after a namespace; an event
// nobody can make or open would tell them the product never runs.
std::vector<std::string> FindEventNameProblems(std::string_view eventName)
{
    std::vector<std::string> problems;
    std::string_view name = eventName;
    for (std::string_view space : {"Global\\", "Local\\"})
        if (name.size() >= space.size() && FoldNameCase(name.substr(0, space.size())) == FoldNameCase(space))
            name.remove_prefix(space.size());
    if (name.find('\\') != std::string_view::npos)
        problems.push_back(Quote(eventName) +
                           " holds a backslash, which Windows takes only after Global\\ or Local\\; write the "
                           "name without one");
    if (eventName.size() > MAX_INSTALLED_PATH)
        problems.push_back("is " + std::to_string(eventName.size()) + " characters long; Windows takes at most " +
                           std::to_string(MAX_INSTALLED_PATH));
    return problems;
}

}  // namespace quillset
