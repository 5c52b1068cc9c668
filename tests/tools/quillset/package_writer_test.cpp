// Tests that the package writer and the shared readers agree on every field and record kind,
// with the streams decoded by zlib in one call as the launcher and the wizard do.
#include <gtest/gtest.h>

#include <cstring>

#include "compression.h"
#include "package/package_reader.h"
#include "package_writer.h"
#include "test_support.h"

namespace quillset {
namespace {

using Bytes = std::vector<std::uint8_t>;

PackedStream Pack(std::string_view text)
{
    const Bytes bytes(text.begin(), text.end());
    return {CompressZlib(bytes), static_cast<std::uint32_t>(bytes.size())};
}

TreeItem MakeFile(std::string name, std::string_view content, std::uint32_t attributes, std::uint64_t time)
{
    TreeItem item{std::move(name), attributes, time, {}, {}};
    if (!content.empty())
        item.data = Pack(content);
    return item;
}

TreeItem MakeDirectory(std::string name, std::uint32_t attributes, std::vector<TreeItem> children)
{
    return {std::move(name), attributes, 0, {}, std::move(children)};
}

PackageModel MakeFullModel()
{
    PackageModel model;
    model.shortName = "Vistrel";
    model.displayName = "Vistrel 2.1";
    model.installDir = "%ProgramFiles%\\Vistrel";
    model.menuFolder = "Vistrel 2.1";
    model.eventName = "VistrelEvent";
    model.notice = "Line one\nLine two";
    model.shortcuts = {{"Vistrel 2.1", "%InstallDir%\\Vistrel.exe", "%InstallDir%", 0, true},
                       {"Help", "%InstallDir%\\help.txt", "", 2, false}};
    model.desktopShortcut = 0;
    model.quickLaunchShortcut = 1;
    model.launch = RunRecord{"%InstallDir%\\Vistrel.exe", "%InstallDir%", 0, false};
    model.postInstall = RunRecord{"\"%InstallDir%\\a b.exe\" /q", "", 3, true};
    model.uninstall = RunRecord{"%InstallDir%\\uninst.exe -u", "%InstallDir%", 1, true};
    model.wizard = Pack(std::string(40000, 'w') + "library");
    model.infoBefore = Pack("Before\r\n");
    model.infoAfter = Pack("After\r\n");
    model.files.push_back(MakeFile("a.exe", std::string(3000, 'a'), 0x20, 126000000000000000ull));
    model.files.push_back(
        MakeDirectory("docs", 0x12,
                      {MakeFile("empty.txt", "", 0x80, 1), MakeDirectory("nothing", 0x10, {}),
                       MakeFile("z.txt", "zed", 0x23, 2)}));
    model.files.push_back(MakeFile("uninst.exe", "u", 0x21, 3));
    return model;
}

struct PackageView {
    const Bytes& bytes;
    const unsigned char* GetBase() const { return bytes.data(); }
    const unsigned char* GetEnd() const { return bytes.data() + bytes.size(); }
    std::uint32_t ReadField(PackageField field) const { return ReadHeaderField(GetBase(), field); }
    std::string ReadText(PackageField field) const
    {
        return ReadPackageText(GetBase(), GetEnd(), ReadField(field));
    }
    std::optional<Bytes> DecodeStream(PackageField offsetField) const
    {
        const std::uint32_t offset = ReadField(offsetField);
        const std::uint32_t packed = ReadU32(GetBase() + offsetField + 4);
        return test::InflateInOneCall({GetBase() + offset, packed}, ReadU32(GetBase() + offsetField + 8));
    }
};

TEST(PackageWriter, LaysOutHeaderTextsAndEntriesInOrder)
{
    const Bytes bytes = WritePackage(MakeFullModel()).Join();
    const PackageView package{bytes};
    EXPECT_EQ(package.ReadField(PackageField(0)), 0u);
    EXPECT_EQ(package.ReadField(PackageField(4)), 0u);
    EXPECT_EQ(package.ReadField(FIELD_SHORT_NAME), 112u);
    EXPECT_EQ(package.ReadText(FIELD_SHORT_NAME), "Vistrel");
    EXPECT_EQ(package.ReadField(FIELD_DISPLAY_NAME), 120u);
    EXPECT_EQ(package.ReadField(FIELD_INSTALL_DIR), 132u);
    EXPECT_EQ(package.ReadText(FIELD_INSTALL_DIR), "%ProgramFiles%\\Vistrel");
    EXPECT_EQ(package.ReadField(FIELD_MENU_FOLDER), 155u);
    EXPECT_EQ(package.ReadField(FIELD_EVENT_NAME), 167u);
    EXPECT_EQ(package.ReadText(FIELD_EVENT_NAME), "VistrelEvent");
    EXPECT_EQ(package.ReadField(FIELD_NOTICE), 180u);
    EXPECT_EQ(package.ReadText(FIELD_NOTICE), "Line one\nLine two");

    // The Start Menu list follows the notice; the singles point into it.
    const std::uint32_t list = package.ReadField(FIELD_MENU_LIST);
    EXPECT_EQ(list, 180u + 18u);
    ShortcutEntry first{}, second{}, terminator{};
    const unsigned char* next = ReadShortcutEntry(package.GetBase() + list, package.GetEnd(), &first);
    ASSERT_NE(next, nullptr);
    EXPECT_EQ(first.length, 4 + 12 + 25 + 13);
    EXPECT_STREQ(first.target, "%InstallDir%\\Vistrel.exe");
    EXPECT_EQ(first.startMenuFlag, 1);
    const std::uint32_t secondOffset = static_cast<std::uint32_t>(next - package.GetBase());
    next = ReadShortcutEntry(next, package.GetEnd(), &second);
    ASSERT_NE(next, nullptr);
    EXPECT_STREQ(second.name, "Help");
    EXPECT_STREQ(second.workingDir, "");
    EXPECT_EQ(second.showMode, 2);
    EXPECT_EQ(second.startMenuFlag, 0);
    next = ReadShortcutEntry(next, package.GetEnd(), &terminator);
    ASSERT_NE(next, nullptr);
    EXPECT_EQ(terminator.length, 0);
    EXPECT_EQ(package.ReadField(FIELD_DESKTOP_SHORTCUT), list);
    EXPECT_EQ(package.ReadField(FIELD_QUICK_LAUNCH_SHORTCUT), secondOffset);
    EXPECT_EQ(package.ReadField(FIELD_STARTUP_SHORTCUT), 0u);

    // Run entries follow the list terminator: launch, post-install, uninstall.
    const std::uint32_t launch = package.ReadField(FIELD_LAUNCH_ENTRY);
    EXPECT_EQ(launch, static_cast<std::uint32_t>(next - package.GetBase()));
    EXPECT_EQ(package.ReadField(FIELD_LAUNCH_ENTRY_COPY), launch);
    RunEntry entry{};
    ASSERT_TRUE(ReadRunEntry(package.GetBase() + launch, package.GetEnd(), &entry));
    EXPECT_STREQ(entry.commandLine, "%InstallDir%\\Vistrel.exe");
    EXPECT_EQ(package.ReadField(FIELD_POST_INSTALL_ENTRY), launch + 2 + 25 + 13);
    ASSERT_TRUE(ReadRunEntry(package.GetBase() + package.ReadField(FIELD_POST_INSTALL_ENTRY),
                             package.GetEnd(), &entry));
    EXPECT_STREQ(entry.commandLine, "\"%InstallDir%\\a b.exe\" /q");
    EXPECT_EQ(entry.showMode, 3);
    EXPECT_EQ(entry.waitFlag, 1);
    ASSERT_TRUE(
        ReadRunEntry(package.GetBase() + package.ReadField(FIELD_UNINSTALL_ENTRY), package.GetEnd(), &entry));
    EXPECT_STREQ(entry.commandLine, "%InstallDir%\\uninst.exe -u");
    EXPECT_EQ(entry.showMode, 1);
}

TEST(PackageWriter, StreamsFollowTheEntriesAndDecodeInOneCall)
{
    const Bytes bytes = WritePackage(MakeFullModel()).Join();
    const PackageView package{bytes};
    const std::uint32_t wizard = package.ReadField(FIELD_WIZARD_OFFSET);
    EXPECT_EQ(bytes[wizard], 0x78);
    EXPECT_EQ(bytes[wizard + 1], 0xDA);
    const auto library = package.DecodeStream(FIELD_WIZARD_OFFSET);
    ASSERT_TRUE(library.has_value());
    EXPECT_EQ(std::string(library->end() - 7, library->end()), "library");
    EXPECT_EQ(package.ReadField(FIELD_INFO_BEFORE_OFFSET),
              wizard + package.ReadField(FIELD_WIZARD_PACKED_SIZE));
    EXPECT_EQ(package.DecodeStream(FIELD_INFO_BEFORE_OFFSET),
              Bytes({'B', 'e', 'f', 'o', 'r', 'e', '\r', '\n'}));
    EXPECT_EQ(package.ReadField(FIELD_INFO_AFTER_OFFSET),
              package.ReadField(FIELD_INFO_BEFORE_OFFSET) + package.ReadField(FIELD_INFO_BEFORE_PACKED_SIZE));
    EXPECT_EQ(package.DecodeStream(FIELD_INFO_AFTER_OFFSET), Bytes({'A', 'f', 't', 'e', 'r', '\r', '\n'}));
    EXPECT_EQ(package.ReadField(FIELD_FILE_TREE),
              package.ReadField(FIELD_INFO_AFTER_OFFSET) + package.ReadField(FIELD_INFO_AFTER_PACKED_SIZE));
}

TEST(PackageWriter, TreeHasEveryRecordKindAndEndsThePackage)
{
    const Bytes bytes = WritePackage(MakeFullModel()).Join();
    const PackageView package{bytes};
    const unsigned char* at = package.GetBase() + package.ReadField(FIELD_FILE_TREE);
    std::vector<TreeRecord> records;
    while (true) {
        TreeRecord record{};
        const unsigned char* recordStart = at;
        at = ReadTreeRecord(at, package.GetEnd(), &record);
        ASSERT_NE(at, nullptr);
        records.push_back(record);
        if (record.kind == TREE_RECORD_FILE && record.size > 0) {
            EXPECT_EQ(test::InflateInOneCall({record.data, record.packedSize}, record.size).has_value(), true)
                << record.name;
        }
        if (record.kind == TREE_RECORD_FILE && record.size == 0) {
            EXPECT_EQ(ReadU32(recordStart + 4), 0u);  // the writer puts 0 in the packed-size field
            EXPECT_EQ(at, recordStart + FILE_RECORD_HEAD + std::strlen(record.name) + 1);
        }
        if (records.size() == 9)
            break;
    }
    EXPECT_EQ(at, package.GetEnd());  // nothing after the last end marker

    const std::vector<TreeRecordKind> kinds = {TREE_RECORD_FILE,      TREE_RECORD_DIRECTORY, TREE_RECORD_FILE,
                                               TREE_RECORD_DIRECTORY, TREE_RECORD_END,       TREE_RECORD_FILE,
                                               TREE_RECORD_END,       TREE_RECORD_FILE,      TREE_RECORD_END};
    for (std::size_t i = 0; i < kinds.size(); ++i)
        EXPECT_EQ(records[i].kind, kinds[i]) << i;
    EXPECT_STREQ(records[0].name, "a.exe");
    EXPECT_EQ(records[0].size, 3000u);
    EXPECT_EQ(records[0].lastWriteTime, 126000000000000000ull);
    EXPECT_EQ(records[1].attributes, 0x12u);
    EXPECT_STREQ(records[2].name, "empty.txt");
    EXPECT_EQ(records[2].attributes, 0x80u);
    EXPECT_STREQ(records[3].name, "nothing");
    EXPECT_EQ(records[5].attributes, 0x23u);
    EXPECT_EQ(records[5].lastWriteTime, 2u);
    EXPECT_STREQ(records[7].name, "uninst.exe");
    EXPECT_EQ(package.ReadField(FIELD_FILE_COUNT), 4u);
    EXPECT_EQ(package.ReadField(FIELD_TOTAL_SIZE), 3000u + 0 + 3 + 1);
}

TEST(PackageWriter, AbsentItemsKeepOffsetZero)
{
    // An empty notice or event name is absent too: the wizard would open an event with no name.
    const std::optional<std::string> absent;
    for (const std::optional<std::string>& text : {absent, std::optional<std::string>("")}) {
        PackageModel model;
        model.shortName = "S";
        model.displayName = "S 1";
        model.installDir = "C:\\S";
        model.menuFolder = "S";
        model.notice = text;
        model.eventName = text;
        model.wizard = Pack("MZ");
        const Bytes bytes = WritePackage(std::move(model)).Join();
        const PackageView package{bytes};
        for (const PackageField field :
             {FIELD_NOTICE, FIELD_EVENT_NAME, FIELD_INFO_BEFORE_OFFSET, FIELD_INFO_BEFORE_PACKED_SIZE,
              FIELD_INFO_BEFORE_SIZE, FIELD_INFO_AFTER_OFFSET, FIELD_INFO_AFTER_PACKED_SIZE,
              FIELD_INFO_AFTER_SIZE, FIELD_LAUNCH_ENTRY_COPY, FIELD_DESKTOP_SHORTCUT, FIELD_QUICK_LAUNCH_SHORTCUT,
              FIELD_STARTUP_SHORTCUT, FIELD_LAUNCH_ENTRY, FIELD_POST_INSTALL_ENTRY, FIELD_UNINSTALL_ENTRY,
              FIELD_FILE_COUNT, FIELD_TOTAL_SIZE}) {
            EXPECT_EQ(package.ReadField(field), 0u) << field;
        }
        // An empty Start Menu list is its terminator; a package without files is a lone end marker.
        EXPECT_EQ(ReadU16(package.GetBase() + package.ReadField(FIELD_MENU_LIST)), 0u);
        EXPECT_EQ(package.ReadField(FIELD_WIZARD_OFFSET), package.ReadField(FIELD_MENU_LIST) + 2);
        EXPECT_EQ(package.ReadField(FIELD_FILE_TREE) + 4, bytes.size());
        EXPECT_EQ(ReadU32(package.GetEnd() - 4), TREE_END_MARKER);
    }
}

}  // namespace
}  // namespace quillset
