// Each check reads what Wine left on disk and in its registry files directly, so that nothing
// of the product runs while it is looked at; a file's content is compared with its own stream
// from the package, inflated again.
#include "try_checks.h"

#include <sys/stat.h>
#include <sys/xattr.h>

#include <algorithm>
#include <fstream>
#include <iterator>

#include "common/folder_variables.h"
#include "common/path_routines.h"
#include "common/registry_keys.h"
#include "common/uninstall_log_reader.h"
#include "common/uninstall_log_walks.h"
#include "file_time.h"
#include "log_inspector.h"
#include "package/package_layout.h"
#include "stream_check.h"
#include "text_encoding.h"
#include "try_lnk.h"

namespace quillset {
namespace fs = std::filesystem;
namespace {

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

bool SameWindowsPath(const std::string& a, const std::string& b) { return Lower(a) == Lower(b); }

std::vector<std::uint8_t> ReadBytes(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The DOS attributes that Wine keeps beside the Unix ones in the user.DOSATTRIB attribute.
std::uint32_t ReadDosAttributes(const fs::path& file)
{
    char value[64] = {};
    const ssize_t length = getxattr(file.c_str(), "user.DOSATTRIB", value, sizeof(value) - 1);
    if (length <= 0)
        return 0;
    return static_cast<std::uint32_t>(std::strtoul(value, nullptr, 0));
}

std::string Describe(std::uint32_t attributes)
{
    std::string words;
    if (attributes & ATTRIBUTE_READONLY)
        words += " readonly";
    if (attributes & ATTRIBUTE_HIDDEN)
        words += " hidden";
    if (attributes & ATTRIBUTE_SYSTEM)
        words += " system";
    return words.empty() ? "normal" : words.substr(1);
}

std::string LastComponent(const std::string& path)
{
    const std::size_t separator = path.find_last_of("\\/");
    return separator == std::string::npos ? path : path.substr(separator + 1);
}

std::string FolderOf(const std::string& path)
{
    const std::size_t separator = path.find_last_of("\\/");
    return separator == std::string::npos ? "" : path.substr(0, separator);
}

std::string ReadLog(const InstalledProduct& product, std::vector<std::uint8_t>& bytes, UninstallPlan& plan)
{
    const fs::path log = ToPrefixPath(product.prefix, product.dest + "\\uninst.dat");
    if (!fs::exists(log))
        return "there is no uninstall log " + product.dest + "\\uninst.dat";
    bytes = ReadBytes(log);
    const LogFault fault = ReadUninstallLog(bytes.data(), static_cast<std::uint32_t>(bytes.size()), &plan);
    if (fault != LOG_FAULT_NONE)
        return "the uninstaller would refuse uninst.dat: " + std::string(DescribeLogFault(fault));
    return "";
}

// Wine shows every file with the archive attribute and no folder with it, whatever was set,
// and ignores read-only on a folder; so only these are compared.
constexpr std::uint32_t SEEN_ON_FILES = ATTRIBUTE_READONLY | ATTRIBUTE_HIDDEN | ATTRIBUTE_SYSTEM;
constexpr std::uint32_t SEEN_ON_FOLDERS = ATTRIBUTE_HIDDEN | ATTRIBUTE_SYSTEM;

struct ExpectedLink {
    std::string where;   // Start Menu, Desktop, Quick Launch, Startup
    std::string folder;  // the last component of the folder it belongs in
    TryShortcut shortcut;
};

}  // namespace

fs::path ToPrefixPath(const fs::path& prefix, const std::string& windowsPath)
{
    // Wine keeps names in UTF-8. The paths checked are the package's, the registry's, the log's
    // and the typed destination, all Windows-1252, even where their bytes would read as UTF-8.
    std::string rest = DecodeWindows1252(windowsPath.size() > 3 ? windowsPath.substr(3) : "");
    std::replace(rest.begin(), rest.end(), '\\', '/');
    // Wine matches names without regard to case; so does this, folder by folder.
    fs::path path = prefix / "drive_c";
    for (const auto& part : fs::path(rest)) {
        fs::path next = path / part;
        if (!fs::exists(next) && fs::is_directory(path)) {
            for (const auto& entry : fs::directory_iterator(path))
                if (Lower(entry.path().filename().string()) == Lower(part.string()))
                    next = entry.path();
        }
        path = next;
    }
    return path;
}

CheckFolders MakeFixedFolders(const std::string& dest)
{
    return {{"ProgramFiles", "C:\\Program Files"},
            {"CommonFiles", "C:\\Program Files\\Common Files"},
            {"WindowsDir", "C:\\windows"},
            {"SystemDir", "C:\\windows\\system32"},
            {"InstallDir", dest}};
}

CheckFolders FindPrefixFolders(const InstalledProduct& product, const std::string& menuFolder)
{
    CheckFolders folders = MakeFixedFolders(product.dest);
    // A value that names another variable (%USERPROFILE%) is not taken: Wine writes plain paths.
    auto take = [&](const RegistryKeys& keys, const std::string& key, const char* value, const char* variable) {
        const auto found = std::find_if(keys.begin(), keys.end(),
                                        [&](const auto& entry) { return SameWindowsPath(entry.first, key); });
        if (found == keys.end())
            return false;
        for (const auto& [name, data] : found->second) {
            const std::string text = DescribeRegistryData(data);
            if (SameWindowsPath(name, value) && data.starts_with('"') && text.find('%') == std::string::npos &&
                !text.empty()) {
                folders[variable] = text;
                return true;
            }
        }
        return false;
    };
    take(product.machine, "Software\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir", "ProgramFiles");
    take(product.machine, "Software\\Microsoft\\Windows\\CurrentVersion", "CommonFilesDir", "CommonFiles");
    const std::string shell = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
    take(product.user, shell, "Desktop", "DesktopDir");
    take(product.user, shell, "Start Menu", "StartMenu");
    take(product.user, shell, "Programs", "ProgramsMenu");
    take(product.user, shell, "Startup", "StartupMenu");
    take(product.user, shell, "SendTo", "SendToDir");
    // The wizard takes TMP, else TEMP, when it names a folder, else the Windows folder; Wine's
    // programs get both from HKCU\Environment.
    for (const char* name : {"TMP", "TEMP"}) {
        if (take(product.user, "Environment", name, "TempDir") &&
            fs::is_directory(ToPrefixPath(product.prefix, folders["TempDir"])))
            break;
        folders["TempDir"] = folders["WindowsDir"];
    }
    if (!menuFolder.empty())
        folders["MenuFolder"] = menuFolder;
    return folders;
}

std::optional<std::string> ExpandForCheck(const std::string& text, const CheckFolders& folders)
{
    FolderValues values{};
    for (int variable = 0; variable < FOLDER_VARIABLE_COUNT; ++variable) {
        const std::string name = GetFolderVariableName(static_cast<FolderVariableIndex>(variable));
        const auto value = folders.find(name);
        if (value != folders.end())
            values[variable] = value->second.c_str();
        else if (text.find("%" + name + "%") != std::string::npos)
            return std::nullopt;
    }
    char expanded[PATH_SIZE];
    if (!ExpandFolderText(values, text.c_str(), expanded))
        return std::nullopt;
    return std::string(expanded);
}

std::optional<std::string> ExpandForCheck(const std::string& text, const std::string& dest)
{
    return ExpandForCheck(text, MakeFixedFolders(dest));
}

void CheckFiles(TryReport& report, const TryPackage& package, const InstalledProduct& product)
{
    std::size_t sound = 0, files = 0;
    bool foldersSound = true;
    for (const TryFile& file : package.files) {
        // Counted before it is looked at, so that a missing one keeps the check from passing.
        files += !file.directory;
        const std::string windows = product.dest + "\\" + file.path;
        const fs::path path = ToPrefixPath(product.prefix, windows);
        struct stat info {};
        if (lstat(path.c_str(), &info) != 0) {
            report.Fail("files", windows + " is missing");
            foldersSound &= !file.directory;
            continue;
        }
        if (file.directory) {
            const std::uint32_t wanted = file.attributes & SEEN_ON_FOLDERS;
            const std::uint32_t seen = ReadDosAttributes(path) & SEEN_ON_FOLDERS;
            if (!S_ISDIR(info.st_mode))
                report.Fail("files", windows + " is no folder");
            else if (seen != wanted)
                report.Fail("files", windows + ": attributes " + Describe(seen) + " instead of " + Describe(wanted));
            foldersSound &= S_ISDIR(info.st_mode) && seen == wanted;
            continue;
        }
        std::vector<std::string> problems;
        if (!S_ISREG(info.st_mode)) {
            report.Fail("files", windows + " is no plain file");
            continue;
        }
        if (static_cast<std::uint64_t>(info.st_size) != file.size)
            problems.push_back("size " + std::to_string(info.st_size) + " instead of " + std::to_string(file.size));
        const std::uint32_t wanted = file.attributes & SEEN_ON_FILES;
        std::uint32_t seen = ReadDosAttributes(path) & (ATTRIBUTE_HIDDEN | ATTRIBUTE_SYSTEM);
        if (!(info.st_mode & S_IWUSR))
            seen |= ATTRIBUTE_READONLY;
        if (seen != wanted)
            problems.push_back("attributes " + Describe(seen) + " instead of " + Describe(wanted));
        const auto time = ConvertToFileTime(info.st_mtim.tv_sec, info.st_mtim.tv_nsec);
        if (!time || *time != file.lastWriteTime)
            problems.push_back("last written " + (time ? FormatFileTime(*time) : std::string("at an odd time")) +
                               " instead of " + FormatFileTime(file.lastWriteTime));
        const std::vector<std::uint8_t> content = ReadBytes(path);
        if (file.size == 0) {
            if (!content.empty())
                problems.push_back("content is not empty");
        } else {
            const StreamCheck packed = CheckStream(file.stream, file.size, file.size);
            if (!packed.ok)
                problems.push_back("its package stream does not inflate: " + packed.problem);
            else if (packed.output != content)
                problems.push_back("content differs from the package");
        }
        if (problems.empty()) {
            ++sound;
            continue;
        }
        std::string line = windows + ":";
        for (std::size_t i = 0; i < problems.size(); ++i)
            line += (i ? "; " : " ") + problems[i];
        report.Fail("files", line);
    }
    if (sound == files && foldersSound)
        report.Pass("files", "all " + std::to_string(files) + " files of the package are installed in " +
                                 product.dest + " with their size, attributes, time and content");
}

void CheckShortcuts(TryReport& report, const TryPackage& package, const InstalledProduct& product)
{
    std::vector<ExpectedLink> expected;
    if (!product.choices.noMenuFolder)
        for (const TryShortcut& shortcut : package.menuList)
            if (shortcut.startMenu)
                expected.push_back({"Start Menu", LastComponent(product.menuFolder), shortcut});
    if (product.choices.desktop && package.desktop)
        expected.push_back({"Desktop", "Desktop", *package.desktop});
    if (product.choices.quickLaunch && package.quickLaunch)
        expected.push_back({"Quick Launch", "Quick Launch", *package.quickLaunch});
    if (product.choices.startup && package.startup)
        expected.push_back({"Startup", "Startup", *package.startup});

    std::vector<std::uint8_t> log;
    UninstallPlan plan{};
    std::vector<std::string> logged;
    if (ReadLog(product, log, plan).empty()) {
        TextListWalk walk{};
        BeginShortcutWalk(&walk, &plan);
        while (NextShortcut(&walk))
            logged.emplace_back(walk.text);
    }
    const CheckFolders folders = FindPrefixFolders(product, plan.menuFolder.path ? plan.menuFolder.path : "");
    for (const ExpectedLink& link : expected) {
        const std::string label = link.where + " shortcut \"" + link.shortcut.name + "\"";
        const auto found = std::find_if(logged.begin(), logged.end(), [&](const std::string& path) {
            return SameWindowsPath(LastComponent(path), link.shortcut.name + ".lnk") &&
                   SameWindowsPath(LastComponent(FolderOf(path)), link.folder);
        });
        if (found == logged.end()) {
            report.Fail("shortcuts", label + " is not in the uninstall log");
            continue;
        }
        const std::string path = *found;
        logged.erase(found);
        const fs::path file = ToPrefixPath(product.prefix, path);
        if (!fs::exists(file)) {
            report.Fail("shortcuts", label + ": " + path + " is missing");
            continue;
        }
        const ShellLink read = ParseShellLink(ReadBytes(file));
        if (!read.ok) {
            report.Fail("shortcuts", label + ": " + path + " is no readable link: " + read.problem);
            continue;
        }
        std::vector<std::string> problems;
        const auto target = ExpandForCheck(link.shortcut.target, folders);
        if (target && !SameWindowsPath(read.localBasePath, *target))
            problems.push_back("target " + read.localBasePath + " instead of " + *target);
        const auto workingDir = ExpandForCheck(link.shortcut.workingDir, folders);
        if (workingDir && !SameWindowsPath(read.workingDir, *workingDir))
            problems.push_back("working folder \"" + read.workingDir + "\" instead of \"" + *workingDir + "\"");
        if (static_cast<int>(read.showCommand) != link.shortcut.showCommand)
            problems.push_back("show command " + std::to_string(read.showCommand) + " instead of " +
                               std::to_string(link.shortcut.showCommand));
        if (problems.empty()) {
            report.Pass("shortcuts", label + ": " + path + " -> " + read.localBasePath +
                                         (target ? "" : " (target not compared: it names a folder only the wizard knows)"));
        } else {
            std::string line = label + ": " + path + ":";
            for (std::size_t i = 0; i < problems.size(); ++i)
                line += (i ? "; " : " ") + problems[i];
            report.Fail("shortcuts", line);
        }
    }
    for (const std::string& extra : logged)
        report.Fail("shortcuts", extra + " was made though it was not chosen");
}

const std::map<std::string, std::string>* FindUninstallKey(const TryPackage& package, const InstalledProduct& product)
{
    const auto key = product.user.find(UNINSTALL_KEY_TEXT + package.displayName);
    return key == product.user.end() ? nullptr : &key->second;
}

void CheckRegistry(TryReport& report, const TryPackage& package, const InstalledProduct& product)
{
    const auto* values = FindUninstallKey(package, product);
    const std::string uninstallKey = "HKCU\\" UNINSTALL_KEY_TEXT + package.displayName;
    if (!values) {
        report.Fail("registry", uninstallKey + " is missing");
    } else {
        auto value = [&](const char* name) -> std::optional<std::string> {
            const auto found = values->find(name);
            if (found == values->end())
                return std::nullopt;
            return DescribeRegistryData(found->second);
        };
        std::vector<std::string> problems;
        if (value("DisplayName") != package.displayName)
            problems.push_back("DisplayName is not \"" + package.displayName + "\"");
        if (!value("InstallLocation") || !SameWindowsPath(*value("InstallLocation"), product.dest))
            problems.push_back("InstallLocation is not \"" + product.dest + "\"");
        for (const char* name : {"UninstallString", "QuietUninstallString"}) {
            const auto command = value(name);
            if (!command)
                continue;
            const std::string program = FindProgramOfCommand(*command);
            if (!fs::exists(ToPrefixPath(product.prefix, program)))
                problems.push_back(std::string(name) + " names " + program + ", which is not installed");
        }
        if (!value("UninstallString"))
            problems.push_back("there is no UninstallString");
        if (problems.empty()) {
            report.Pass("registry", uninstallKey + ": DisplayName, InstallLocation and UninstallString " +
                                        *value("UninstallString"));
        } else {
            for (const std::string& problem : problems)
                report.Fail("registry", uninstallKey + ": " + problem);
        }
    }
    if (!package.launchCommand)
        return;
    const auto program = ExpandForCheck(FindProgramOfCommand(*package.launchCommand), product.dest);
    if (!program)
        return;
    const std::string name = LastComponent(*program);
    const std::string appKey = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\" + name;
    const auto key = std::find_if(product.machine.begin(), product.machine.end(),
                                  [&](const auto& entry) { return SameWindowsPath(entry.first, appKey); });
    if (key == product.machine.end()) {
        report.Fail("registry", "HKLM\\" + appKey + " is missing");
        return;
    }
    const auto path = key->second.find("");
    const auto folder = key->second.find("Path");
    if (path == key->second.end() || !SameWindowsPath(DescribeRegistryData(path->second), *program) ||
        folder == key->second.end() || !SameWindowsPath(DescribeRegistryData(folder->second), FolderOf(*program)))
        report.Fail("registry", "HKLM\\" + appKey + " does not name " + *program + " and its folder");
    else
        report.Pass("registry", "HKLM\\" + appKey + " names " + *program);
}

void CheckUninstallLog(TryReport& report, const TryPackage& package, const InstalledProduct& product)
{
    std::vector<std::uint8_t> log;
    UninstallPlan plan{};
    if (const std::string problem = ReadLog(product, log, plan); !problem.empty()) {
        report.Fail("uninstall log", problem);
        return;
    }
    report.uninstallLog = InspectUninstallLog(log).text;
    if (!plan.destination.path || !SameWindowsPath(plan.destination.path, product.dest))
        report.Fail("uninstall log", "uninst.dat names another destination than " + product.dest);
    if (!plan.displayName || package.displayName != plan.displayName)
        report.Fail("uninstall log", "uninst.dat names another product than " + package.displayName);
    FileListWalk walk{};
    BeginFileListWalk(&walk, &plan);
    RemovalKind kind{};
    std::size_t files = 0;
    while (NextRemovalEntry(&walk, &kind)) {
        // The log lists itself beside the package's files.
        if (kind == REMOVE_FILE && !SameWindowsPath(LastComponent(walk.path), "uninst.dat"))
            ++files;
        if (!fs::exists(ToPrefixPath(product.prefix, walk.path)))
            report.Fail("uninstall log", std::string("uninst.dat lists ") + walk.path + ", which is not there");
    }
    std::size_t packageFiles = 0;
    for (const TryFile& file : package.files)
        packageFiles += !file.directory;
    if (files != packageFiles)
        report.Fail("uninstall log", "uninst.dat lists " + std::to_string(files) + " files, the package has " +
                                         std::to_string(packageFiles));
    else
        report.Pass("uninstall log", "uninst.dat read back: " + std::to_string(files) + " files, " +
                                         std::to_string(plan.shortcutCount) + " shortcuts, " +
                                         std::to_string(plan.registryKeyCount) + " registry keys");
}

}  // namespace quillset
