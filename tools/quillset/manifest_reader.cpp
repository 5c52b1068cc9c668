// Reads the TOML manifest into a Manifest: every key checked, texts converted to Windows-1252,
// references between tables resolved, and each refusal pointing at its line.
#include <algorithm>
#include <cctype>
#include <sstream>

#include "common/folder_variables.h"
#include "common/path_routines.h"
#include "common/uninstall_log_format.h"
#include "file_io.h"
#include "folder_references.h"
#include "manifest.h"
#include "manifest_brand.h"
#include "manifest_table.h"
#include "name_rules.h"
#include "package/package_layout.h"
#include "path_length.h"
#include "product_names.h"
#include "text_encoding.h"
#include "typical_folders.h"

namespace quillset {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t MAX_SHORTCUT_ENTRY = 0xFFFF;
// A manifest is a few kilobytes; the bound only keeps a wrong path, such as a device, from
// filling memory.
constexpr std::uint64_t MAX_MANIFEST_SIZE = 64 << 20;

struct Reader {
    std::string file;  // as messages name it
    fs::path folder;   // relative paths start here
};

// The pieces of `path` between any of the `separators`, empty ones included.
std::vector<std::string_view> SplitAtSeparators(std::string_view path, std::string_view separators)
{
    std::vector<std::string_view> components;
    for (std::size_t separator = path.find_first_of(separators); separator != std::string_view::npos;
         separator = path.find_first_of(separators)) {
        components.push_back(path.substr(0, separator));
        path.remove_prefix(separator + 1);
    }
    components.push_back(path);
    return components;
}

// The wizard offers the defaults as written, so a slash would reach the registry, the log and
// the shortcuts beside the backslashes that the wizard writes.
void RefuseSlash(ManifestTable& product, std::string_view key, const std::string& text,
                 std::string_view example)
{
    if (text.find('/') != std::string::npos)
        product.Fail(product.FindLine(key), "'" + std::string(key) +
                                                "' holds a slash; write backslashes between its folders, as "
                                                "in '" + std::string(example) +
                                                "', since the wizard keeps it as written");
}

void CheckInstallDir(ManifestTable& product, const std::string& installDir)
{
    const std::size_t line = product.FindLine("install_dir");
    RefuseSlash(product, "install_dir", installDir, "%ProgramFiles%\\Demo");
    // A folder variable gives a drive path, which only the start of the destination can take, and
    // a whole folder, which its first separator ends.
    const std::vector<FolderReference> references = ListFolderReferences(installDir);
    for (const FolderReference& reference : references)
        if (reference.offset != 0)
            product.Fail(line, "'install_dir' names %" + std::string(reference.name) +
                                   "% after its start; a folder variable gives a drive path, so it can only "
                                   "begin the destination, as in '%ProgramFiles%\\Demo'");
    // Only a variable that starts the text gives its first folder; one elsewhere is refused above.
    const bool leading = !references.empty() && references.front().offset == 0;
    const std::size_t variableEnd = leading ? references.front().name.size() + 2 : 0;
    const std::size_t firstSeparator = std::min(installDir.find('\\'), installDir.size());
    if (variableEnd != 0 && firstSeparator != variableEnd)
        product.Fail(line, "'install_dir' follows %" + std::string(references.front().name) + "% with " +
                               Quote(installDir.substr(variableEnd, firstSeparator - variableEnd)) +
                               " before its first backslash; the variable names a whole folder: write "
                               "the backslash right after it, as in '%ProgramFiles%\\Demo'");
    // The wizard refuses these characters in a destination, after its drive prefix.
    const std::size_t start = installDir.size() >= 2 && installDir[1] == ':' ? 2 : 0;
    if (HasInvalidPathChars(installDir.c_str() + start))
        product.Fail(line, "'install_dir' cannot contain any of \" * : < > ? | after its drive");
    if (const std::optional<std::string> problem = FindInstallDirProblem(installDir))
        product.Fail(line, "'install_dir' is " + Quote(installDir) + ", " + *problem);
    // Windows starts what the Startup folder holds at each logon: every file of the product.
    const std::optional<std::string> expanded = ExpandTypicalFolders(installDir);
    const std::string startup = ExpandTypicalFolders("%StartupMenu%").value();
    if (expanded && (FoldNameCase(*expanded) == FoldNameCase(startup) ||
                     IsPathInside(expanded->c_str(), startup.c_str())))
        product.Fail(line, "'install_dir' " + Quote(installDir) +
                               " lies in the Startup folder, whose files Windows starts at each logon: every "
                               "installed file, uninst.exe too, would start; choose a folder such as "
                               "'%ProgramFiles%\\Demo'");
    // Each folder of the path is made by the wizard, so each must be a name Windows stores as
    // written; the drive and a leading folder variable are no such names.
    const std::vector<std::string_view> components = SplitAtSeparators(installDir, "\\/");
    for (std::size_t i = 0; i < components.size(); ++i) {
        const std::string_view component = components[i];
        // The wizard keeps a default as written, and refuses one with an empty folder name.
        if (component.empty() && i > 0 && i + 1 < components.size())
            product.Fail(line, "'install_dir' holds a doubled backslash; write one between its folders, as in "
                               "'%ProgramFiles%\\Demo' (in a TOML literal string a backslash stands for itself)");
        const bool given = i == 0 && (component.ends_with(':') || variableEnd != 0);
        if (!component.empty() && !given)
            if (const auto problem = FindNameProblem(component))
                product.Fail(line, "'install_dir': " + *problem);
    }
}

void CheckDisplayName(ManifestTable& product, const std::string& displayName)
{
    for (const std::string& problem : FindDisplayNameProblems(displayName))
        product.Fail(product.FindLine("display_name"), "'display_name' " + problem);
}

void CheckEventName(ManifestTable& product, const std::string& eventName)
{
    for (const std::string& problem : FindEventNameProblems(eventName))
        product.Fail(product.FindLine("event_name"), "'event_name' " + problem);
}

void CheckMenuFolder(ManifestTable& product, const std::string& menuFolder)
{
    RefuseSlash(product, "menu_folder", menuFolder, "Demo\\Tools");
    const std::vector<std::string_view> components = SplitAtSeparators(menuFolder, "\\/");
    for (const std::string_view component : components)
        if (const auto problem = FindNameProblem(component))
            product.Fail(product.FindLine("menu_folder"), "'menu_folder': " + *problem);
    // The folder lies in the Programs menu, whose Startup folder Windows runs at each logon.
    if (FoldNameCase(components.front()) == "STARTUP")
        product.Fail(product.FindLine("menu_folder"),
                     "'menu_folder' " + Quote(menuFolder) +
                         " puts the Start Menu shortcuts in the Programs menu's Startup folder, whose shortcuts "
                         "Windows starts at each logon; name a folder of the product's own, e.g. \"Demo 1.0\"");
}

// The Start Menu shortcuts are made in the menu folder: the longest name must fit there.
void CheckMenuFolderLength(const ManifestTable& product, const Manifest& manifest)
{
    std::string_view longest;
    for (const ManifestShortcut& shortcut : manifest.shortcuts) {
        if (shortcut.startMenu && shortcut.name.size() > longest.size())
            longest = shortcut.name;
    }
    if (const auto problem = FindMenuPathProblem(manifest.menuFolder, longest))
        product.Fail(product.FindLine("menu_folder"), "'menu_folder' is too long: " + *problem);
}

std::optional<fs::path> FindSourceFile(ManifestTable& table, const Reader& reader, std::string_view key)
{
    const std::optional<std::string> value = table.FindUtf8(key);
    if (!value)
        return std::nullopt;
    const fs::path path = reader.folder / fs::path(*value);
    std::error_code error;
    if (!fs::is_regular_file(path, error))
        table.Fail(table.FindLine(key), "'" + std::string(key) + "': no file " + path.string());
    return path;
}

// The characters of a short name that the wizard's one-line page headers show whole: seen with
// the wizard's dialog font on the Ready page's "Setup is now ready to begin installing %s on
// your computer.", where 21 letters and spaces fit and 26 lose the sentence's end.
constexpr std::size_t SHORT_NAME_HEADER_ROOM = 24;

void ReadProduct(ManifestTable& product, const Reader& reader, Manifest& manifest)
{
    manifest.shortName = product.RequireText("short_name");
    if (manifest.shortName.find_first_not_of(WINDOWS_1252_BLANKS) == std::string::npos)
        product.Fail(product.FindLine("short_name"),
                     "'short_name' is blank; give the product's name as the wizard's caption and texts show "
                     "it, e.g. \"Inkwell\"");
    if (HasControlCharacter(manifest.shortName))
        product.Fail(product.FindLine("short_name"),
                     "'short_name' cannot contain control characters (a tab or a line break): the wizard shows "
                     "it in its caption and in one-line texts");
    if (manifest.shortName.size() > SHORT_NAME_HEADER_ROOM)
        manifest.warnings.push_back(
            reader.file + ":" + std::to_string(product.FindLine("short_name")) + ": 'short_name' is " +
            std::to_string(manifest.shortName.size()) + " characters long; the wizard's page headers take one line, "
            "and the Ready page's \"Setup is now ready to begin installing ... on your computer.\" shows about " +
            std::to_string(SHORT_NAME_HEADER_ROOM) + " characters of a name before its end is cut (look at the pages "
            "with quillset try --shots); the full name with its version goes in display_name");
    manifest.displayName = product.RequireText("display_name");
    CheckDisplayName(product, manifest.displayName);
    // Its folder variables follow rules of their own, which CheckInstallDir says in full.
    manifest.installDir = product.RequireText("install_dir");
    product.CheckFolderVariables("install_dir", manifest.installDir);
    CheckInstallDir(product, manifest.installDir);
    manifest.menuFolder = product.RequireText("menu_folder");
    CheckMenuFolder(product, manifest.menuFolder);
    manifest.notice = product.FindText("notice");
    manifest.eventName = product.FindText("event_name");
    if (manifest.eventName)
        CheckEventName(product, *manifest.eventName);
    manifest.infoBefore = FindSourceFile(product, reader, "info_before");
    manifest.infoAfter = FindSourceFile(product, reader, "info_after");
    manifest.icon = FindSourceFile(product, reader, "icon");
    product.RejectUnknownKeys();
}

std::uint32_t ParseAttributeWords(ManifestTable& attributes, const std::string& key, const std::string& words)
{
    std::istringstream stream(words);
    std::string word;
    std::uint32_t bits = 0;
    bool normal = false;
    bool any = false;
    while (stream >> word) {
        any = true;
        if (word == "normal")
            normal = true;
        else if (word == "readonly")
            bits |= ATTRIBUTE_READONLY;
        else if (word == "hidden")
            bits |= ATTRIBUTE_HIDDEN;
        else if (word == "system")
            bits |= ATTRIBUTE_SYSTEM;
        else if (word == "archive")
            bits |= ATTRIBUTE_ARCHIVE;
        else
            attributes.Fail(attributes.FindLine(key),
                            "unknown attribute word \"" + word + "\" for '" + key +
                                "'; use normal, readonly, hidden, archive or system");
    }
    if (!any)
        attributes.Fail(attributes.FindLine(key), "no attribute words for '" + key + "'");
    if (normal && bits != 0)
        attributes.Fail(attributes.FindLine(key),
                        "'normal' cannot be combined with other words for '" + key + "'");
    return bits;
}

std::vector<std::string> SplitOverridePath(ManifestTable& attributes, const std::string& key)
{
    std::vector<std::string> components;
    for (const std::string_view component : SplitAtSeparators(key, "/")) {
        if (component.empty() || component == "." || component == "..")
            attributes.Fail(attributes.FindLine(key),
                            "'" + key + "' is not a relative path of the source folder ('/' between names)");
        components.emplace_back(component);
    }
    return components;
}

bool HasTopLevelName(const fs::path& entry, std::string_view lowerCaseName)
{
    std::string name = entry.filename().string();
    std::ranges::transform(name, name.begin(), [](unsigned char c) { return std::tolower(c); });
    return name == lowerCaseName;
}

// The choice of uninstaller, checked against the top level of the source folder, since the
// builtin one and the vendor's would be the same file on Windows.
UninstallerChoice ReadUninstallerChoice(ManifestTable& files, const fs::path& source, const std::string& file,
                                         std::vector<std::string>& warnings)
{
    const std::optional<std::string> word = files.FindUtf8("uninstaller");
    const std::size_t line = files.FindLine("uninstaller");
    UninstallerChoice choice = UninstallerChoice::Builtin;
    if (word == "own")
        choice = UninstallerChoice::Own;
    else if (word == "none")
        choice = UninstallerChoice::None;
    else if (word && *word != "builtin")
        files.Fail(line, "'uninstaller' in [files] is \"" + *word + "\"; use builtin, own or none");

    std::error_code error;
    bool named = false;
    bool held = false;
    for (const fs::directory_entry& entry : fs::directory_iterator(source, error)) {
        if (HasTopLevelName(entry.path(), UNINSTALLER_FILE)) {
            named = true;
            held = entry.is_regular_file(error);
        }
        if (HasTopLevelName(entry.path(), UNINSTALL_LOG_NAME))
            files.Fail(files.FindLine("source"),
                       "the source folder holds " + entry.path().filename().string() +
                           " at its top level, the name of the uninstall log that the installation writes "
                           "there; rename or move it");
    }
    if (choice == UninstallerChoice::Builtin && named)
        files.Fail(line, "the source folder holds its own uninst.exe while 'uninstaller' in [files] is "
                         "\"builtin\"; set it to \"own\" to ship that one, or remove the file");
    if (choice == UninstallerChoice::Own && !held)
        files.Fail(line, "'uninstaller' in [files] is \"own\", but the source folder holds no uninst.exe "
                         "at its top level");
    if (choice == UninstallerChoice::None && !held)
        warnings.push_back(file + ":" + std::to_string(line) +
                           ": 'uninstaller' in [files] is \"none\": the installer still registers uninst.exe in "
                           "the product's folder as its uninstall command, and nothing installs that file; "
                           "use \"builtin\" or \"own\" for an Uninstall entry that works");
    return choice;
}

void ReadFiles(ManifestTable& files, const Reader& reader, Manifest& manifest)
{
    manifest.source = reader.folder / fs::path(files.RequireUtf8("source"));
    std::error_code error;
    if (!fs::is_directory(manifest.source, error))
        files.Fail(files.FindLine("source"), "'source': no folder " + manifest.source.string());
    manifest.uninstaller = ReadUninstallerChoice(files, manifest.source, reader.file, manifest.warnings);
    manifest.followOutsideLinks = files.FindBool("follow_outside_links", false);

    if (const toml::table* table = files.FindTable("attributes")) {
        ManifestTable attributes(*table, "[files.attributes]", reader.file);
        for (const auto& [key, value] : *table) {
            const std::string path(key.str());
            const std::string words = attributes.FindUtf8(path).value();
            manifest.attributeOverrides.push_back({SplitOverridePath(attributes, path),
                                                   ParseAttributeWords(attributes, path, words),
                                                   key.source().begin.line});
        }
    }
    files.RejectUnknownKeys();
}

bool EndsWithProgramExtension(std::string_view text)
{
    if (text.size() < 4 || text[text.size() - 4] != '.')
        return false;
    std::string extension(text.substr(text.size() - 3));
    std::ranges::transform(extension, extension.begin(), [](unsigned char c) { return std::tolower(c); });
    return extension == "exe" || extension == "com" || extension == "bat" || extension == "cmd";
}

struct ProgramWithArguments {
    std::string_view path;
    std::string_view arguments;
};

// A program text split where its arguments start, if it holds any. Without quotes,
// CreateProcess tries each prefix up to a space as the program ("C:\Program.exe" first), so a
// path must come alone. Two forms are arguments for certain: more words after a word that ends
// in a program's extension, and a word that starts with a slash (no Windows name ends in a
// space, so " /" is never inside a path). A space alone, as in "My App.exe", is part of the path.
std::optional<ProgramWithArguments> FindArguments(std::string_view program)
{
    for (std::size_t space = program.find(' '); space != std::string_view::npos;
         space = program.find(' ', space + 1)) {
        const std::size_t next = program.find_first_not_of(' ', space);
        if (next == std::string_view::npos)
            return std::nullopt;
        const std::string_view path = program.substr(0, space);
        if (EndsWithProgramExtension(path) || program[next] == '/')
            return ProgramWithArguments{path, program.substr(next)};
    }
    return std::nullopt;
}

ManifestShortcut ReadShortcut(ManifestTable& table)
{
    ManifestShortcut shortcut;
    shortcut.id = table.FindUtf8("id").value_or("");
    shortcut.name = table.RequireText("name");
    if (const auto problem = FindNameProblem(shortcut.name))
        table.Fail(table.FindLine("name"), "shortcut name: " + *problem);
    shortcut.target = table.RequireFolderText("target");
    shortcut.targetLine = table.FindLine("target");
    // The link's path is the whole text, which names no file when arguments follow the program.
    if (const std::optional<ProgramWithArguments> split = FindArguments(shortcut.target))
        table.Fail(shortcut.targetLine, "the shortcut's 'target' is " + Quote(split->path) +
                                            " followed by the arguments " + Quote(split->arguments) +
                                            "; a link starts its target without arguments: give the path "
                                            "alone");
    shortcut.workingDir = table.FindFolderText("working_dir").value_or("");
    shortcut.workingDirLine = table.FindLine("working_dir");
    shortcut.showMode = table.FindShowMode("show");
    shortcut.startMenu = table.FindBool("start_menu", true);
    table.RejectUnknownKeys();

    const std::size_t length =
        4 + shortcut.name.size() + shortcut.target.size() + shortcut.workingDir.size() + 3;
    if (length > MAX_SHORTCUT_ENTRY)
        table.Fail(table.FindLine("name"), "the shortcut's texts are too long for one entry");
    return shortcut;
}

void ReadShortcuts(const toml::array& array, const Reader& reader, Manifest& manifest)
{
    for (const toml::node& node : array) {
        ManifestTable table(*node.as_table(), "[[shortcut]]", reader.file);
        ManifestShortcut shortcut = ReadShortcut(table);
        // The Start Menu shortcuts share one folder, where Windows takes names without case.
        if (shortcut.startMenu) {
            const std::string folded = FoldNameCase(shortcut.name);
            const bool clash = std::any_of(
                manifest.shortcuts.begin(), manifest.shortcuts.end(), [&](const ManifestShortcut& other) {
                    return other.startMenu && FoldNameCase(other.name) == folded;
                });
            if (clash)
                table.Fail(table.FindLine("name"),
                           "a second Start Menu shortcut is named " + Quote(shortcut.name) +
                               " (Windows does not tell names apart by case); give each its own name");
        }
        if (!shortcut.id.empty()) {
            const bool taken =
                std::any_of(manifest.shortcuts.begin(), manifest.shortcuts.end(),
                            [&](const ManifestShortcut& other) { return other.id == shortcut.id; });
            if (taken)
                table.Fail(table.FindLine("id"), "a second shortcut has the id \"" + shortcut.id + "\"");
        }
        manifest.shortcuts.push_back(std::move(shortcut));
    }
}

std::optional<std::size_t> FindShortcutReference(ManifestTable& singles, const Manifest& manifest,
                                                 std::string_view key)
{
    const std::optional<std::string> id = singles.FindUtf8(key);
    if (!id)
        return std::nullopt;
    std::string known;
    for (std::size_t index = 0; index < manifest.shortcuts.size(); ++index) {
        const std::string& candidate = manifest.shortcuts[index].id;
        if (candidate.empty())
            continue;
        if (candidate == *id)
            return index;
        known += (known.empty() ? "" : ", ") + candidate;
    }
    singles.Fail(singles.FindLine(key), "'" + std::string(key) + "' names the shortcut id \"" + *id +
                                            "\", which no [[shortcut]] has" +
                                            (known.empty() ? std::string() : " (ids: " + known + ")"));
}

// A single shortcut's link in its own folder: the longest path counted with a typical value.
std::optional<std::size_t> FindSingleShortcut(ManifestTable& singles, const Manifest& manifest,
                                              std::string_view key, std::string_view folder)
{
    const std::optional<std::size_t> index = FindShortcutReference(singles, manifest, key);
    if (index)
        if (const auto problem = FindLinkPathProblem(folder, manifest.shortcuts[*index].name))
            singles.Fail(singles.FindLine(key), "'" + std::string(key) + "': " + *problem);
    return index;
}

void ReadSingleShortcuts(ManifestTable& singles, Manifest& manifest)
{
    manifest.desktopShortcut =
        FindSingleShortcut(singles, manifest, "desktop", ExpandTypicalFolders("%DesktopDir%").value());
    manifest.quickLaunchShortcut = FindSingleShortcut(singles, manifest, "quick_launch", TYPICAL_QUICK_LAUNCH);
    manifest.startupShortcut =
        FindSingleShortcut(singles, manifest, "startup", ExpandTypicalFolders("%StartupMenu%").value());
    singles.RejectUnknownKeys();
}

// The texts that the installer expands into path-sized buffers: a shortcut's target and folder,
// a program's command line and folder.
void CheckExpandedLengths(const Reader& reader, const Manifest& manifest)
{
    const auto check = [&](std::string_view text, std::size_t line, const std::string& what) {
        if (const auto problem = FindExpandedLengthProblem(text, manifest.installDir, manifest.menuFolder))
            ThrowManifestError(reader.file, line, what + " " + *problem);
    };
    for (const ManifestShortcut& shortcut : manifest.shortcuts) {
        check(shortcut.target, shortcut.targetLine, "the shortcut's 'target'");
        check(shortcut.workingDir, shortcut.targetLine, "the shortcut's 'working_dir'");
    }
    const std::pair<const std::optional<ManifestRunEntry>*, const char*> entries[] = {
        {&manifest.launch, "[run.launch]"}, {&manifest.postInstall, "[run.post_install]"},
        {&manifest.uninstall, "[run.uninstall]"}};
    for (const auto& [entry, name] : entries) {
        if (!*entry)
            continue;
        check((*entry)->commandLine, (*entry)->programLine, std::string("the command line of ") + name);
        check((*entry)->workingDir, (*entry)->programLine, std::string("'working_dir' in ") + name);
    }
}

enum class RunEntryKind { Launch, PostInstall, Uninstall };

// The uninstaller expands only the two folders that its log records; another variable would stay
// in the command as written, and the command would not start.
void CheckUninstallVariables(const ManifestTable& table, std::string_view key, std::string_view text)
{
    for (const FolderReference& reference : ListFolderReferences(text)) {
        const int variable = FindFolderVariable(reference.name.data(), reference.name.size());
        if (variable != FOLDER_INSTALL_DIR && variable != FOLDER_MENU_FOLDER)
            table.Fail(table.FindLine(key), "'" + std::string(key) + "' in [run.uninstall] names %" +
                                                std::string(reference.name) +
                                                "%, which the uninstaller does not expand; only %InstallDir% and "
                                                "%MenuFolder% are available there");
    }
}

ManifestRunEntry ReadRunEntry(ManifestTable& table, const std::string& tableName, RunEntryKind kind)
{
    const bool takesArguments = kind != RunEntryKind::Launch;
    ManifestRunEntry entry;
    const std::string program = table.RequireFolderText("program");
    entry.program = program;
    entry.programLine = table.FindLine("program");
    if (program.find('"') != std::string::npos)
        table.Fail(entry.programLine, "'program' cannot contain a double quote");
    if (const std::optional<ProgramWithArguments> split = FindArguments(program)) {
        table.Fail(entry.programLine,
                   "'program' in " + tableName + " is " + Quote(split->path) + " followed by the arguments " +
                       Quote(split->arguments) + "; " +
                       (takesArguments ? "give the path alone in 'program' and the rest in 'arguments'"
                                       : "the launch entry runs a plain program path and takes no arguments"));
    }
    std::optional<std::string> arguments;
    if (takesArguments)
        arguments = table.FindFolderText("arguments");
    else if (table.FindUtf8("arguments"))
        table.Fail(table.FindLine("arguments"),
                   "the launch entry is a plain program path and takes no 'arguments'");
    entry.commandLine = ComposeCommandLine(program, arguments.value_or(""));
    if (kind == RunEntryKind::Uninstall) {
        CheckUninstallVariables(table, "program", program);
        CheckUninstallVariables(table, "arguments", arguments.value_or(""));
        // The log keeps the command as written, and the uninstaller reads it into a path-sized
        // buffer before it expands the folders: a longer one makes the whole log unreadable.
        if (entry.commandLine.size() > MAX_INSTALLED_PATH)
            table.Fail(entry.programLine,
                       "the command line of [run.uninstall] is " + std::to_string(entry.commandLine.size()) +
                           " characters long as written (with its folder variables unexpanded); the "
                           "uninstall log holds at most " + std::to_string(MAX_INSTALLED_PATH));
        // Only the command text reaches the uninstall log; the uninstaller sets the rest itself.
        for (const std::string_view key : {"working_dir", "show", "wait"})
            if (table.HasKey(key))
                table.Fail(table.FindLine(key),
                           "'" + std::string(key) +
                               "' is not taken in [run.uninstall]: the uninstall command always runs in the "
                               "product's folder, in the default show mode, and is waited for; remove the "
                               "key");
    } else {
        entry.workingDir = table.FindFolderText("working_dir").value_or("");
        entry.workingDirLine = table.FindLine("working_dir");
        entry.showMode = table.FindShowMode("show");
        entry.wait = table.FindBool("wait", false);
        if (kind == RunEntryKind::Launch && entry.wait)
            table.Fail(table.FindLine("wait"), "'wait' is not taken in [run.launch]: the Finish page starts the "
                                               "program and closes without waiting for it; remove the key");
    }
    table.RejectUnknownKeys();
    return entry;
}

std::optional<ManifestRunEntry> FindRunEntry(ManifestTable& run, const Reader& reader, std::string_view key,
                                             RunEntryKind kind)
{
    const toml::table* table = run.FindTable(key);
    if (!table)
        return std::nullopt;
    ManifestTable entry(*table, "[run." + std::string(key) + "]", reader.file);
    return ReadRunEntry(entry, "[run." + std::string(key) + "]", kind);
}

// A [version] that leaves keys out keeps Quillset's own texts for them, which then name
// Quillset as the maker of the vendor's Setup.exe in Explorer's Details.
void WarnAboutKeptVersionTexts(const ManifestTable& version, const Reader& reader, Manifest& manifest)
{
    const std::pair<const char*, const std::optional<std::string>*> keys[] = {
        {"product_name", &manifest.version->productName}, {"product_version", &manifest.version->productVersion},
        {"company", &manifest.version->company},          {"description", &manifest.version->description},
        {"copyright", &manifest.version->copyright}};
    std::string kept;
    for (const auto& [key, text] : keys) {
        if (!*text)
            kept += (kept.empty() ? "" : ", ") + std::string(key);
    }
    if (!kept.empty())
        manifest.warnings.push_back(reader.file + ":" + std::to_string(version.FindLine("")) +
                                    ": [version] leaves out " + kept +
                                    ": Setup.exe's version record keeps Quillset's own values there, which "
                                    "Explorer's Details then show for your installer");
}

// CreateProcess, which the installer and the uninstaller run entries with, starts programs only.
void WarnAboutDocument(const Reader& reader, const std::optional<ManifestRunEntry>& entry, std::string_view key,
                       Manifest& manifest)
{
    if (entry && !EndsWithProgramExtension(entry->program))
        manifest.warnings.push_back(reader.file + ":" + std::to_string(entry->programLine) + ": 'program' in [run." +
                                    std::string(key) + "] is " + Quote(entry->program) +
                                    ", which does not end in .exe, .com, .bat or .cmd; the installer starts it "
                                    "as a program, so a document or a program without one of these fails to start");
}

// The installer registers the launch program under App Paths, and the removal takes that key
// only while it names a program in the product's folder: another program may own it otherwise.
void WarnAboutOutsideLaunchProgram(const Reader& reader, const std::optional<ManifestRunEntry>& entry,
                                   Manifest& manifest)
{
    if (!entry || SplitBelowInstallDir(entry->program))
        return;
    manifest.warnings.push_back(reader.file + ":" + std::to_string(entry->programLine) +
                                ": 'program' in [run.launch] is " + Quote(entry->program) +
                                ", outside %InstallDir%; the installer registers it under App Paths, "
                                "and the removal leaves that key, as it may be another program's");
}

void ReadRunEntries(ManifestTable& run, const Reader& reader, Manifest& manifest)
{
    manifest.launch = FindRunEntry(run, reader, "launch", RunEntryKind::Launch);
    manifest.postInstall = FindRunEntry(run, reader, "post_install", RunEntryKind::PostInstall);
    manifest.uninstall = FindRunEntry(run, reader, "uninstall", RunEntryKind::Uninstall);
    run.RejectUnknownKeys();
    WarnAboutDocument(reader, manifest.launch, "launch", manifest);
    WarnAboutOutsideLaunchProgram(reader, manifest.launch, manifest);
    WarnAboutDocument(reader, manifest.postInstall, "post_install", manifest);
    WarnAboutDocument(reader, manifest.uninstall, "uninstall", manifest);
}

SigningCommand ReadSigning(ManifestTable& signing, const Reader& reader)
{
    const std::string text = signing.RequireUtf8("command");
    signing.RejectUnknownKeys();
    try {
        return ParseSigningCommand(text, reader.folder);
    } catch (const std::invalid_argument& error) {
        signing.Fail(signing.FindLine("command"), std::string("[signing] 'command': ") + error.what());
    }
}

}  // namespace

std::string ComposeCommandLine(std::string_view program, std::string_view arguments)
{
    if (arguments.empty())
        return std::string(program);
    return "\"" + std::string(program) + "\" " + std::string(arguments);
}

Manifest ReadManifest(const fs::path& file)
{
    const Reader reader{file.string(), file.parent_path().empty() ? fs::path(".") : file.parent_path()};
    const std::vector<std::uint8_t> bytes = ReadWholeFile(file, MAX_MANIFEST_SIZE);
    const std::string content(bytes.begin(), bytes.end());

    toml::table root;
    try {
        root = toml::parse(content, reader.file);
    } catch (const toml::parse_error& error) {
        ThrowManifestError(reader.file, error.source().begin.line, std::string(error.description()));
    }

    Manifest manifest;
    manifest.file = file;
    ManifestTable top(root, "the manifest", reader.file);

    ManifestTable product(top.RequireTable("product"), "[product]", reader.file);
    ReadProduct(product, reader, manifest);
    ManifestTable files(top.RequireTable("files"), "[files]", reader.file);
    ReadFiles(files, reader, manifest);
    if (const toml::array* shortcuts = top.FindArray("shortcut"))
        ReadShortcuts(*shortcuts, reader, manifest);
    CheckMenuFolderLength(product, manifest);
    if (const toml::table* singlesTable = top.FindTable("single_shortcuts")) {
        ManifestTable singles(*singlesTable, "[single_shortcuts]", reader.file);
        ReadSingleShortcuts(singles, manifest);
    }
    if (const toml::table* runTable = top.FindTable("run")) {
        ManifestTable run(*runTable, "[run]", reader.file);
        ReadRunEntries(run, reader, manifest);
    }
    CheckExpandedLengths(reader, manifest);
    if (const toml::table* signingTable = top.FindTable("signing")) {
        ManifestTable signing(*signingTable, "[signing]", reader.file);
        manifest.signing = ReadSigning(signing, reader);
    }
    if (const toml::table* wizardTable = top.FindTable("wizard")) {
        ManifestTable wizard(*wizardTable, "[wizard]", reader.file);
        manifest.welcomeImage = FindSourceFile(wizard, reader, "welcome_image");
        manifest.headerImage = FindSourceFile(wizard, reader, "header_image");
        wizard.RejectUnknownKeys();
    }
    if (const toml::table* versionTable = top.FindTable("version")) {
        ManifestTable version(*versionTable, "[version]", reader.file);
        manifest.version = ReadVersionTable(version);
        WarnAboutKeptVersionTexts(version, reader, manifest);
    }
    top.RejectUnknownKeys();
    return manifest;
}

}  // namespace quillset
