// Joins the expanded install directory with each relative path of the tree, as the wizard will,
// and measures the result in Windows-1252 characters (one byte each).
#include "path_length.h"

#include <optional>
#include <stdexcept>

#include "text_encoding.h"
#include "typical_folders.h"

namespace quillset {
namespace {

void CheckLevel(const std::string& parent, const std::vector<SourceNode>& nodes)
{
    for (const SourceNode& node : nodes) {
        const std::string path = parent + "\\" + node.name;
        if (path.size() > MAX_INSTALLED_PATH)
            throw std::runtime_error(
                node.path.string() + ": installed as \"" + DecodeWindows1252(path) + "\" its path is " +
                std::to_string(path.size()) + " characters long; Windows allows " +
                std::to_string(MAX_INSTALLED_PATH) + " (folder variables counted with typical values)");
        if (node.directory)
            CheckLevel(path, node.children);
    }
}

}  // namespace

void CheckPathLengths(const std::string& installDir, const SourceTree& tree)
{
    std::optional<std::string> expanded = ExpandTypicalFolders(installDir);
    if (!expanded)
        throw std::runtime_error("install_dir \"" + DecodeWindows1252(installDir) +
                                 "\" is longer than Windows allows once its folder variables are "
                                 "expanded (counted with typical values); choose a shorter one");
    std::string base = *expanded;
    if (!base.empty() && (base.back() == '\\' || base.back() == '/'))
        base.pop_back();
    CheckLevel(base, tree.nodes);
}

}  // namespace quillset
