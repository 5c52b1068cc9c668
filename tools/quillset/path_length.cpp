// Joins the expanded install directory with each relative path of the tree, and the Programs menu
// with the Start Menu folder, as the wizard will, and measures in Windows-1252 characters.
#include "path_length.h"

#include <cctype>
#include <optional>
#include <stdexcept>

#include "common/path_routines.h"
#include "text_encoding.h"
#include "typical_folders.h"

namespace quillset {
namespace {

void CheckLevel(const std::string& parent, const std::vector<SourceNode>& nodes)
{
    for (const SourceNode& node : nodes) {
        const std::string path = parent + "\\" + node.name;
        const std::size_t limit = node.directory ? MAX_INSTALLED_FOLDER_PATH : MAX_INSTALLED_PATH;
        if (path.size() > limit)
            throw std::runtime_error(
                node.path.string() + ": installed as \"" + DecodeWindows1252(path) + "\" its path is " +
                std::to_string(path.size()) + " characters long; Windows allows " + std::to_string(limit) +
                (node.directory ? " for a folder" : "") + " (folder variables counted with typical values)");
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

std::optional<std::string> FindInstallDirProblem(const std::string& installDir)
{
    // The wizard offers the expanded text and takes only "X:\..." (%InstallDir% and %MenuFolder%
    // have no value yet, so a text that starts with them is none).
    const std::optional<std::string> expanded = ExpandTypicalFolders(installDir);
    const auto isDrivePath = [](const std::string& path) {
        return path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' &&
               IsSeparator(path[2]);
    };
    if (!expanded)
        return "which is longer than Windows allows once its folder variables are expanded (counted "
               "with typical values); choose a shorter folder";
    if (!isDrivePath(*expanded))
        return "which is no absolute path once its folder variables are expanded; give a drive path such "
               "as 'C:\\Demo' or a folder variable that gives one, as in '%ProgramFiles%\\Demo'";
    // A folder short enough to be made also leaves room for the log that the wizard writes into
    // every destination, "uninst.dat".
    const std::size_t length = expanded->size() - (IsSeparator(expanded->back()) ? 1 : 0);
    if (length > MAX_INSTALLED_FOLDER_PATH)
        return "which is " + std::to_string(length) +
               " characters long once its folder variables are expanded (counted with typical values); "
               "Windows makes folders of up to " + std::to_string(MAX_INSTALLED_FOLDER_PATH) +
               ": choose a shorter folder";
    const char* folderName = FindLastComponent(installDir.c_str());
    if (folderName == installDir.c_str() || !IsPlainName(folderName))
        return "which does not end in a folder name after a backslash; the wizard appends that name to "
               "a folder chosen with Browse: write e.g. '%ProgramFiles%\\Demo'";
    return std::nullopt;
}

std::optional<std::string> FindExpandedLengthProblem(std::string_view text, std::string_view installDir,
                                                     std::string_view menuFolder)
{
    const std::optional<std::string> expanded = ExpandTypicalProductFolders(text, installDir, menuFolder);
    if (expanded && expanded->size() <= MAX_INSTALLED_PATH)
        return std::nullopt;
    return "is longer than the installer's " + std::to_string(MAX_INSTALLED_PATH) +
           " characters once its folder variables are expanded (counted with typical values)" +
           (expanded ? ": " + Quote(*expanded) + ", " + std::to_string(expanded->size()) + " characters" : "") +
           "; shorten it";
}

std::optional<std::string> FindLinkPathProblem(std::string_view folder, std::string_view name)
{
    const std::string path = std::string(folder) + "\\" + std::string(name) + ".lnk";
    if (path.size() <= MAX_INSTALLED_PATH)
        return std::nullopt;
    return "its link would be " + Quote(path) + ", " + std::to_string(path.size()) + " characters long; Windows allows " +
           std::to_string(MAX_INSTALLED_PATH) + " (the folder counted with a typical value); shorten the name";
}

std::optional<std::string> FindMenuPathProblem(std::string_view menuFolder, std::string_view longestName)
{
    // The menu folder is no folder-variable text: only the Programs menu is expanded.
    const std::string folder = ExpandTypicalFolders("%ProgramsMenu%").value() + "\\" + std::string(menuFolder);
    // The wizard makes the folder with CreateDirectoryA, which holds it to less than a file.
    if (folder.size() > MAX_INSTALLED_FOLDER_PATH)
        return "the folder would be " + Quote(folder) + ", " + std::to_string(folder.size()) +
               " characters long; Windows makes folders of up to " + std::to_string(MAX_INSTALLED_FOLDER_PATH) +
               " (the Programs menu counted with a typical value); shorten the folder";
    if (longestName.empty())
        return std::nullopt;
    const std::string path = folder + "\\" + std::string(longestName) + ".lnk";
    if (path.size() <= MAX_INSTALLED_PATH)
        return std::nullopt;
    return "its shortcut " + Quote(longestName) + " would be installed as " + Quote(path) + ", " +
           std::to_string(path.size()) + " characters long; Windows allows " + std::to_string(MAX_INSTALLED_PATH) +
           " (the Programs menu counted with a typical value); shorten the folder or the shortcut's name";
}

}  // namespace quillset
