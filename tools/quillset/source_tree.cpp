// Walks the source folder with stat(2): links followed (out of the folder only when allowed),
// loops and special files refused, names checked for Windows, sizes held to 32-bit limits.
#include "source_tree.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <utility>

#include "file_io.h"
#include "file_time.h"
#include "name_rules.h"
#include "package/package_layout.h"
#include "text_encoding.h"

namespace quillset {
namespace {

namespace fs = std::filesystem;

constexpr std::uint64_t MAX_U32 = std::numeric_limits<std::uint32_t>::max();

[[noreturn]] void FailAt(const fs::path& path, const std::string& message)
{
    throw std::runtime_error(path.string() + ": " + message);
}

struct Scanner {
    SourceTree tree;
    fs::path root;  // the source folder with every link resolved
    bool followOutsideLinks = false;
    std::vector<std::pair<dev_t, ino_t>> openFolders;  // the chain being walked, for loops
    std::uint64_t fileCount = 0;
    std::uint64_t totalSize = 0;
};

std::string EncodeName(const fs::path& path, const std::string& sourceName)
{
    std::string name;
    try {
        name = EncodeWindows1252(sourceName);
    } catch (const EncodingError& error) {
        FailAt(path, std::string("the name cannot be stored: ") + error.what());
    }
    if (const auto problem = FindNameProblem(name))
        FailAt(path, *problem);
    return name;
}

void CheckReadable(const fs::path& path)
{
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        FailAt(path, std::string("cannot read: ") + std::strerror(errno));
    ::close(descriptor);
}

void ScanFolder(Scanner& scanner, const fs::path& folder, std::vector<SourceNode>& nodes);

bool IsWithin(const fs::path& path, const fs::path& folder)
{
    const auto [end, at] = std::mismatch(folder.begin(), folder.end(), path.begin(), path.end());
    return end == folder.end();
}

// A link that leads out of the source folder would pack files that the vendor did not put there,
// so it needs the manifest's consent; a link that cannot be resolved is left to the stat below.
void CheckLink(const Scanner& scanner, const fs::path& path)
{
    struct stat status { };
    if (scanner.followOutsideLinks || ::lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode))
        return;
    std::error_code error;
    const fs::path target = fs::canonical(path, error);
    if (!error && !IsWithin(target, scanner.root))
        FailAt(path, "is a link to " + target.string() + ", outside the source folder; set "
                     "follow_outside_links = true in [files] to pack what it leads to, or put a copy there");
}

SourceNode ScanEntry(Scanner& scanner, const fs::path& path)
{
    SourceNode node;
    node.sourceName = path.filename().string();
    node.path = path;
    node.name = EncodeName(path, node.sourceName);

    struct stat status { };
    if (::stat(path.c_str(), &status) != 0)
        FailAt(path, std::string("cannot read: ") + std::strerror(errno));
    if (!S_ISDIR(status.st_mode) && !S_ISREG(status.st_mode))
        FailAt(path, "is neither a file nor a folder");
    CheckReadable(path);

    if (S_ISDIR(status.st_mode)) {
        node.directory = true;
        node.attributes = ATTRIBUTE_DIRECTORY;
        const std::pair<dev_t, ino_t> identity(status.st_dev, status.st_ino);
        if (std::find(scanner.openFolders.begin(), scanner.openFolders.end(), identity) !=
            scanner.openFolders.end())
            FailAt(path, "a link leads back into a folder that contains it");
        scanner.openFolders.push_back(identity);
        ScanFolder(scanner, path, node.children);
        scanner.openFolders.pop_back();
        return node;
    }
    // The wizard inflates each file into one view of it mapped in a 32-bit process, whose 2 GiB
    // of address space also hold Setup.exe with the package and the system's libraries: under
    // Wine a view of 1,300 MB already found no room.
    if (static_cast<std::uint64_t>(status.st_size) >= MAX_PRODUCT_FILE_SIZE)
        FailAt(path, "is " + std::to_string(status.st_size) +
                         " bytes; the installer maps each file whole into its 32-bit process, where beside "
                         "Setup.exe and the system's libraries only files of less than 1 GiB (1073741824 "
                         "bytes) surely find room");
    node.size = static_cast<std::uint32_t>(status.st_size);
    node.attributes = ATTRIBUTE_ARCHIVE | ((status.st_mode & S_IWUSR) ? 0 : ATTRIBUTE_READONLY);
    const auto fileTime = ConvertToFileTime(status.st_mtim.tv_sec, status.st_mtim.tv_nsec);
    if (!fileTime)
        FailAt(path, "its last-write time cannot be stored as a Windows file time");
    node.lastWriteTime = *fileTime;

    scanner.totalSize += node.size;
    if (scanner.totalSize > MAX_U32)
        FailAt(path, "the files add up to more than 4294967295 bytes, more than a package can hold");
    if (scanner.fileCount == MAX_U32)
        FailAt(path, "too many files for one package");
    ++scanner.fileCount;
    return node;
}

void CheckCaseCollisions(const fs::path& folder, const std::vector<SourceNode>& nodes)
{
    std::vector<std::pair<std::string, const SourceNode*>> folded;
    for (const SourceNode& node : nodes)
        folded.emplace_back(FoldNameCase(node.name), &node);
    std::sort(folded.begin(), folded.end());
    for (std::size_t i = 1; i < folded.size(); ++i) {
        if (folded[i].first == folded[i - 1].first)
            FailAt(folder, "'" + folded[i - 1].second->sourceName + "' and '" + folded[i].second->sourceName +
                               "' are the same name on Windows");
    }
}

void CheckShortNameCollisions(const fs::path& folder, const std::vector<SourceNode>& nodes)
{
    std::vector<std::string_view> names;
    for (const SourceNode& node : nodes)
        names.push_back(node.name);
    if (const auto clash = FindShortNameClash(names)) {
        const std::string& alias = nodes[clash->alias].sourceName;
        FailAt(folder, "'" + alias + "' is spelt like a short name that Windows makes up for '" +
                           nodes[clash->first].sourceName + "' and the names like it on a disk that keeps 8.3 "
                           "names, where one file would replace the other; rename '" + alias + "'");
    }
}

void ScanFolder(Scanner& scanner, const fs::path& folder, std::vector<SourceNode>& nodes)
{
    std::vector<fs::path> entries;
    try {
        for (const fs::directory_entry& entry : fs::directory_iterator(folder))
            entries.push_back(entry.path());
    } catch (const fs::filesystem_error& error) {
        FailAt(folder, std::string("cannot read the folder: ") + error.code().message());
    }
    // Entries are scanned in sorted order so that the first error reported is always the same.
    std::sort(entries.begin(), entries.end());
    for (const fs::path& entry : entries) {
        CheckLink(scanner, entry);
        nodes.push_back(ScanEntry(scanner, entry));
    }
    std::sort(nodes.begin(), nodes.end(),
              [](const SourceNode& a, const SourceNode& b) { return a.name < b.name; });
    CheckCaseCollisions(folder, nodes);
    CheckShortNameCollisions(folder, nodes);
}

// The uninstaller is stored under its fixed name whatever its file is called here.
void AddUninstaller(Scanner& scanner, const fs::path& folder, const fs::path& file)
{
    SourceNode node = ScanEntry(scanner, file);
    if (node.directory)
        FailAt(file, "the uninstaller is a folder, not a file");
    node.name = node.sourceName = std::string(UNINSTALLER_FILE);
    std::vector<SourceNode>& nodes = scanner.tree.nodes;
    const auto place = std::ranges::lower_bound(nodes, node.name, {}, &SourceNode::name);
    nodes.insert(place, std::move(node));
    CheckCaseCollisions(folder, nodes);
}

SourceNode* FindNode(std::vector<SourceNode>& nodes, const std::vector<std::string>& path)
{
    std::vector<SourceNode>* level = &nodes;
    SourceNode* found = nullptr;
    for (const std::string& component : path) {
        if (found && !found->directory)
            return nullptr;
        const auto match = std::find_if(level->begin(), level->end(),
                                        [&](const SourceNode& node) { return node.sourceName == component; });
        if (match == level->end())
            return nullptr;
        found = &*match;
        level = &found->children;
    }
    return found;
}

void ApplyOverrides(std::vector<SourceNode>& nodes, std::span<const AttributeOverride> overrides,
                    const std::string& manifestFile)
{
    for (const AttributeOverride& entry : overrides) {
        SourceNode* node = FindNode(nodes, entry.path);
        if (!node) {
            std::string joined;
            for (const std::string& component : entry.path)
                joined += (joined.empty() ? "" : "/") + component;
            throw std::runtime_error(manifestFile + ":" + std::to_string(entry.line) +
                                     ": [files.attributes] names '" + joined +
                                     "', which is not in the source folder (its path is written as the folder "
                                     "spells it, with / between names)");
        }
        if (node->directory)
            node->attributes = ATTRIBUTE_DIRECTORY | entry.bits;
        else
            node->attributes = entry.bits ? entry.bits : ATTRIBUTE_NORMAL;
    }
}

}  // namespace

SourceTree ScanSourceTree(const fs::path& folder, std::span<const AttributeOverride> overrides,
                          const std::string& manifestFile, const fs::path& addedUninstaller,
                          bool followOutsideLinks)
{
    Scanner scanner;
    struct stat status { };
    if (::stat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode))
        FailAt(folder, "the source folder does not exist");
    std::error_code error;
    scanner.root = fs::canonical(folder, error);
    if (error)
        FailAt(folder, "cannot resolve the source folder: " + error.message());
    scanner.followOutsideLinks = followOutsideLinks;
    scanner.openFolders.emplace_back(status.st_dev, status.st_ino);
    ScanFolder(scanner, folder, scanner.tree.nodes);
    if (!addedUninstaller.empty())
        AddUninstaller(scanner, folder, addedUninstaller);
    ApplyOverrides(scanner.tree.nodes, overrides, manifestFile);
    return std::move(scanner.tree);
}

std::vector<std::uint8_t> LoadScannedFile(const SourceNode& node)
{
    std::vector<std::uint8_t> bytes = ReadWholeFile(node.path, MAX_PRODUCT_FILE_SIZE);
    // Looked at after the read: a write during it has moved the time by then.
    struct stat status { };
    const bool same = ::stat(node.path.c_str(), &status) == 0 && bytes.size() == node.size &&
                      static_cast<std::uint64_t>(status.st_size) == node.size &&
                      ConvertToFileTime(status.st_mtim.tv_sec, status.st_mtim.tv_nsec) == node.lastWriteTime;
    if (!same)
        FailAt(node.path, "changed while the package was built");
    return bytes;
}

}  // namespace quillset
