// The rules for the names that a product gives Windows objects: its Uninstall key, named by the
// display name, and its running-program event. The manifest reader and the inspector share them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quillset {

// Why `displayName` cannot name the product's Uninstall key; empty when it can. Each reason
// follows the name's label, as in "'display_name' " + reason.
std::vector<std::string> FindDisplayNameProblems(std::string_view displayName);

// Why no program could make or open an event of the name `eventName`; empty when one can. Each
// reason follows the name's label.
std::vector<std::string> FindEventNameProblems(std::string_view eventName);

}  // namespace quillset
