// Scans texts for folder-variable tokens with the same token bounds as the shared expansion,
// and names the variables from the shared table, so the tool and the wizard agree on both.
#include "folder_references.h"

#include "common/folder_variables.h"
#include "common/path_routines.h"

namespace quillset {
namespace {

bool IsAsciiLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// The length of the letters-only name after the percent sign at `at`, when a closing percent
// sign follows within FOLDER_NAME_MAX characters; 0 when there is no such name.
std::size_t MeasureReference(std::string_view text, std::size_t at)
{
    for (std::size_t length = 0; length <= FOLDER_NAME_MAX && at + 1 + length < text.size(); ++length) {
        const char c = text[at + 1 + length];
        if (c == '%')
            return length;
        if (!IsAsciiLetter(c))
            return 0;
    }
    return 0;
}

}  // namespace

std::optional<std::string> FindUnknownFolderVariable(std::string_view text)
{
    std::size_t at = 0;
    while ((at = text.find('%', at)) != std::string_view::npos) {
        const std::size_t length = MeasureReference(text, at);
        if (length == 0) {
            ++at;
            continue;
        }
        const std::string_view name = text.substr(at + 1, length);
        if (FindFolderVariable(name.data(), name.size()) < 0)
            return std::string(name);
        at += length + 2;  // a known token is replaced whole, its closing sign opens nothing
    }
    return std::nullopt;
}

std::vector<FolderReference> ListFolderReferences(std::string_view text)
{
    std::vector<FolderReference> references;
    std::size_t at = 0;
    while ((at = text.find('%', at)) != std::string_view::npos) {
        const std::size_t length = MeasureReference(text, at);
        const std::string_view name = text.substr(at + 1, length);
        if (length == 0 || FindFolderVariable(name.data(), name.size()) < 0) {
            ++at;  // an unknown name stays as written, and its closing sign may open a token
            continue;
        }
        references.push_back({at, name});
        at += length + 2;
    }
    return references;
}

std::optional<JoinedReference> FindJoinedFolderVariable(std::string_view text)
{
    for (const FolderReference& reference : ListFolderReferences(text)) {
        const std::size_t next = reference.offset + reference.name.size() + 2;
        if (next >= text.size() ||
            FindFolderVariable(reference.name.data(), reference.name.size()) == FOLDER_HANDLE)
            continue;
        const char c = text[next];
        if (!IsSeparator(c) && c != '"' && c != ' ' && c != '\t')
            return JoinedReference{std::string(reference.name), next};
    }
    return std::nullopt;
}

std::string ListFolderVariables()
{
    std::string list;
    for (int variable = 0; variable < FOLDER_VARIABLE_COUNT; ++variable) {
        if (variable > 0)
            list += variable + 1 == FOLDER_VARIABLE_COUNT ? " and " : ", ";
        list += "%" + std::string(GetFolderVariableName(static_cast<FolderVariableIndex>(variable))) + "%";
    }
    return list;
}

std::optional<std::vector<std::string_view>> SplitBelowInstallDir(std::string_view text)
{
    const std::string token = "%" + std::string(GetFolderVariableName(FOLDER_INSTALL_DIR)) + "%";
    if (!text.starts_with(token) || (text.size() > token.size() && !IsSeparator(text[token.size()])))
        return std::nullopt;
    std::vector<std::string_view> components;
    std::string_view rest = text.substr(token.size());
    while (!rest.empty()) {
        std::size_t length = 0;
        while (length < rest.size() && !IsSeparator(rest[length]))
            ++length;
        const std::string_view component = rest.substr(0, length);
        rest.remove_prefix(length < rest.size() ? length + 1 : length);
        if (component.empty() || component == ".")
            continue;
        if (component == "..") {
            if (components.empty())
                return std::nullopt;
            components.pop_back();
            continue;
        }
        components.push_back(component);
    }
    return components;
}

}  // namespace quillset
