// Resolves "%InstallDir%\..." texts in the scanned tree: doubled separators count as one, "."
// and ".." are applied, and a path that climbs out of the installation folder is not checked.
#include "package_targets.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/folder_variables.h"
#include "common/path_routines.h"
#include "folder_references.h"
#include "manifest_table.h"
#include "name_rules.h"
#include "text_encoding.h"

namespace quillset {
namespace {

// The node that `components` name, or null.
const SourceNode* FindNode(const SourceTree& tree, const std::vector<std::string_view>& components)
{
    const std::vector<SourceNode>* level = &tree.nodes;
    const SourceNode* found = nullptr;
    for (const std::string_view component : components) {
        if (found && !found->directory)
            return nullptr;
        const std::string folded = FoldNameCase(component);
        found = nullptr;
        for (const SourceNode& node : *level) {
            if (FoldNameCase(node.name) == folded) {
                found = &node;
                break;
            }
        }
        if (!found)
            return nullptr;
        level = &found->children;
    }
    return found;
}

void CheckTarget(const Manifest& manifest, const SourceTree& tree, const std::string& text, std::size_t line,
                 const std::string& what)
{
    const std::optional<std::vector<std::string_view>> components = SplitBelowInstallDir(text);
    if (!components)
        return;
    const SourceNode* node = FindNode(tree, *components);
    const std::string head = what + " is " + Quote(text);
    if (node && !node->directory) {
        // Windows takes a name with a separator after it for a folder's, and finds no file.
        if (IsSeparator(text.back()))
            ThrowManifestError(manifest.file.string(), line,
                               head + ", a file of the package with a separator after its name, which Windows "
                                      "takes for a folder; leave the separator out");
        return;
    }
    const std::string files = manifest.uninstaller == UninstallerChoice::Builtin
                                  ? "the source folder's files or the builtin uninst.exe"
                                  : "the source folder's files";
    if (components->empty() || node)
        ThrowManifestError(manifest.file.string(), line,
                           head + ", a folder of the package; below %InstallDir%\\ it must name a file, "
                                  "one of " + files);
    ThrowManifestError(manifest.file.string(), line,
                       head + ", which is no file of the package; below %InstallDir%\\ it must name one of " +
                           files + " (in any case, with \\ or / between names)");
}

// A working folder below %InstallDir%\ must be one that the installation makes: Windows starts
// no program in a folder that is not there.
void CheckWorkingFolder(const Manifest& manifest, const SourceTree& tree, const std::string& text,
                        std::size_t line, const std::string& what)
{
    const std::optional<std::vector<std::string_view>> components = SplitBelowInstallDir(text);
    if (!components || components->empty())
        return;
    const SourceNode* node = FindNode(tree, *components);
    if (node && node->directory)
        return;
    ThrowManifestError(manifest.file.string(), line,
                       what + " is " + Quote(text) + (node ? ", a file" : ", which is no folder") +
                           " of the package; below %InstallDir%\\ it must name one of the source folder's "
                           "folders, or be %InstallDir% itself");
}

}  // namespace

void CheckPackageTargets(const Manifest& manifest, const SourceTree& tree)
{
    for (const ManifestShortcut& shortcut : manifest.shortcuts) {
        CheckTarget(manifest, tree, shortcut.target, shortcut.targetLine, "'target' in [[shortcut]]");
        CheckWorkingFolder(manifest, tree, shortcut.workingDir, shortcut.workingDirLine,
                           "'working_dir' in [[shortcut]]");
    }
    if (manifest.launch) {
        CheckTarget(manifest, tree, manifest.launch->program, manifest.launch->programLine,
                    "'program' in [run.launch]");
        CheckWorkingFolder(manifest, tree, manifest.launch->workingDir, manifest.launch->workingDirLine,
                           "'working_dir' in [run.launch]");
    }
    if (manifest.postInstall)
        CheckWorkingFolder(manifest, tree, manifest.postInstall->workingDir,
                           manifest.postInstall->workingDirLine, "'working_dir' in [run.post_install]");
}

}  // namespace quillset
