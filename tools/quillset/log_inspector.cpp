// Prints an uninstall log through the shared reader and its walks: what it prints is what the
// uninstaller would remove, in the order it would remove it.
#include "log_inspector.h"

#include <array>
#include <sstream>
#include <string>
#include <string_view>

#include "common/byte_order.h"
#include "common/path_routines.h"
#include "common/uninstall_log_reader.h"
#include "common/uninstall_log_walks.h"
#include "text_encoding.h"
#include "text_format.h"

namespace quillset {
namespace {

constexpr std::size_t HEADER_FIELD_COUNT = LOG_HEADER_SIZE / 4;

constexpr std::array<std::string_view, HEADER_FIELD_COUNT> FIELD_NAMES = {
    "file size",     "notice",         "event name",    "short name",
    "display name",  "destination",    "Start Menu",    "file list",
    "registry list", "shortcut list",  "uninstall command", "removal steps"};

// What each refusal of the reader means, in the order of LogFault.
constexpr std::array<std::string_view, LOG_FAULT_BAD_REGISTRY + 1> FAULT_TEXTS = {
    "",
    "the file does not have the size its header records",
    "a part of the log lies outside the file",
    "a text is not ended or is too long",
    "a folder record is not a complete path",
    "the file list is incomplete or unbalanced",
    "a name in the file list is not a plain file name",
    "a path is too long",
    "a shortcut is not a complete .lnk path",
    "a registry key is not one of the product's own entries"};

std::string DescribeText(const char* text)
{
    return text ? Quote(text) : "(none)";
}

std::string DescribeFolder(const LogFolder& folder)
{
    if (!folder.path)
        return "(none)";
    // The mark shows where the folders that the installation made begin.
    return DecodeWindows1252(std::string_view(folder.path, folder.existingLength)) + "|" +
           DecodeWindows1252(folder.path + folder.existingLength) + "  (existing length " +
           std::to_string(folder.existingLength) + ")";
}

void PrintHeader(std::ostringstream& out, std::span<const std::uint8_t> log)
{
    out << "header\n";
    for (std::size_t field = 0; field < HEADER_FIELD_COUNT; ++field)
        out << "  " << PadRight(std::string(FIELD_NAMES[field]), 20) << " "
            << ReadU32(log.data() + 4 * field) << "\n";
}

void PrintPlan(std::ostringstream& out, const UninstallPlan& plan)
{
    out << "product\n"
        << "  notice               " << DescribeText(plan.notice) << "\n"
        << "  short name           " << DescribeText(plan.shortName) << "\n"
        << "  display name         " << DescribeText(plan.displayName) << "\n"
        << "  event name           " << DescribeText(plan.eventName) << "\n"
        << "  uninstall command    " << DescribeText(plan.uninstallCommand) << "\n"
        << "folders (made from the mark on)\n"
        << "  destination          " << DescribeFolder(plan.destination) << "\n"
        << "  Start Menu           " << DescribeFolder(plan.menuFolder) << "\n";

    // Paths below the destination, in the order of removal: a folder after what it holds.
    // A destination at a drive root ends in its separator; any other gets one before a name.
    const std::string_view destination(plan.destination.path);
    const std::size_t prefixLength = destination.size() + (IsSeparator(destination.back()) ? 0 : 1);
    out << "files (" << plan.fileCount << ") and folders (" << plan.directoryCount
        << "), in the order of removal\n";
    FileListWalk files;
    RemovalKind kind;
    BeginFileListWalk(&files, &plan);
    while (NextRemovalEntry(&files, &kind)) {
        const std::string_view path(files.path + prefixLength);
        out << "  " << DecodeWindows1252(path) << (kind == REMOVE_DIRECTORY ? "\\" : "") << "\n";
    }

    out << "shortcuts (" << plan.shortcutCount << ")\n";
    TextListWalk texts;
    BeginShortcutWalk(&texts, &plan);
    while (NextShortcut(&texts))
        out << "  " << DecodeWindows1252(texts.text) << "\n";

    out << "registry keys (" << plan.registryKeyCount << ")\n";
    BeginRegistryWalk(&texts, &plan);
    while (NextRegistryKey(&texts))
        out << "  " << (texts.root == LOG_ROOT_LOCAL_MACHINE ? "HKLM\\" : "HKCU\\")
            << DecodeWindows1252(texts.text) << "\n";
}

}  // namespace

std::string_view DescribeLogFault(LogFault fault)
{
    return fault < FAULT_TEXTS.size() ? FAULT_TEXTS[fault] : "it is damaged";
}

bool IsUninstallLog(const std::filesystem::path& file, std::span<const std::uint8_t> bytes)
{
    std::string name = file.filename().string();
    for (char& c : name)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    if (name == UNINSTALL_LOG_NAME)
        return true;
    const bool executable = bytes.size() >= 2 && bytes[0] == 'M' && bytes[1] == 'Z';
    return !executable && bytes.size() >= LOG_HEADER_SIZE && ReadU32(bytes.data()) == bytes.size();
}

InspectReport InspectUninstallLog(std::span<const std::uint8_t> log)
{
    std::ostringstream out;
    out << "uninstall log: " << log.size() << " bytes\n";
    if (log.size() < LOG_HEADER_SIZE)
        return {out.str(),
                {"header: the log has " + std::to_string(log.size()) + " bytes, fewer than the " +
                 std::to_string(LOG_HEADER_SIZE) + " of its header"}};
    PrintHeader(out, log);
    if (log.size() > UINT32_MAX)
        return {out.str(), {"the log is larger than its 32-bit offsets can address"}};
    UninstallPlan plan;
    const LogFault fault = ReadUninstallLog(log.data(), static_cast<std::uint32_t>(log.size()), &plan);
    if (fault != LOG_FAULT_NONE)
        return {out.str(), {"damaged: " + std::string(DescribeLogFault(fault)) +
                            "; the uninstaller refuses it and removes nothing"}};
    PrintPlan(out, plan);
    return {out.str(), {}};
}

}  // namespace quillset
