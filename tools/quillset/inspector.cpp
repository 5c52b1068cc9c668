// The inspector walks a package the way the launcher and the wizard read it, but with every
// access bounded by the package size; what it cannot read becomes a named failure.
#include "inspector.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <set>
#include <sstream>
#include <string_view>

#include "common/uninstall_log_format.h"
#include "file_time.h"
#include "manifest.h"
#include "module_checks.h"
#include "name_rules.h"
#include "package/package_reader.h"
#include "path_length.h"
#include "pe_image.h"
#include "pe_resources.h"
#include "pe_signature.h"
#include "product_names.h"
#include "show_modes.h"
#include "source_tree.h"
#include "stream_check.h"
#include "text_encoding.h"
#include "text_format.h"

namespace quillset {
namespace {

constexpr std::array<std::string_view, PACKAGE_HEADER_FIELDS> FIELD_NAMES = {
    "reserved",
    "reserved",
    "total file size",
    "file count",
    "short product name",
    "display name",
    "wizard library offset",
    "wizard library packed size",
    "wizard library size",
    "before-install text offset",
    "before-install text packed size",
    "before-install text size",
    "after-install text offset",
    "after-install text packed size",
    "after-install text size",
    "default install directory",
    "default Start Menu folder",
    "notice",
    "event name",
    "file tree",
    "Start Menu list",
    "launch entry copy",
    "Desktop shortcut",
    "Quick Launch shortcut",
    "Startup shortcut",
    "launch entry",
    "post-install run entry",
    "uninstall command entry"};

// The information texts are shown up to this many bytes; a longer one is still checked whole.
constexpr std::size_t MAX_SHOWN_TEXT = 64 * 1024;
// The packed uninst.exe is inflated whole to find its signature, up to this size; a real one is
// far smaller, and a crafted size must not make the check hold gigabytes.
constexpr std::uint32_t MAX_CHECKED_PROGRAM = 64 << 20;

struct Inspection {
    const std::uint8_t* package;
    const std::uint8_t* end;
    std::size_t size;
    std::ostringstream out;
    std::vector<std::string> failures;
    std::vector<std::pair<std::string, std::string>> signatures;  // program, what its signature is
    bool treeWalked = false;  // to its end, so that a file not met is not in the package

    std::uint32_t ReadField(PackageField field) const { return ReadHeaderField(package, field); }
    void Fail(const std::string& failure) { failures.push_back(failure); }
};

std::string DescribeShowMode(std::int8_t showMode)
{
    if (GetShowCommand(showMode) < 0)
        return "invalid (" + std::to_string(showMode) + ")";
    return std::string(SHOW_WORDS[showMode]);
}

std::string DescribeAttributes(std::uint32_t attributes)
{
    static constexpr std::array<std::pair<std::uint32_t, std::string_view>, 6> words = {
        {{ATTRIBUTE_READONLY, "readonly"},
         {ATTRIBUTE_HIDDEN, "hidden"},
         {ATTRIBUTE_SYSTEM, "system"},
         {ATTRIBUTE_DIRECTORY, "directory"},
         {ATTRIBUTE_ARCHIVE, "archive"},
         {ATTRIBUTE_NORMAL, "normal"}}};
    std::string text = FormatHex(attributes, 2);
    std::uint32_t rest = attributes;
    for (const auto& [bit, word] : words) {
        if (attributes & bit) {
            text += " ";
            text += word;
            rest &= ~bit;
        }
    }
    if (rest)
        text += " +" + FormatHex(rest);
    return text;
}

void InspectHeader(Inspection& inspection)
{
    inspection.out << "header:\n";
    for (std::uint32_t index = 0; index < PACKAGE_HEADER_FIELDS; ++index) {
        const std::uint32_t value = ReadU32(inspection.package + 4 * index);
        inspection.out << "  " << PadRight(std::to_string(4 * index), 4)
                       << PadRight(std::string(FIELD_NAMES[index]), 32) << PadRight(FormatHex(value, 8), 12)
                       << value << "\n";
    }
}

// The text that `field` gives, or null when it has none or none that can be read.
const char* InspectText(Inspection& inspection, PackageField field, std::string_view label, bool required)
{
    const std::uint32_t offset = inspection.ReadField(field);
    std::string line = "  " + PadRight(std::string(label), 28);
    if (offset == 0) {
        inspection.out << line << "(none)\n";
        if (required)
            inspection.Fail(std::string(label) + ": offset 0, but the wizard needs this text");
        return nullptr;
    }
    const char* text = ReadPackageText(inspection.package, inspection.end, offset);
    if (!text) {
        inspection.out << line << "(unreadable at " << FormatHex(offset) << ")\n";
        inspection.Fail(std::string(label) + ": no text ends inside the package at offset " +
                        FormatHex(offset));
        return nullptr;
    }
    inspection.out << line << Quote(text) << "\n";
    return text;
}

void InspectTexts(Inspection& inspection)
{
    inspection.out << "texts:\n";
    InspectText(inspection, FIELD_SHORT_NAME, "short product name", true);
    // A display name or event name that build refuses would give an installation that cannot
    // be removed, or one that never sees its product running: a package is held to the same.
    if (const char* displayName = InspectText(inspection, FIELD_DISPLAY_NAME, "display name", true))
        for (const std::string& problem : FindDisplayNameProblems(displayName))
            inspection.Fail("display name " + problem);
    InspectText(inspection, FIELD_INSTALL_DIR, "default install directory", true);
    InspectText(inspection, FIELD_MENU_FOLDER, "default Start Menu folder", true);
    if (const char* eventName = InspectText(inspection, FIELD_EVENT_NAME, "event name", false))
        for (const std::string& problem : FindEventNameProblems(eventName))
            inspection.Fail("event name " + problem);
    InspectText(inspection, FIELD_NOTICE, "notice", false);
}

std::string DescribeShortcut(const ShortcutEntry& entry)
{
    return Quote(entry.name) + " target " + Quote(entry.target) + " working dir " + Quote(entry.workingDir) +
           " show " + DescribeShowMode(entry.showMode);
}

void CheckShowMode(Inspection& inspection, std::int8_t showMode, const std::string& label)
{
    if (GetShowCommand(showMode) < 0)
        inspection.Fail(label + ": show mode " + std::to_string(showMode) + " is not 0 to 3");
}

// The installer joins each name to its link folder, and the uninstaller refuses a log whose link
// lies outside it: a name is one file name, as build requires of a manifest's.
void CheckShortcutName(Inspection& inspection, const ShortcutEntry& entry, const std::string& label)
{
    if (const auto problem = FindNameProblem(entry.name))
        inspection.Fail(label + ": the name " + Quote(entry.name) + ": " + *problem);
}

void InspectShortcutList(Inspection& inspection)
{
    const std::uint32_t offset = inspection.ReadField(FIELD_MENU_LIST);
    if (offset == 0) {
        inspection.out << "Start Menu list: (none)\n";
        return;
    }
    inspection.out << "Start Menu list at " << FormatHex(offset) << ":\n";
    if (offset >= inspection.size) {
        inspection.Fail("Start Menu list: offset " + FormatHex(offset) + " is outside the package");
        return;
    }
    const std::uint8_t* at = inspection.package + offset;
    for (int number = 1;; ++number) {
        ShortcutEntry entry{};
        const std::uint8_t* next = ReadShortcutEntry(at, inspection.end, &entry);
        const std::string label =
            "Start Menu entry " + std::to_string(number) + " at " + FormatHex(at - inspection.package);
        if (!next) {
            inspection.Fail(label + ": the entry does not fit its length or the package");
            return;
        }
        if (entry.length == 0)
            return;
        inspection.out << "  " << FormatHex(at - inspection.package) << " " << DescribeShortcut(entry)
                       << " Start Menu " << (entry.startMenuFlag ? "yes" : "no") << "\n";
        CheckShowMode(inspection, entry.showMode, label);
        CheckShortcutName(inspection, entry, label);
        at = next;
    }
}

void InspectSingleShortcut(Inspection& inspection, PackageField field, std::string_view label)
{
    const std::uint32_t offset = inspection.ReadField(field);
    inspection.out << "  " << PadRight(std::string(label), 14);
    if (offset == 0) {
        inspection.out << "(none)\n";
        return;
    }
    ShortcutEntry entry{};
    if (offset >= inspection.size ||
        !ReadSingleShortcutEntry(inspection.package + offset, inspection.end, &entry)) {
        inspection.out << "(unreadable at " << FormatHex(offset) << ")\n";
        inspection.Fail(std::string(label) + " shortcut: no entry fits the package at offset " +
                        FormatHex(offset));
        return;
    }
    inspection.out << FormatHex(offset) << " " << DescribeShortcut(entry) << "\n";
    CheckShowMode(inspection, entry.showMode, std::string(label) + " shortcut");
    CheckShortcutName(inspection, entry, std::string(label) + " shortcut");
}

void InspectRunEntry(Inspection& inspection, PackageField field, std::string_view label)
{
    const std::uint32_t offset = inspection.ReadField(field);
    inspection.out << "  " << PadRight(std::string(label), 14);
    if (offset == 0) {
        inspection.out << "(none)\n";
        return;
    }
    RunEntry entry{};
    if (offset >= inspection.size || !ReadRunEntry(inspection.package + offset, inspection.end, &entry)) {
        inspection.out << "(unreadable at " << FormatHex(offset) << ")\n";
        inspection.Fail(std::string(label) + " entry: no entry fits the package at offset " +
                        FormatHex(offset));
        return;
    }
    inspection.out << FormatHex(offset) << " " << Quote(entry.commandLine) << " working dir "
                   << Quote(entry.workingDir) << " show " << DescribeShowMode(entry.showMode) << " wait "
                   << (entry.waitFlag ? "yes" : "no") << "\n";
    CheckShowMode(inspection, entry.showMode, std::string(label) + " entry");
}

void InspectEntries(Inspection& inspection)
{
    InspectShortcutList(inspection);
    inspection.out << "single shortcuts:\n";
    InspectSingleShortcut(inspection, FIELD_DESKTOP_SHORTCUT, "Desktop");
    InspectSingleShortcut(inspection, FIELD_QUICK_LAUNCH_SHORTCUT, "Quick Launch");
    InspectSingleShortcut(inspection, FIELD_STARTUP_SHORTCUT, "Startup");
    inspection.out << "run entries:\n";
    InspectRunEntry(inspection, FIELD_LAUNCH_ENTRY, "launch");
    InspectRunEntry(inspection, FIELD_POST_INSTALL_ENTRY, "post-install");
    InspectRunEntry(inspection, FIELD_UNINSTALL_ENTRY, "uninstall");
}

// The stream's bytes, or nothing (with a failure) when they do not lie inside the package.
std::optional<std::span<const std::uint8_t>> FindStream(Inspection& inspection, std::uint32_t offset,
                                                        std::uint32_t packedSize, const std::string& label)
{
    if (static_cast<std::uint64_t>(offset) + packedSize > inspection.size) {
        inspection.Fail(label + ": " + std::to_string(packedSize) + " bytes at " + FormatHex(offset) +
                        " run past the end of the package");
        return std::nullopt;
    }
    return std::span<const std::uint8_t>(inspection.package + offset, packedSize);
}

// The lines of a Windows-1252 text, CR LF or LF ended, each decoded on its own.
void ShowTextLines(Inspection& inspection, std::span<const std::uint8_t> bytes)
{
    std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    while (!text.empty()) {
        const std::size_t lineEnd = std::min(text.find('\n'), text.size());
        std::string_view line = text.substr(0, lineEnd);
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        inspection.out << "    | " << DecodeWindows1252(line) << "\n";
        text.remove_prefix(std::min(lineEnd + 1, text.size()));
    }
}

void InspectHeaderStream(Inspection& inspection, PackageField offsetField, std::string_view label,
                         bool isText)
{
    const std::uint32_t offset = inspection.ReadField(offsetField);
    const std::uint32_t packedSize = ReadU32(inspection.package + offsetField + 4);
    const std::uint32_t size = ReadU32(inspection.package + offsetField + 8);
    const std::string name = std::string(label) + " stream";
    inspection.out << "  " << PadRight(std::string(label), 22);
    if (offset == 0) {
        inspection.out << "(none)\n";
        if (!isText)
            inspection.Fail(name + ": offset 0, but the launcher needs the wizard library");
        return;
    }
    inspection.out << FormatHex(offset) << "  " << packedSize << " -> " << size << " bytes";
    if (!isText && size == 0)
        inspection.Fail(name + ": size 0, which the launcher cannot map");
    const auto stream = FindStream(inspection, offset, packedSize, name);
    if (!stream) {
        inspection.out << "  FAILED\n";
        return;
    }
    if (!isText && size > MAX_WIZARD_LIBRARY_SIZE) {
        inspection.out << "  FAILED\n";
        inspection.Fail(name + ": " + std::to_string(size) + " bytes, more than the " +
                        std::to_string(MAX_WIZARD_LIBRARY_SIZE) + " a wizard library may have");
        return;
    }
    // The wizard library is kept whole: what it decodes to must also be a loadable wizard.
    const StreamCheck check = CheckStream(*stream, size, isText ? MAX_SHOWN_TEXT : size);
    std::optional<std::string> problem;
    if (!check.ok) {
        problem = check.problem;
    } else if (!isText) {
        if (const auto moduleProblem = FindModuleProblem(check.output, ModuleRole::WizardLibrary))
            problem = "it decodes to no wizard library: " + *moduleProblem + "; the launcher needs " +
                      DescribeModuleRole(ModuleRole::WizardLibrary);
    }
    inspection.out << (problem ? "  FAILED: " + *problem + "\n" : "  ok\n");
    if (problem) {
        inspection.Fail(name + ": " + *problem);
        return;
    }
    if (!isText)
        return;
    if (check.hasNulByte)
        inspection.Fail(name + ": the text contains a NUL byte");
    ShowTextLines(inspection, check.output);
    if (size > check.output.size())
        inspection.out << "    (" << size - check.output.size() << " more bytes not shown)\n";
}

void InspectStreams(Inspection& inspection)
{
    inspection.out << "streams:\n";
    InspectHeaderStream(inspection, FIELD_WIZARD_OFFSET, "wizard library", false);
    InspectHeaderStream(inspection, FIELD_INFO_BEFORE_OFFSET, "before-install text", true);
    InspectHeaderStream(inspection, FIELD_INFO_AFTER_OFFSET, "after-install text", true);
}

struct TreeWalk {
    std::vector<std::string_view> folders;  // names of the open directory records
    // The folded names met in the top level and in each open folder.
    std::vector<std::set<std::string>> names = std::vector<std::set<std::string>>(1);
    // The same names as the package spells them.
    std::vector<std::vector<std::string_view>> spelt = std::vector<std::vector<std::string_view>>(1);
    std::size_t folderPathLength = 0;       // of the open folders joined, each with its backslash
    std::uint64_t fileCount = 0;
    std::uint64_t totalSize = 0;
};

// The record's path in the tree, for messages only.
std::string JoinPath(const TreeWalk& walk, std::string_view name)
{
    std::string path;
    path.reserve(walk.folderPathLength + name.size());
    for (const std::string_view folder : walk.folders) {
        path += folder;
        path += '\\';
    }
    path += name;
    return DecodeWindows1252(path);
}

// What the signature of a program users run is. Bytes after it are a failure: they were added
// after signing, and verifiers then refuse the signature or accept bytes that nobody signed.
void CheckSignature(Inspection& inspection, const std::string& program, std::span<const std::uint8_t> bytes)
{
    std::string description;
    try {
        const PeSignature signature = FindPeSignature(ReadPeImage(bytes), bytes);
        description = DescribePeSignature(signature);
        if (signature.state == PeSignature::State::Damaged)
            inspection.Fail(program + ": " + description);
        else if (signature.trailingBytes != 0)
            inspection.Fail(program + ": " + description + ", which it does not cover: they were added after "
                                                           "signing");
    } catch (const PeFormatError& error) {
        description = std::string("no signature to check, ") + error.what();
    }
    inspection.signatures.emplace_back(program, description);
}

// On a disk that keeps 8.3 names, one of the names of the folder being closed may be the
// short name of others, and one file would then replace the other.
void CheckShortNames(Inspection& inspection, const TreeWalk& walk)
{
    const std::vector<std::string_view>& names = walk.spelt.back();
    if (const auto clash = FindShortNameClash(names))
        inspection.Fail("file tree: " + JoinPath(walk, names[clash->alias]) +
                        " is spelt like a short name that Windows makes up for " +
                        Quote(std::string(names[clash->first])) +
                        " and the names like it on a disk that keeps 8.3 names, where one file would replace "
                        "the other");
}

bool IsPackedUninstaller(const TreeWalk& walk, const TreeRecord& record)
{
    return walk.folders.empty() && record.kind != TREE_RECORD_DIRECTORY &&
           FoldNameCase(record.name) == FoldNameCase(UNINSTALLER_FILE);
}

void InspectTreeRecord(Inspection& inspection, TreeWalk& walk, const TreeRecord& record, std::uint64_t at)
{
    const std::string indent(2 * (walk.folders.size() + 1), ' ');
    if (const auto problem = FindNameProblem(record.name))
        inspection.Fail("file tree: the name " + Quote(record.name) + " at " + FormatHex(at) + ": " +
                        *problem);
    // Windows takes names that differ only in case for one: the second would replace the first.
    walk.spelt.back().emplace_back(record.name);
    if (!walk.names.back().insert(FoldNameCase(record.name)).second)
        inspection.Fail("file tree: " + JoinPath(walk, record.name) + " is named twice in its folder (" +
                        "Windows does not tell names apart by case)");
    if (record.attributes & ~STORED_ATTRIBUTES)
        inspection.Fail("file tree: " + JoinPath(walk, record.name) + " has the attribute bits " +
                        FormatHex(record.attributes & ~STORED_ATTRIBUTES) +
                        ", which the installation would hand to CreateFileA as flags; a package stores only "
                        "readonly, hidden, system, directory, archive and normal");
    if (record.kind == TREE_RECORD_FILE && record.size >= MAX_PRODUCT_FILE_SIZE)
        inspection.Fail("file tree: " + JoinPath(walk, record.name) + " is " + std::to_string(record.size) +
                        " bytes; the installer maps each file whole into its 32-bit process, where only files "
                        "of less than 1 GiB (1073741824 bytes) surely find room");
    // The installation writes its log there under that name, over the package's file.
    if (walk.folders.empty() && FoldNameCase(record.name) == FoldNameCase(UNINSTALL_LOG_NAME))
        inspection.Fail("file tree: " + JoinPath(walk, record.name) + " at the top level has the name of the "
                        "uninstall log, which the installation writes there");

    if (record.kind == TREE_RECORD_DIRECTORY) {
        inspection.out << indent << DecodeWindows1252(record.name) << "\\  "
                       << DescribeAttributes(record.attributes) << "\n";
        walk.names.emplace_back();
        walk.spelt.emplace_back();
        walk.folders.emplace_back(record.name);
        walk.folderPathLength += walk.folders.back().size() + 1;
        return;
    }
    inspection.out << indent << DecodeWindows1252(record.name) << "  "
                   << DescribeAttributes(record.attributes) << "  " << FormatFileTime(record.lastWriteTime)
                   << "  " << record.size << " bytes";
    ++walk.fileCount;
    walk.totalSize += record.size;
    if (record.size == 0) {
        inspection.out << "\n";
        if (IsPackedUninstaller(walk, record))
            inspection.signatures.emplace_back(UNINSTALLER_FILE, "no signature to check, the file is empty");
        return;
    }
    inspection.out << " (" << record.packedSize << " packed)";
    const bool isUninstaller = IsPackedUninstaller(walk, record);
    const std::size_t kept = isUninstaller && record.size <= MAX_CHECKED_PROGRAM ? record.size : 0;
    const StreamCheck check =
        CheckStream(std::span<const std::uint8_t>(record.data, record.packedSize), record.size, kept);
    inspection.out << (check.ok ? "\n" : "  FAILED: " + check.problem + "\n");
    if (!check.ok)
        inspection.Fail("file " + JoinPath(walk, record.name) + ": " + check.problem);
    if (!isUninstaller)
        return;
    if (!check.ok)
        inspection.signatures.emplace_back(UNINSTALLER_FILE, "not checked, its stream fails");
    else if (kept == 0)
        inspection.signatures.emplace_back(
            UNINSTALLER_FILE, "not checked, larger than " + FormatGrouped(MAX_CHECKED_PROGRAM) + " bytes");
    else
        CheckSignature(inspection, std::string(UNINSTALLER_FILE), check.output);
}

void InspectTree(Inspection& inspection)
{
    const std::uint32_t offset = inspection.ReadField(FIELD_FILE_TREE);
    inspection.out << "file tree at " << FormatHex(offset) << ":\n";
    if (offset == 0 || offset >= inspection.size) {
        inspection.Fail("file tree: offset " + FormatHex(offset) + " is not inside the package");
        return;
    }
    TreeWalk walk;
    const std::uint8_t* at = inspection.package + offset;
    while (true) {
        TreeRecord record{};
        const std::uint8_t* next = ReadTreeRecord(at, inspection.end, &record);
        if (!next) {
            inspection.Fail("file tree: the record at " + FormatHex(at - inspection.package) +
                            " runs past the end of the package");
            return;
        }
        if (record.kind == TREE_RECORD_END) {
            CheckShortNames(inspection, walk);
            if (walk.folders.empty()) {
                at = next;
                break;
            }
            walk.folderPathLength -= walk.folders.back().size() + 1;
            walk.folders.pop_back();
            walk.names.pop_back();
            walk.spelt.pop_back();
        } else if (walk.folderPathLength + std::strlen(record.name) > MAX_INSTALLED_PATH) {
            // No such file can be installed, and walking on would let a crafted tree make the
            // account grow with the square of its depth.
            inspection.Fail("file tree: the record at " + FormatHex(at - inspection.package) +
                            ": the tree nests deeper than a " + std::to_string(MAX_INSTALLED_PATH) +
                            "-character path allows");
            return;
        } else {
            InspectTreeRecord(inspection, walk, record, at - inspection.package);
        }
        at = next;
    }

    inspection.out << "  " << walk.fileCount << " files, " << walk.totalSize << " bytes\n";
    if (walk.fileCount != inspection.ReadField(FIELD_FILE_COUNT))
        inspection.Fail("header: file count " + std::to_string(inspection.ReadField(FIELD_FILE_COUNT)) +
                        ", but the tree has " + std::to_string(walk.fileCount) + " files");
    if (walk.totalSize != inspection.ReadField(FIELD_TOTAL_SIZE))
        inspection.Fail("header: total size " + std::to_string(inspection.ReadField(FIELD_TOTAL_SIZE)) +
                        ", but the tree's files add up to " + std::to_string(walk.totalSize));
    const std::size_t trailing = inspection.end - at;
    if (trailing)
        inspection.out << "  note: " << trailing << " bytes follow the tree's last end marker\n";
    inspection.treeWalked = true;
}

// The signatures of the programs that users run: the Setup.exe, when there is one, and the
// package's uninst.exe.
void ShowSignatures(Inspection& inspection)
{
    const bool hasUninstaller = std::ranges::any_of(
        inspection.signatures, [](const auto& entry) { return entry.first == UNINSTALLER_FILE; });
    if (inspection.treeWalked && !hasUninstaller)
        inspection.signatures.emplace_back(UNINSTALLER_FILE, "none in the package");
    if (inspection.signatures.empty())
        return;
    inspection.out << "signatures:\n";
    for (const auto& [program, description] : inspection.signatures)
        inspection.out << "  " << PadRight(program, 12) << description << "\n";
}

InspectReport InspectPackageOf(std::span<const std::uint8_t> package, Inspection& inspection)
{
    inspection.out << "package: " << package.size() << " bytes\n";
    if (package.size() < PACKAGE_HEADER_SIZE) {
        inspection.Fail("header: the package has " + std::to_string(package.size()) +
                        " bytes, fewer than the " + std::to_string(PACKAGE_HEADER_SIZE) + " of its header");
    } else {
        InspectHeader(inspection);
        InspectTexts(inspection);
        InspectEntries(inspection);
        InspectStreams(inspection);
        InspectTree(inspection);
    }
    ShowSignatures(inspection);
    return {inspection.out.str(), std::move(inspection.failures)};
}

Inspection StartInspection(std::span<const std::uint8_t> package)
{
    return Inspection{package.data(), package.data() + package.size(), package.size(), {}, {}, {}, false};
}

}  // namespace

InspectReport InspectPackage(std::span<const std::uint8_t> package)
{
    Inspection inspection = StartInspection(package);
    return InspectPackageOf(package, inspection);
}

InspectReport InspectFile(std::span<const std::uint8_t> bytes)
{
    if (bytes.size() < 2 || bytes[0] != 'M' || bytes[1] != 'Z')
        return InspectPackage(bytes);
    std::optional<std::span<const std::uint8_t>> package;
    try {
        package = FindPackageResource(bytes);
    } catch (const PeFormatError& error) {
        return {"Windows executable that cannot be read\n",
                {std::string("not a valid PE image: ") + error.what()}};
    }
    if (!package)
        return {"Windows executable without a package\n",
                {"resource: no setup package (RT_RCDATA 1) in this executable"}};
    Inspection inspection = StartInspection(*package);
    inspection.out << "Windows executable with a package resource\n";
    CheckSignature(inspection, "Setup.exe", bytes);
    return InspectPackageOf(*package, inspection);
}

}  // namespace quillset
