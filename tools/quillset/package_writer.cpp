// The package writer: fills the 112-byte header as each item is placed behind it.
// Absent (or empty) optional items keep offset 0; the launch entry's offset is repeated at offset 84.
#include "package_writer.h"

#include <limits>
#include <stdexcept>

#include "byte_writer.h"
#include "package/package_layout.h"

namespace quillset {
namespace {

struct TreeTotals {
    std::uint64_t fileCount = 0;
    std::uint64_t totalSize = 0;
};

void WriteText(ByteWriter& writer, PackageField field, const std::string& text)
{
    writer.PatchU32(field, writer.GetOffset());
    writer.AppendText(text);
}

// An empty optional text is absent: the wizard would open an event with an empty name, or
// copy an empty notice into the uninstall log.
void WriteOptionalText(ByteWriter& writer, PackageField field, const std::optional<std::string>& text)
{
    if (text && !text->empty())
        WriteText(writer, field, *text);
}

void WriteShortcutList(ByteWriter& writer, const PackageModel& model)
{
    writer.PatchU32(FIELD_MENU_LIST, writer.GetOffset());
    std::vector<std::uint32_t> entryOffsets;
    for (const ShortcutRecord& shortcut : model.shortcuts) {
        const std::size_t length = SHORTCUT_ENTRY_HEAD + shortcut.name.size() + shortcut.target.size() +
                                   shortcut.workingDir.size() + 3;
        if (length > std::numeric_limits<std::uint16_t>::max())
            throw std::runtime_error("the shortcut \"" + shortcut.name + "\" is too long for one entry");
        entryOffsets.push_back(writer.GetOffset());
        writer.AppendU16(static_cast<std::uint16_t>(length));
        writer.AppendU8(shortcut.showMode);
        writer.AppendU8(shortcut.startMenu ? 1 : 0);
        writer.AppendText(shortcut.name);
        writer.AppendText(shortcut.target);
        writer.AppendText(shortcut.workingDir);
    }
    writer.AppendU16(0);

    const auto pointAt = [&](PackageField field, const std::optional<std::size_t>& index) {
        if (index)
            writer.PatchU32(field, entryOffsets.at(*index));
    };
    pointAt(FIELD_DESKTOP_SHORTCUT, model.desktopShortcut);
    pointAt(FIELD_QUICK_LAUNCH_SHORTCUT, model.quickLaunchShortcut);
    pointAt(FIELD_STARTUP_SHORTCUT, model.startupShortcut);
}

void WriteRunEntry(ByteWriter& writer, PackageField field, const std::optional<RunRecord>& entry)
{
    if (!entry)
        return;
    const std::uint32_t offset = writer.GetOffset();
    writer.PatchU32(field, offset);
    if (field == FIELD_LAUNCH_ENTRY)
        writer.PatchU32(FIELD_LAUNCH_ENTRY_COPY, offset);
    writer.AppendU8(entry->showMode);
    writer.AppendU8(entry->wait ? 1 : 0);
    writer.AppendText(entry->commandLine);
    writer.AppendText(entry->workingDir);
}

void WriteStream(ByteWriter& writer, PackageField offsetField, PackedStream& stream)
{
    writer.PatchU32(offsetField, writer.GetOffset());
    writer.PatchU32(offsetField + 4, static_cast<std::uint32_t>(stream.bytes.size()));
    writer.PatchU32(offsetField + 8, stream.size);
    writer.AppendOwned(std::move(stream.bytes));
}

void WriteTreeLevel(ByteWriter& writer, std::vector<TreeItem>& items, TreeTotals& totals)
{
    for (TreeItem& item : items) {
        writer.AppendU32(item.attributes);
        if (item.IsDirectory()) {
            writer.AppendText(item.name);
            WriteTreeLevel(writer, item.children, totals);
            continue;
        }
        // An empty file carries no data, and its compressed-size field is 0.
        const bool empty = item.data.size == 0;
        writer.AppendU32(empty ? 0 : static_cast<std::uint32_t>(item.data.bytes.size()));
        writer.AppendU32(item.data.size);
        writer.AppendU64(item.lastWriteTime);
        writer.AppendText(item.name);
        if (!empty)
            writer.AppendOwned(std::move(item.data.bytes));
        ++totals.fileCount;
        totals.totalSize += item.data.size;
        writer.GetOffset();  // refuses a package past 32 bits as soon as it gets there
    }
    writer.AppendU32(TREE_END_MARKER);
}

// Bytes of the tree's records, so that a package past 32 bits is refused before it is laid out.
std::uint64_t MeasureTree(const std::vector<TreeItem>& items)
{
    std::uint64_t size = 4;  // the level's end marker
    for (const TreeItem& item : items) {
        if (item.IsDirectory())
            size += DIRECTORY_RECORD_HEAD + item.name.size() + 1 + MeasureTree(item.children);
        else
            size += FILE_RECORD_HEAD + item.name.size() + 1 + item.data.bytes.size();
    }
    return size;
}

// The streams and the tree, which are nearly all of a package.
std::uint64_t EstimatePackageSize(const PackageModel& model)
{
    std::uint64_t size = PACKAGE_HEADER_SIZE + model.wizard.bytes.size() + MeasureTree(model.files);
    if (model.infoBefore)
        size += model.infoBefore->bytes.size();
    if (model.infoAfter)
        size += model.infoAfter->bytes.size();
    return size;
}

}  // namespace

BytePieces WritePackage(PackageModel model)
{
    if (EstimatePackageSize(model) > std::numeric_limits<std::uint32_t>::max())
        throw std::runtime_error("the package would be larger than 4 GiB, beyond its 32-bit offsets");
    ByteWriter writer;
    for (int i = 0; i < PACKAGE_HEADER_SIZE; ++i)
        writer.AppendU8(0);

    WriteText(writer, FIELD_SHORT_NAME, model.shortName);
    WriteText(writer, FIELD_DISPLAY_NAME, model.displayName);
    WriteText(writer, FIELD_INSTALL_DIR, model.installDir);
    WriteText(writer, FIELD_MENU_FOLDER, model.menuFolder);
    WriteOptionalText(writer, FIELD_EVENT_NAME, model.eventName);
    WriteOptionalText(writer, FIELD_NOTICE, model.notice);

    WriteShortcutList(writer, model);
    WriteRunEntry(writer, FIELD_LAUNCH_ENTRY, model.launch);
    WriteRunEntry(writer, FIELD_POST_INSTALL_ENTRY, model.postInstall);
    WriteRunEntry(writer, FIELD_UNINSTALL_ENTRY, model.uninstall);

    WriteStream(writer, FIELD_WIZARD_OFFSET, model.wizard);
    if (model.infoBefore)
        WriteStream(writer, FIELD_INFO_BEFORE_OFFSET, *model.infoBefore);
    if (model.infoAfter)
        WriteStream(writer, FIELD_INFO_AFTER_OFFSET, *model.infoAfter);

    writer.PatchU32(FIELD_FILE_TREE, writer.GetOffset());
    TreeTotals totals;
    WriteTreeLevel(writer, model.files, totals);
    if (totals.totalSize > std::numeric_limits<std::uint32_t>::max())
        throw std::runtime_error(
            "the files add up to more than 4294967295 bytes, more than a package can hold");
    writer.PatchU32(FIELD_FILE_COUNT, static_cast<std::uint32_t>(totals.fileCount));
    writer.PatchU32(FIELD_TOTAL_SIZE, static_cast<std::uint32_t>(totals.totalSize));
    writer.GetOffset();
    return writer.TakePieces();
}

}  // namespace quillset
