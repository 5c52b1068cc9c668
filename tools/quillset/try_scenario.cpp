// The generated scenario follows the wizard's page table: Welcome, Information (when the package
// has a text before), Destination, Start Menu, Ready, Installing, Information after, Finish.
#include "try_scenario.h"

#include <stdexcept>

#include "package/package_reader.h"

namespace quillset {
namespace {

// The wizard's control ids of the pages answered here.
constexpr int PATH_EDIT = 1004;
constexpr int NO_MENU_FOLDER = 1010;
constexpr int LAUNCH = 1013;
constexpr int DESKTOP_ICON = 1016;
constexpr int QUICK_LAUNCH_ICON = 1017;
constexpr int STARTUP_ICON = 1025;
constexpr int HIDE_COMMAND = 0;  // SW_HIDE

TryShortcut ToShortcut(const ShortcutEntry& entry)
{
    return {entry.name, entry.target, entry.workingDir, GetShowCommand(entry.showMode), entry.startMenuFlag != 0};
}

std::optional<TryShortcut> ReadSingle(std::span<const std::uint8_t> package, PackageField field)
{
    const std::uint32_t offset = ReadHeaderField(package.data(), field);
    ShortcutEntry entry{};
    if (offset == 0)
        return std::nullopt;
    if (offset >= package.size() ||
        !ReadSingleShortcutEntry(package.data() + offset, package.data() + package.size(), &entry))
        throw std::runtime_error("the package's single shortcut at " + std::to_string(offset) + " is unreadable");
    return ToShortcut(entry);
}

std::string ReadText(std::span<const std::uint8_t> package, PackageField field)
{
    const char* text = ReadPackageText(package.data(), package.data() + package.size(),
                                       ReadHeaderField(package.data(), field));
    return text ? text : "";
}

// One page: waits for it, pictures it when asked, and leaves it with `leave` steps.
void AddPage(std::string& scenario, const char* page, const char* picture, bool shots)
{
    scenario += std::string("expect page ") + page + "\n";
    if (shots)
        scenario += std::string("shot wizard-") + picture + "\n";
}

}  // namespace

TryPackage ReadTryPackage(std::span<const std::uint8_t> package)
{
    if (package.size() < PACKAGE_HEADER_FIELDS * 4)
        throw std::runtime_error("the package is shorter than its header");
    const unsigned char* base = package.data();
    const unsigned char* end = base + package.size();
    TryPackage result;
    result.shortName = ReadText(package, FIELD_SHORT_NAME);
    result.displayName = ReadText(package, FIELD_DISPLAY_NAME);
    result.installDir = ReadText(package, FIELD_INSTALL_DIR);
    result.menuFolder = ReadText(package, FIELD_MENU_FOLDER);
    result.infoBefore = ReadHeaderField(base, FIELD_INFO_BEFORE_OFFSET) != 0;
    result.infoAfter = ReadHeaderField(base, FIELD_INFO_AFTER_OFFSET) != 0;

    if (const std::uint32_t list = ReadHeaderField(base, FIELD_MENU_LIST); list && list < package.size()) {
        for (const unsigned char* at = base + list;;) {
            ShortcutEntry entry{};
            const unsigned char* next = ReadShortcutEntry(at, end, &entry);
            if (!next)
                throw std::runtime_error("the package's Start Menu list is unreadable");
            if (entry.length == 0)
                break;
            result.menuList.push_back(ToShortcut(entry));
            at = next;
        }
    }
    result.desktop = ReadSingle(package, FIELD_DESKTOP_SHORTCUT);
    result.quickLaunch = ReadSingle(package, FIELD_QUICK_LAUNCH_SHORTCUT);
    result.startup = ReadSingle(package, FIELD_STARTUP_SHORTCUT);
    if (const std::uint32_t launch = ReadHeaderField(base, FIELD_LAUNCH_ENTRY); launch) {
        RunEntry entry{};
        if (launch >= package.size() || !ReadRunEntry(base + launch, end, &entry))
            throw std::runtime_error("the package's launch entry is unreadable");
        result.launchCommand = entry.commandLine;
        result.launchHidden = GetShowCommand(entry.showMode) == HIDE_COMMAND;
    }

    const std::uint32_t tree = ReadHeaderField(base, FIELD_FILE_TREE);
    if (tree == 0 || tree >= package.size())
        throw std::runtime_error("the package has no file tree");
    std::vector<std::string> folders;
    for (const unsigned char* at = base + tree;;) {
        TreeRecord record{};
        const unsigned char* next = ReadTreeRecord(at, end, &record);
        if (!next)
            throw std::runtime_error("the package's file tree is unreadable");
        at = next;
        if (record.kind == TREE_RECORD_END) {
            if (folders.empty())
                break;
            folders.pop_back();
            continue;
        }
        std::string path;
        for (const std::string& folder : folders)
            path += folder + "\\";
        path += record.name;
        TryFile file{path, record.kind == TREE_RECORD_DIRECTORY, record.attributes, record.size,
                     record.lastWriteTime, {}};
        if (record.kind == TREE_RECORD_DIRECTORY)
            folders.emplace_back(record.name);
        else if (record.size)
            file.stream = std::span<const std::uint8_t>(record.data, record.packedSize);
        result.files.push_back(file);
    }
    return result;
}

std::string QuoteScenarioWord(const std::string& text)
{
    std::string word = "\"";
    for (const char c : text) {
        if (c == '\\' || c == '"')
            word += '\\';
        word += c;
    }
    return word + "\"";
}

std::string FindProgramOfCommand(const std::string& commandLine)
{
    if (!commandLine.empty() && commandLine[0] == '"') {
        const std::size_t close = commandLine.find('"', 1);
        return commandLine.substr(1, close == std::string::npos ? std::string::npos : close - 1);
    }
    return commandLine.substr(0, commandLine.find(' '));
}

std::string MakeScenario(const TryPackage& package, const TryChoices& choices)
{
    auto refuse = [&](bool offered, const char* what) {
        if (!offered)
            throw std::runtime_error(std::string("the package offers no ") + what);
    };
    refuse(!choices.desktop || package.desktop.has_value(), "Desktop icon (--desktop)");
    refuse(!choices.quickLaunch || package.quickLaunch.has_value(), "Quick Launch icon (--quick-launch)");
    refuse(!choices.startup || package.startup.has_value(), "Startup icon (--startup)");
    refuse(!choices.launch || package.launchCommand.has_value(), "program to launch (--launch)");

    const bool shots = choices.shots;
    std::string s = "start\n";
    AddPage(s, "welcome", "welcome", shots);
    s += "press next\n";
    if (package.infoBefore) {
        AddPage(s, "info", "information", shots);
        s += "press next\n";
    }
    AddPage(s, "destination", "destination", shots);
    if (choices.dest)
        s += "set " + std::to_string(PATH_EDIT) + " " + QuoteScenarioWord(*choices.dest) + "\n";
    s += "press next\nexpect no message\n";  // a refused destination shows its box at once
    s += "expect page startmenu\n";
    if (choices.menuFolder)
        s += "set tail " + std::to_string(PATH_EDIT) + " " + QuoteScenarioWord(package.menuFolder) + " " +
             QuoteScenarioWord(*choices.menuFolder) + "\n";
    if (choices.noMenuFolder)
        s += "check " + std::to_string(NO_MENU_FOLDER) + "\n";
    if (choices.desktop)
        s += "check " + std::to_string(DESKTOP_ICON) + "\n";
    if (choices.quickLaunch)
        s += "check " + std::to_string(QUICK_LAUNCH_ICON) + "\n";
    if (choices.startup)
        s += "check " + std::to_string(STARTUP_ICON) + "\n";
    if (shots)
        s += "shot wizard-start-menu\n";
    s += "press next\nexpect no message\n";
    AddPage(s, "ready", "ready", shots);
    if (shots) {
        // The exit confirmation, answered No, so that the tour pictures it too.
        s += "press cancel\nshot wizard-exit-setup\nanswer no\nexpect page ready\n";
    }
    s += choices.readySteps;
    if (!choices.readySteps.empty() && choices.readySteps.back() != '\n')
        s += "\n";
    s += "press next\n";
    if (shots)
        s += "shot wizard-installing installing\n";  // a short installation may be over already
    s += "await installation " + std::to_string(choices.installSeconds) + "\n";
    if (package.infoAfter) {
        AddPage(s, "info", "information-after", shots);
        s += "press next\n";
    }
    AddPage(s, "finish", "finish", shots);
    if (package.launchCommand && !choices.launch)
        s += "uncheck " + std::to_string(LAUNCH) + "\n";
    s += "press finish\nexpect no window\nexpect exit 0\n";
    if (choices.launch)
        s += std::string(package.launchHidden ? "expect hidden inkwell " : "expect inkwell ") +
             QuoteScenarioWord(choices.launchProgram) + "\nstop inkwell\n";
    return s;
}

}  // namespace quillset
