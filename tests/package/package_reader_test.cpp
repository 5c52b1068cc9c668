// Tests of the shared package readers: little-endian fields at any alignment, and entries and
// records that are accepted only when they lie wholly inside the bytes given.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "package/package_reader.h"

namespace {

using Bytes = std::vector<unsigned char>;

Bytes MakeBytes(std::initializer_list<int> values)
{
    Bytes bytes;
    for (const int value : values)
        bytes.push_back(static_cast<unsigned char>(value));
    return bytes;
}

void Append(Bytes& bytes, const std::string& text)
{
    bytes.insert(bytes.end(), text.begin(), text.end());
    bytes.push_back(0);
}

Bytes MakeShortcut(int length, int showMode, int flag, const std::string& name, const std::string& target,
                   const std::string& workingDir)
{
    Bytes bytes = MakeBytes({length & 0xFF, length >> 8, showMode, flag});
    Append(bytes, name);
    Append(bytes, target);
    Append(bytes, workingDir);
    return bytes;
}

TEST(PackageLayout, ReadsLittleEndianAtAnyAlignment)
{
    const Bytes bytes = MakeBytes({0xAA, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x88});
    EXPECT_EQ(ReadU16(bytes.data() + 1), 0x0201u);
    EXPECT_EQ(ReadU32(bytes.data() + 1), 0x04030201u);
    EXPECT_EQ(ReadU64(bytes.data() + 1), 0x8807060504030201ull);
    EXPECT_EQ(ReadHeaderField(bytes.data(), PackageField(4)), 0x07060504u);
}

TEST(PackageTexts, MustEndInsideThePackage)
{
    Bytes bytes = MakeBytes({'a', 'b', 0, 'c', 'd'});
    const unsigned char* end = bytes.data() + bytes.size();
    EXPECT_STREQ(ReadPackageText(bytes.data(), end, 0), "ab");
    EXPECT_STREQ(ReadPackageText(bytes.data(), end, 2), "");
    EXPECT_EQ(ReadPackageText(bytes.data(), end, 3), nullptr);
    EXPECT_EQ(ReadPackageText(bytes.data(), end, 5), nullptr);
    EXPECT_EQ(ReadPackageText(bytes.data(), end, 0xFFFFFFFFu), nullptr);
    EXPECT_EQ(FindTextEnd(reinterpret_cast<const char*>(bytes.data()), bytes.data() + 2), nullptr);
}

TEST(ShortcutEntries, WalkAListAndSkipPadding)
{
    Bytes list = MakeShortcut(4 + 2 + 2 + 1 + 3, 0xFF, 1, "A", "T", "");
    list.insert(list.end(), {0xEE, 0xEE, 0xEE});  // bytes after the working directory, inside the length
    const Bytes second = MakeShortcut(4 + 2 + 2 + 2, 3, 0, "B", "U", "W");
    list.insert(list.end(), second.begin(), second.end());
    list.insert(list.end(), {0, 0});
    const unsigned char* end = list.data() + list.size();

    ShortcutEntry entry{};
    const unsigned char* next = ReadShortcutEntry(list.data(), end, &entry);
    ASSERT_EQ(next, list.data() + 12);
    EXPECT_EQ(entry.showMode, -1);
    EXPECT_EQ(entry.startMenuFlag, 1);
    EXPECT_STREQ(entry.target, "T");
    EXPECT_STREQ(entry.workingDir, "");
    next = ReadShortcutEntry(next, end, &entry);
    ASSERT_NE(next, nullptr);
    EXPECT_STREQ(entry.workingDir, "W");
    EXPECT_EQ(entry.startMenuFlag, 0);
    next = ReadShortcutEntry(next, end, &entry);
    EXPECT_EQ(next, end);
    EXPECT_EQ(entry.length, 0);
}

TEST(ShortcutEntries, RefuseEntriesThatDoNotFit)
{
    ShortcutEntry entry{};
    const Bytes shortLength = MakeShortcut(3, 0, 1, "A", "T", "");
    EXPECT_EQ(ReadShortcutEntry(shortLength.data(), shortLength.data() + shortLength.size(), &entry),
              nullptr);
    const Bytes pastEnd = MakeShortcut(11, 0, 1, "A", "T", "");  // one more than there is
    EXPECT_EQ(ReadShortcutEntry(pastEnd.data(), pastEnd.data() + pastEnd.size(), &entry), nullptr);
    // The texts end inside the package but not inside the entry's length.
    const Bytes textsOutside = MakeShortcut(7, 0, 1, "A", "T", "");
    EXPECT_EQ(ReadShortcutEntry(textsOutside.data(), textsOutside.data() + textsOutside.size(), &entry),
              nullptr);
    const Bytes oneByte = MakeBytes({0});
    EXPECT_EQ(ReadShortcutEntry(oneByte.data(), oneByte.data() + 1, &entry), nullptr);
}

TEST(ShortcutEntries, ASingleReferenceIgnoresLengthAndFlag)
{
    const Bytes bytes = MakeShortcut(0, 2, 0, "Desk", "T", "W");
    ShortcutEntry entry{};
    ASSERT_TRUE(ReadSingleShortcutEntry(bytes.data(), bytes.data() + bytes.size(), &entry));
    EXPECT_STREQ(entry.name, "Desk");
    EXPECT_STREQ(entry.workingDir, "W");
    EXPECT_EQ(entry.showMode, 2);
    EXPECT_FALSE(ReadSingleShortcutEntry(bytes.data(), bytes.data() + bytes.size() - 1, &entry));
    EXPECT_FALSE(ReadSingleShortcutEntry(bytes.data(), bytes.data() + 3, &entry));
}

TEST(RunEntries, NeedBothTextsInside)
{
    Bytes bytes = MakeBytes({3, 1});
    Append(bytes, "\"C:\\a b.exe\" /q");
    Append(bytes, "");
    RunEntry entry{};
    ASSERT_TRUE(ReadRunEntry(bytes.data(), bytes.data() + bytes.size(), &entry));
    EXPECT_EQ(entry.showMode, 3);
    EXPECT_EQ(entry.waitFlag, 1);
    EXPECT_STREQ(entry.commandLine, "\"C:\\a b.exe\" /q");
    EXPECT_STREQ(entry.workingDir, "");
    EXPECT_FALSE(ReadRunEntry(bytes.data(), bytes.data() + bytes.size() - 1, &entry));
    EXPECT_FALSE(ReadRunEntry(bytes.data(), bytes.data() + 1, &entry));
}

TEST(TreeRecords, ReadEveryKind)
{
    Bytes tree = MakeBytes({0x10, 0, 0, 0});
    Append(tree, "dir");
    // An empty file whose packed-size field is not 0: no data follows it all the same.
    tree.insert(tree.end(), {0x80, 0, 0, 0, 9, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8});
    Append(tree, "e");
    tree.insert(tree.end(), {0x20, 0, 0, 0, 2, 0, 0, 0, 5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    Append(tree, "f");
    tree.insert(tree.end(), {0xAB, 0xCD, 0xFF, 0xFF, 0xFF, 0xFF});
    const unsigned char* end = tree.data() + tree.size();

    TreeRecord record{};
    const unsigned char* at = ReadTreeRecord(tree.data(), end, &record);
    EXPECT_EQ(record.kind, TREE_RECORD_DIRECTORY);
    EXPECT_STREQ(record.name, "dir");
    at = ReadTreeRecord(at, end, &record);
    ASSERT_NE(at, nullptr);
    EXPECT_EQ(record.kind, TREE_RECORD_FILE);
    EXPECT_EQ(record.size, 0u);
    EXPECT_EQ(record.packedSize, 0u);
    EXPECT_EQ(record.data, nullptr);
    EXPECT_EQ(record.lastWriteTime, 0x0807060504030201ull);
    at = ReadTreeRecord(at, end, &record);
    ASSERT_NE(at, nullptr);
    EXPECT_EQ(record.size, 5u);
    EXPECT_EQ(record.data[0], 0xAB);
    at = ReadTreeRecord(at, end, &record);
    EXPECT_EQ(record.kind, TREE_RECORD_END);
    EXPECT_EQ(at, end);
}

TEST(TreeRecords, RefuseRecordsThatDoNotFit)
{
    TreeRecord record{};
    Bytes file = MakeBytes({0x20, 0, 0, 0, 3, 0, 0, 0, 5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    Append(file, "f");
    file.insert(file.end(), {1, 2});  // one byte short of the packed size
    EXPECT_EQ(ReadTreeRecord(file.data(), file.data() + file.size(), &record), nullptr);
    EXPECT_EQ(ReadTreeRecord(file.data(), file.data() + 19, &record), nullptr);
    EXPECT_EQ(ReadTreeRecord(file.data(), file.data() + 3, &record), nullptr);
    Bytes directory = MakeBytes({0x10, 0, 0, 0, 'd'});
    EXPECT_EQ(ReadTreeRecord(directory.data(), directory.data() + directory.size(), &record), nullptr);
    Bytes hugeSize =
        MakeBytes({0x20, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(ReadTreeRecord(hugeSize.data(), hugeSize.data() + hugeSize.size(), &record), nullptr);
}

TEST(ShowModes, MapToShowCommands)
{
    EXPECT_EQ(GetShowCommand(0), 1);
    EXPECT_EQ(GetShowCommand(1), 2);
    EXPECT_EQ(GetShowCommand(2), 3);
    EXPECT_EQ(GetShowCommand(3), 0);
    EXPECT_EQ(GetShowCommand(4), -1);
    EXPECT_EQ(GetShowCommand(-1), -1);
}

}  // namespace
