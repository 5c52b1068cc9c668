// The %Name% references in texts that take folder variables, checked against the one table of
// variables in common/, so that a misspelt name is refused instead of installed as written.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillset {

// The first %Name% of `text` (a name of 1 to FOLDER_NAME_MAX ASCII letters between percent
// signs) that names no folder variable, without its percent signs; other percent signs, as in
// "100%" or "%1", are no references. Tokens are found as the wizard's expansion finds them.
std::optional<std::string> FindUnknownFolderVariable(std::string_view text);

// The first folder variable of `text`, other than %Handle%, that a character of a name follows
// directly, as in "%InstallDir%App.exe", which the wizard expands to a sibling of the folder;
// with the offset of that character. A separator, a quote or a blank may follow.
struct JoinedReference {
    std::string name;
    std::size_t next;
};
std::optional<JoinedReference> FindJoinedFolderVariable(std::string_view text);

// A %Name% of a text that names a folder variable.
struct FolderReference {
    std::size_t offset;     // of its first percent sign
    std::string_view name;  // between the percent signs
};

// Every folder variable that `text` names, in order, found as the wizard's expansion finds them.
std::vector<FolderReference> ListFolderReferences(std::string_view text);

// The components after "%InstallDir%\" ("." and empty ones dropped, ".." applied; none for
// "%InstallDir%" itself), or nothing when `text` does not start so or leaves the installation
// folder.
std::optional<std::vector<std::string_view>> SplitBelowInstallDir(std::string_view text);

// "%ProgramFiles%, %CommonFiles%, ... and %Handle%", for messages.
std::string ListFolderVariables();

}  // namespace quillset
