// Tests of the inspector: a sound package reads without failures, and truncated, flipped or
// forged packages are reported by name without ever reading outside the bytes given.
#include <gtest/gtest.h>

#include <algorithm>

#include "compression.h"
#include "file_io.h"
#include "inspector.h"
#include "package/package_reader.h"
#include "package_builder.h"
#include "pe_resources.h"
#include "test_support.h"
#include "text_format.h"

namespace quillset {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

constexpr std::string_view ENTRIES = R"(
[[shortcut]]
id = "main"
name = "Vistrel 2.1"
target = '%InstallDir%\Vistrel.exe'
[single_shortcuts]
desktop = "main"
[run.launch]
program = '%InstallDir%\Vistrel.exe'
[run.uninstall]
program = '%InstallDir%\uninst.exe'
arguments = "/u"
)";

class Inspector : public testing::Test {
protected:
    void SetUp() override
    {
        const fs::path manifest = test::WriteSampleProject(folder.GetPath(), ENTRIES);
        test::WriteFile(
            manifest,
            "[product]\nshort_name='Vistrel'\ndisplay_name='Vistrel 2.1'\ninstall_dir='C:\\V'\n"
            "menu_folder='V'\nnotice=\"a\\nb\"\ninfo_before='before.txt'\n[files]\nsource='product'\n"
            "uninstaller='own'\n" +
                std::string(ENTRIES));
        package = BuildPackage({manifest, folder.GetPath() / "wizard.dll", 2, false, {}, {}, DEFAULT_LEVEL, {}});
    }

    std::uint32_t ReadField(PackageField field) const { return ReadHeaderField(package.data(), field); }

    void SetField(PackageField field, std::uint32_t value)
    {
        for (int i = 0; i < 4; ++i)
            package[field + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }

    struct Stream {
        std::size_t offset;
        std::size_t packedSize;
        std::uint32_t size;
        std::string name;           // as its failure carries it
    };

    std::vector<Stream> FindStreams() const
    {
        std::vector<Stream> streams = {
            {ReadField(FIELD_WIZARD_OFFSET), ReadField(FIELD_WIZARD_PACKED_SIZE), ReadField(FIELD_WIZARD_SIZE),
             "wizard library stream"},
            {ReadField(FIELD_INFO_BEFORE_OFFSET), ReadField(FIELD_INFO_BEFORE_PACKED_SIZE),
             ReadField(FIELD_INFO_BEFORE_SIZE), "before-install text stream"}};
        const unsigned char* end = package.data() + package.size();
        const unsigned char* at = package.data() + ReadField(FIELD_FILE_TREE);
        std::vector<std::string> folders;
        for (TreeRecord record{}; (at = ReadTreeRecord(at, end, &record)) && at != end;) {
            if (record.kind == TREE_RECORD_END)
                folders.pop_back();
            if (record.kind == TREE_RECORD_DIRECTORY)
                folders.push_back(std::string(record.name) + "\\");
            if (record.kind == TREE_RECORD_FILE && record.size)
                streams.push_back({static_cast<std::size_t>(record.data - package.data()), record.packedSize,
                                   record.size, "file " + (folders.empty() ? "" : folders.back()) + record.name});
        }
        return streams;
    }

    static bool HasFailure(const InspectReport& report, std::string_view text)
    {
        return std::any_of(report.failures.begin(), report.failures.end(), [&](const std::string& failure) {
            return failure.find(text) != std::string::npos;
        });
    }

    test::TemporaryFolder folder;
    Bytes package;
};

TEST_F(Inspector, DescribesASoundPackageWithoutFailures)
{
    const InspectReport report = InspectFile(package);
    EXPECT_TRUE(report.failures.empty()) << report.failures.front();
    for (const char* expected :
         {"short product name          \"Vistrel\"", "notice                      \"a\\nb\"",
          "Desktop       0x", "uninstall     0x",
          "\"\\\"%InstallDir%\\uninst.exe\\\" /u\" working dir \"\" show normal wait no",
          "    | Before €", "  docs\\  0x10 directory", "    empty.txt  0x20 archive",
          "    nothing\\  0x10 directory", "4 files,", "wizard library        0x"}) {
        EXPECT_NE(report.text.find(expected), std::string::npos) << expected << "\n" << report.text;
    }
}

TEST_F(Inspector, ReportsEveryTruncation)
{
    for (std::size_t length = 0; length < package.size(); ++length) {
        const Bytes truncated(package.begin(), package.begin() + length);  // exact size, for the sanitizers
        const InspectReport report = InspectPackage(truncated);
        EXPECT_FALSE(report.failures.empty()) << "length " << length;
    }
}

TEST_F(Inspector, NamesEachStreamThatNoLongerDecodes)
{
    const auto streams = FindStreams();
    ASSERT_EQ(streams.size(), 2u + 3u);
    for (const Stream& stream : streams) {
        const auto content = test::InflateInOneCall({package.data() + stream.offset, stream.packedSize}, stream.size);
        ASSERT_TRUE(content) << stream.name;
        for (std::size_t at = stream.offset; at < stream.offset + stream.packedSize; ++at) {
            Bytes flipped = package;
            flipped[at] ^= 0xFF;
            // Deflate leaves some bits unread: a flip there changes nothing that a reader gets.
            if (test::InflateInOneCall({flipped.data() + stream.offset, stream.packedSize}, stream.size) == content)
                continue;
            EXPECT_TRUE(HasFailure(InspectPackage(flipped), stream.name + ":"))
                << stream.name << " byte " << at - stream.offset;
        }
    }
}

TEST_F(Inspector, SurvivesAFlipOfAnyByte)
{
    std::size_t reported = 0;
    for (std::size_t at = 0; at < package.size(); ++at) {
        for (const std::uint8_t mask : {0xFF, 0x80, 0x01}) {
            Bytes flipped = package;
            flipped[at] ^= mask;
            reported += !InspectPackage(flipped).failures.empty();
        }
    }
    EXPECT_GT(reported, package.size());
}

TEST_F(Inspector, ReportsForgedHeaderFieldsAndEntries)
{
    const Bytes original = package;
    const std::uint32_t wizardSize = ReadField(FIELD_WIZARD_SIZE);
    const auto inspectWith = [&](PackageField field, std::uint32_t value) {
        package = original;
        SetField(field, value);
        return InspectPackage(package);
    };
    EXPECT_TRUE(
        HasFailure(inspectWith(FIELD_FILE_COUNT, 5), "header: file count 5, but the tree has 4 files"));
    EXPECT_TRUE(HasFailure(inspectWith(FIELD_TOTAL_SIZE, 1), "header: total size 1"));
    EXPECT_TRUE(HasFailure(inspectWith(FIELD_SHORT_NAME, 0xFFFFFFF0), "short product name: no text ends"));
    EXPECT_TRUE(HasFailure(inspectWith(FIELD_DISPLAY_NAME, 0), "display name: offset 0"));
    EXPECT_TRUE(HasFailure(inspectWith(FIELD_FILE_TREE, 0), "file tree: offset 0x0"));
    EXPECT_TRUE(HasFailure(inspectWith(FIELD_WIZARD_PACKED_SIZE, 0xFFFFFFFF),
                           "wizard library stream: 4294967295 bytes"));
    EXPECT_TRUE(HasFailure(inspectWith(FIELD_WIZARD_SIZE, 0xFFFFFFFF),
                           "wizard library stream: 4294967295 bytes, more than the 67108864"));
    EXPECT_TRUE(HasFailure(inspectWith(FIELD_WIZARD_SIZE, wizardSize + 1),
                           "wizard library stream: it decodes to " + std::to_string(wizardSize)));
    EXPECT_TRUE(HasFailure(inspectWith(FIELD_WIZARD_SIZE, 10), "wizard library stream: it decodes to more"));
    EXPECT_TRUE(HasFailure(inspectWith(FIELD_WIZARD_OFFSET, 0), "offset 0, but the launcher needs"));
    EXPECT_TRUE(
        HasFailure(inspectWith(FIELD_DESKTOP_SHORTCUT, static_cast<std::uint32_t>(original.size() - 1)),
                   "Desktop shortcut: no entry fits"));
    EXPECT_TRUE(HasFailure(inspectWith(FIELD_MENU_LIST, ReadField(FIELD_SHORT_NAME)), "Start Menu entry 1"));

    package = original;
    package[ReadField(FIELD_UNINSTALL_ENTRY)] = 7;
    EXPECT_TRUE(HasFailure(InspectPackage(package), "uninstall entry: show mode 7 is not 0 to 3"));
    package = original;
    package[ReadField(FIELD_FILE_TREE) + 20] = '\\';  // the first file's name
    EXPECT_TRUE(HasFailure(InspectPackage(package), "file tree: the name \"\\"));
    // "Vistrel 2\1" names a subkey of the Uninstall key, and no event can take the name.
    package = original;
    package[ReadField(FIELD_DISPLAY_NAME) + 9] = '\\';
    SetField(FIELD_EVENT_NAME, ReadField(FIELD_DISPLAY_NAME));
    const InspectReport named = InspectPackage(package);
    EXPECT_TRUE(HasFailure(named, "display name cannot contain a backslash"));
    EXPECT_TRUE(HasFailure(named, "event name \"Vistrel 2\\1\" holds a backslash"));
    package = original;
    package[ReadField(FIELD_DISPLAY_NAME) + 7] = '\n';
    EXPECT_TRUE(HasFailure(InspectPackage(package), "display name cannot contain control characters"));
}

TEST_F(Inspector, ReportsShortcutNamesThatLeaveTheirFolder)
{
    // "Vistrel 2.1" becomes "..\trel 2.1" in the first Start Menu entry, which the Desktop field names.
    const std::uint32_t entry = ReadField(FIELD_MENU_LIST);
    ASSERT_EQ(ReadField(FIELD_DESKTOP_SHORTCUT), entry);
    std::copy_n("..\\", 3, package.begin() + entry + 4);
    const InspectReport report = InspectPackage(package);
    const std::string problem = ": the name \"..\\trel 2.1\": a name cannot contain a path separator";
    EXPECT_TRUE(HasFailure(report, "Start Menu entry 1 at " + FormatHex(entry) + problem));
    EXPECT_TRUE(HasFailure(report, "Desktop shortcut" + problem));
}

Bytes ReadFixture(const std::string& name)
{
    return ReadWholeFile(fs::path(PE_FIXTURE_DIR) / name, 1 << 20);
}

void PutU32(Bytes& bytes, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// A tree of `depth` nested directories named `name`, with a file called `fileName` (empty: no
// file) innermost, appended to the package and made its file tree.
void AppendNestedTree(Bytes& package, std::size_t depth, const std::string& name, const std::string& fileName)
{
    const auto appendU32 = [&](std::uint32_t value) {
        package.resize(package.size() + 4);
        PutU32(package, package.size() - 4, value);
    };
    const auto appendName = [&](const std::string& text) {
        package.insert(package.end(), text.begin(), text.end());
        package.push_back(0);
    };
    const std::uint32_t offset = static_cast<std::uint32_t>(package.size());
    for (std::size_t level = 0; level < depth; ++level) {
        appendU32(ATTRIBUTE_DIRECTORY);
        appendName(name);
    }
    if (!fileName.empty()) {
        appendU32(0x20);
        for (int field = 0; field < 4; ++field)  // packed size, size, last-write time: an empty file
            appendU32(0);
        appendName(fileName);
    }
    for (std::size_t level = 0; level <= depth; ++level)
        appendU32(TREE_END_MARKER);
    PutU32(package, FIELD_FILE_TREE, offset);
}

TEST_F(Inspector, StopsAtATreeNestedBeyondAnyInstallablePath)
{
    const std::string_view failure = "the tree nests deeper than a 259-character path allows";
    Bytes nested = package;
    AppendNestedTree(nested, 4000, "d", "");
    const InspectReport report = InspectPackage(nested);
    EXPECT_TRUE(HasFailure(report, failure));
    // Walked to the end, the account would hold 4000 lines of up to 8000 characters.
    EXPECT_LT(report.text.size(), 100'000u);

    // The limit is on the joined path: a 200-character folder holds a 58-character name, not 59.
    Bytes deep = package;
    AppendNestedTree(deep, 1, std::string(200, 'a'), std::string(58, 'f'));
    const InspectReport fits = InspectPackage(deep);
    EXPECT_FALSE(HasFailure(fits, failure));
    EXPECT_NE(fits.text.find(std::string(58, 'f')), std::string::npos);
    deep = package;
    AppendNestedTree(deep, 1, std::string(200, 'a'), std::string(59, 'f'));
    EXPECT_TRUE(HasFailure(InspectPackage(deep), failure));
}

TEST_F(Inspector, ReportsTwoNamesThatWindowsTakesForOne)
{
    test::WriteFile(folder.GetPath() / "product" / "docs" / "alpha.txt", "a");
    test::WriteFile(folder.GetPath() / "product" / "docs" / "bravo.txt", "b");
    test::WriteFile(folder.GetPath() / "product" / "Alpha.txt", "c");
    Bytes built = BuildPackage(
        {folder.GetPath() / "manifest.toml", folder.GetPath() / "wizard.dll", 2, false, {}, {}, DEFAULT_LEVEL, {}});
    const std::string_view failure = "is named twice in its folder";
    EXPECT_FALSE(HasFailure(InspectPackage(built), failure)) << "the same name in another folder";
    const std::string_view bravo = "bravo.txt";
    const auto at = std::search(built.begin(), built.end(), bravo.begin(), bravo.end());
    ASSERT_NE(at, built.end());
    std::copy_n("ALPHA", 5, at);
    EXPECT_TRUE(HasFailure(InspectPackage(built), "file tree: docs\\ALPHA.txt is named twice in its folder"));
}

// On a disk that keeps 8.3 names, README~1.TXT is the first of the long names alike, in its
// own folder only.
TEST_F(Inspector, ReportsANameSpeltLikeTheShortNameOfAnotherInItsFolder)
{
    test::WriteFile(folder.GetPath() / "product" / "docs" / "Readme-first.txt", "a");
    test::WriteFile(folder.GetPath() / "product" / "docs" / "README~9.TXT", "b");
    test::WriteFile(folder.GetPath() / "product" / "Setup-notes.txt", "c");
    test::WriteFile(folder.GetPath() / "product" / "SETUP-~9.TXT", "d");
    test::WriteFile(folder.GetPath() / "product" / "docs" / "SETUP-~8.TXT", "e");
    Bytes built = BuildPackage(
        {folder.GetPath() / "manifest.toml", folder.GetPath() / "wizard.dll", 2, false, {}, {}, DEFAULT_LEVEL, {}});
    const std::string_view failure = "is spelt like a short name";
    EXPECT_FALSE(HasFailure(InspectPackage(built), failure)) << "past four, short names are hashed";
    for (const std::string_view name : {"README~9.TXT", "SETUP-~9.TXT", "SETUP-~8.TXT"}) {
        const auto at = std::search(built.begin(), built.end(), name.begin(), name.end());
        ASSERT_NE(at, built.end());
        at[7] = '1';
    }
    const InspectReport report = InspectPackage(built);
    EXPECT_TRUE(HasFailure(report, "file tree: docs\\README~1.TXT is spelt like a short name that Windows makes up "
                                   "for \"Readme-first.txt\""));
    EXPECT_TRUE(HasFailure(report, "file tree: SETUP-~1.TXT is spelt like"));
    EXPECT_FALSE(HasFailure(report, "docs\\SETUP-~1.TXT")) << "its long name lies in another folder";
}

// The installation writes its log as uninst.dat at the top of the destination, over a file of that name.
TEST_F(Inspector, ReportsAFileNamedAsTheUninstallLogAtTheTop)
{
    const auto tree = package.begin() + ReadField(FIELD_FILE_TREE);
    for (const auto& [name, renamed] :
         {std::pair{"readme.txt", "uninst.dat"}, std::pair{"uninst.exe", "Uninst.DAT"}}) {
        const auto at = std::search(tree, package.end(), name, name + 10);
        ASSERT_NE(at, package.end());
        std::copy_n(renamed, 10, at);
    }
    const InspectReport report = InspectPackage(package);
    EXPECT_TRUE(HasFailure(report, "file tree: Uninst.DAT at the top level has the name of the uninstall log, "
                                   "which the installation writes there"));
    EXPECT_FALSE(HasFailure(report, "docs\\uninst.dat")) << "a folder below may hold one";
}

// The installation hands a record's attributes to CreateFileA, where other bits are flags, and
// maps each file whole.
TEST_F(Inspector, ReportsAttributeFlagsAndFilesTooLargeToMap)
{
    const auto tree = package.begin() + ReadField(FIELD_FILE_TREE);
    const std::string_view name = "readme.txt";
    const auto at = std::search(tree, package.end(), name.begin(), name.end());
    ASSERT_NE(at, package.end());
    const std::size_t record = (at - package.begin()) - FILE_RECORD_HEAD;
    const auto changed = [&](std::size_t field, std::uint32_t value) {
        Bytes bytes = package;
        std::copy_n(reinterpret_cast<const std::uint8_t*>(&value), 4, bytes.begin() + record + field);
        return InspectPackage(bytes);
    };
    const std::uint32_t deleteOnClose = 0x04000000;
    EXPECT_FALSE(HasFailure(InspectPackage(package), "attribute bits"));
    EXPECT_TRUE(HasFailure(changed(0, ReadU32(package.data() + record) | deleteOnClose),
                           "file tree: docs\\readme.txt has the attribute bits 0x4000000"));
    EXPECT_TRUE(HasFailure(changed(8, 0x40000000),
                           "file tree: docs\\readme.txt is 1073741824 bytes; the installer maps"));
}

TEST_F(Inspector, ShowsTheStartOfALongTextButChecksAllOfIt)
{
    std::string text;
    for (int line = 0; text.size() < (1u << 20); ++line)
        text += "line " + std::to_string(line) + "\r\n";
    const auto inspectText = [&](const std::string& content, std::uint32_t size) {
        Bytes withText = package;
        const Bytes stream = CompressZlib(std::span(reinterpret_cast<const std::uint8_t*>(content.data()),
                                                    content.size()));
        PutU32(withText, FIELD_INFO_BEFORE_OFFSET, static_cast<std::uint32_t>(withText.size()));
        PutU32(withText, FIELD_INFO_BEFORE_PACKED_SIZE, static_cast<std::uint32_t>(stream.size()));
        PutU32(withText, FIELD_INFO_BEFORE_SIZE, size);
        withText.insert(withText.end(), stream.begin(), stream.end());
        return InspectPackage(withText);
    };
    const auto textSize = static_cast<std::uint32_t>(text.size());

    const InspectReport shown = inspectText(text, textSize);
    EXPECT_TRUE(shown.failures.empty()) << shown.failures.front();
    EXPECT_NE(shown.text.find("    | line 0\n    | line 1\n"), std::string::npos);
    EXPECT_NE(shown.text.find("    (" + std::to_string(text.size() - 65536) + " more bytes not shown)\n"),
              std::string::npos);
    EXPECT_EQ(shown.text.find("line 9000\n"), std::string::npos);
    EXPECT_LT(shown.text.size(), 200'000u);

    EXPECT_TRUE(HasFailure(inspectText(text, textSize + 1), "before-install text stream: it decodes to"));
    EXPECT_TRUE(HasFailure(inspectText(text, textSize - 1), "before-install text stream: it decodes to more"));
    std::string withNul = text;
    withNul[withNul.size() - 3] = '\0';  // far past the part shown
    EXPECT_TRUE(HasFailure(inspectText(withNul, textSize), "before-install text stream: the text contains a NUL"));

    const InspectReport small = inspectText("one\r\ntwo", 8);
    EXPECT_NE(small.text.find("    | one\n    | two\n"), std::string::npos) << small.text;
    EXPECT_EQ(small.text.find("not shown"), std::string::npos);
}

TEST_F(Inspector, ReportsAWizardStreamThatDecodesToNoWizardLibrary)
{
    for (const auto& [fixture, problem] : {std::pair{"no_rsrc.exe", "it is a program, not a DLL"},
                                           std::pair{"other_export.dll", "it does not export ShowWizard"}}) {
        Bytes forged = package;
        const Bytes stream = CompressZlib(ReadFixture(fixture));
        PutU32(forged, FIELD_WIZARD_OFFSET, static_cast<std::uint32_t>(forged.size()));
        PutU32(forged, FIELD_WIZARD_PACKED_SIZE, static_cast<std::uint32_t>(stream.size()));
        PutU32(forged, FIELD_WIZARD_SIZE, static_cast<std::uint32_t>(ReadFixture(fixture).size()));
        forged.insert(forged.end(), stream.begin(), stream.end());
        const InspectReport report = InspectPackage(forged);
        EXPECT_TRUE(HasFailure(report, std::string("wizard library stream: it decodes to no wizard library: ") +
                                           problem + "; the launcher needs a 32-bit x86 DLL that exports ShowWizard"))
            << fixture;
        EXPECT_EQ(report.failures.size(), 1u) << fixture;
    }
}

TEST_F(Inspector, ReadsASetupExeAndNamesWhyABrokenOneCannotBeRead)
{
    const Bytes stub = ReadFixture("rsrc_last.exe");
    const Bytes image = EmbedPackage(stub, package);
    const InspectReport sound = InspectFile(image);
    EXPECT_TRUE(sound.failures.empty()) << sound.failures.front();
    EXPECT_TRUE(sound.text.starts_with("Windows executable with a package resource\n"));

    const Bytes truncated(image.begin(), image.begin() + image.size() / 2);
    const InspectReport cut = InspectFile(truncated);
    ASSERT_EQ(cut.failures.size(), 1u);
    EXPECT_TRUE(cut.failures[0].starts_with("not a valid PE image: truncated PE image")) << cut.failures[0];
    ASSERT_EQ(InspectFile(Bytes{'M', 'Z', 0, 0, 0, 0}).failures.size(), 1u);
    EXPECT_TRUE(InspectFile(Bytes{'M', 'Z', 0, 0, 0, 0}).failures[0].starts_with("not a valid PE image: "));

    const InspectReport withoutPackage = InspectFile(ReadFixture("no_rsrc.exe"));
    ASSERT_EQ(withoutPackage.failures.size(), 1u);
    EXPECT_EQ(withoutPackage.failures[0], "resource: no setup package (RT_RCDATA 1) in this executable");
    EXPECT_FALSE(InspectFile(Bytes{}).failures.empty());
}

}  // namespace
}  // namespace quillset
