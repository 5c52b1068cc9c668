// Tests of building a package from a manifest and a source folder: the tree's order,
// attributes and times, the texts, determinism across thread counts, and every refusal.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>

#include "file_io.h"
#include "package/package_check.h"
#include "package/package_reader.h"
#include "package_builder.h"
#include "source_tree.h"
#include "test_support.h"

namespace quillset {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using test::TemporaryFolder;

struct FlatRecord {
    int depth;
    std::string name;
    std::uint32_t attributes;
    std::uint64_t time;
    std::optional<Bytes> content;  // files only, decoded in one call
};

// The tree as a list of records with their depth; end markers are left out.
std::vector<FlatRecord> FlattenTree(const Bytes& package)
{
    std::vector<FlatRecord> records;
    const unsigned char* end = package.data() + package.size();
    const unsigned char* at = package.data() + ReadHeaderField(package.data(), FIELD_FILE_TREE);
    int depth = 0;
    while (at) {
        TreeRecord record{};
        at = ReadTreeRecord(at, end, &record);
        if (!at)
            throw std::runtime_error("unreadable tree");
        if (record.kind == TREE_RECORD_END) {
            if (depth-- == 0)
                break;
            continue;
        }
        FlatRecord flat{depth, record.name, record.attributes, record.lastWriteTime, std::nullopt};
        if (record.kind == TREE_RECORD_DIRECTORY)
            ++depth;
        else
            flat.content =
                record.size ? test::InflateInOneCall({record.data, record.packedSize}, record.size) : Bytes{};
        records.push_back(flat);
    }
    return records;
}

void SetTime(const fs::path& path, std::int64_t seconds, long nanoseconds)
{
    const timespec times[2] = {{seconds, nanoseconds}, {seconds, nanoseconds}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

Bytes Build(const fs::path& manifest, unsigned threads = 2, const fs::path& uninstaller = {})
{
    return BuildPackage(
        {manifest, manifest.parent_path() / "wizard.dll", threads, false, uninstaller, {}, DEFAULT_LEVEL, {}});
}

std::string GetBuildError(const fs::path& manifest, const fs::path& uninstaller = {})
{
    try {
        Build(manifest, 2, uninstaller);
    } catch (const std::exception& error) {
        return error.what();
    }
    return "(built)";
}

TEST(PackageBuilder, TakesTheTreeSortedWithAttributesAndTimes)
{
    TemporaryFolder folder;
    const fs::path manifest = test::WriteSampleProject(
        folder.GetPath(), "[files.attributes]\n'uninst.exe'='normal'\n'docs/nothing'='hidden'\n");
    const fs::path product = folder.GetPath() / "product";
    test::WriteFile(product / "B.txt", "bee");
    test::WriteFile(product / "a2.txt", "a two");
    fs::permissions(product / "a2.txt", fs::perms::owner_write, fs::perm_options::remove);
    SetTime(product / "B.txt", 1051545712, 123456789);

    const Bytes package = Build(manifest);
    EXPECT_TRUE(IsPackageWhole(package.data(), static_cast<std::uint32_t>(package.size())));
    const std::vector<FlatRecord> records = FlattenTree(package);
    std::vector<std::string> names;
    for (const FlatRecord& record : records)
        names.push_back(std::string(record.depth, ' ') + record.name);
    EXPECT_EQ(names, (std::vector<std::string>{"B.txt", "Vistrel.exe", "a2.txt", "docs", " empty.txt",
                                               " nothing", " readme.txt", "uninst.exe"}));
    EXPECT_EQ(records[0].attributes, 0x20u);
    EXPECT_EQ(records[0].time, (1051545712ull + 11644473600ull) * 10000000ull + 1234567ull);
    EXPECT_EQ(records[0].content, Bytes({'b', 'e', 'e'}));
    EXPECT_EQ(records[2].attributes, 0x21u);  // read-only from the missing owner write bit
    EXPECT_EQ(records[3].attributes, 0x10u);
    EXPECT_EQ(records[4].content, Bytes{});
    EXPECT_EQ(records[5].attributes, 0x12u);
    EXPECT_EQ(records[7].attributes, 0x80u);
    for (const FlatRecord& record : records) {
        if (!(record.attributes & 0x10)) {
            EXPECT_TRUE(record.content.has_value()) << record.name;
        }
    }
}

TEST(PackageBuilder, ConvertsTextsAndPacksTheWizardLibrary)
{
    TemporaryFolder folder;
    const fs::path manifest = test::WriteSampleProject(folder.GetPath());
    test::WriteFile(
        manifest,
        "[product]\nshort_name='V'\ndisplay_name='V \xC2\xB2'\ninstall_dir='C:\\V'\nmenu_folder='V'\n"
        "info_before='before.txt'\ninfo_after='after.txt'\n[files]\nsource='product'\nuninstaller='own'\n"
        "[run.post_install]\nprogram='%InstallDir%\\my tool.exe'\narguments='/s'\n");
    const Bytes package = Build(manifest);
    EXPECT_TRUE(IsPackageWhole(package.data(), static_cast<std::uint32_t>(package.size())));
    const unsigned char* base = package.data();
    EXPECT_STREQ(ReadPackageText(base, base + package.size(), ReadHeaderField(base, FIELD_DISPLAY_NAME)),
                 "V \xB2");

    const auto stream = [&](PackageField field) {
        return test::InflateInOneCall({base + ReadHeaderField(base, field), ReadU32(base + field + 4)},
                                      ReadU32(base + field + 8));
    };
    const Bytes before = stream(FIELD_INFO_BEFORE_OFFSET).value();
    EXPECT_EQ(std::string(before.begin(), before.end()), "Before \x80\r\nsecond line\r\n");
    const Bytes after = stream(FIELD_INFO_AFTER_OFFSET).value();
    EXPECT_EQ(std::string(after.begin(), after.end()), "After\r\ndone");
    EXPECT_EQ(stream(FIELD_WIZARD_OFFSET), ReadWholeFile(test::GetWizardFixture(), 1 << 20));

    RunEntry entry{};
    ASSERT_TRUE(
        ReadRunEntry(base + ReadHeaderField(base, FIELD_POST_INSTALL_ENTRY), base + package.size(), &entry));
    EXPECT_STREQ(entry.commandLine, "\"%InstallDir%\\my tool.exe\" /s");
}

TEST(PackageBuilder, SameInputsGiveTheSameBytesOnAnyThreadCount)
{
    TemporaryFolder folder;
    const fs::path manifest = test::WriteSampleProject(folder.GetPath());
    for (int i = 0; i < 12; ++i) {
        const Bytes noise = test::MakeNoise(20000 + 1000 * i, i);
        test::WriteFile(folder.GetPath() / "product" / ("f" + std::to_string(i)),
                        std::string(noise.begin(), noise.end()));
    }
    const Bytes single = Build(manifest, 1);
    EXPECT_EQ(single, Build(manifest, 2));
    EXPECT_EQ(single, Build(manifest, 2));
    EXPECT_EQ(single, Build(manifest, 5));
}

TEST(PackageBuilder, RefusesNamesWindowsCannotStore)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"\xE4\xB8\xAD.txt", "the name cannot be stored: character U+4E2D"},
        {"aux.txt", "reserved device name"},
        {"trailing.", "cannot end in a dot or a space"},
        {"a:b", "cannot contain ':'"},
        {"what?", "cannot contain '?'"},
        {"ctl\x01", "control characters"},
    };
    for (const auto& [name, expected] : cases) {
        TemporaryFolder folder;
        const fs::path manifest = test::WriteSampleProject(folder.GetPath());
        test::WriteFile(folder.GetPath() / "product" / "docs" / name, "x");
        const std::string error = GetBuildError(manifest);
        EXPECT_NE(error.find("docs/" + name + ": "), std::string::npos) << error;
        EXPECT_NE(error.find(expected), std::string::npos) << error;
    }
}

TEST(PackageBuilder, RefusesSourcesItCannotUse)
{
    TemporaryFolder folder;
    const fs::path manifest = test::WriteSampleProject(folder.GetPath());
    const fs::path product = folder.GetPath() / "product";

    test::WriteFile(product / "Read.me", "1");
    test::WriteFile(product / "READ.ME", "2");
    EXPECT_NE(GetBuildError(manifest).find("are the same name on Windows"), std::string::npos);
    fs::remove(product / "READ.ME");

    // The second long name alike gets README~2.TXT on a disk that keeps 8.3 names.
    test::WriteFile(product / "README-first.txt", "1");
    test::WriteFile(product / "readme~2.txt", "2");
    EXPECT_EQ(GetBuildError(manifest), "(built)");
    test::WriteFile(product / "readme and more.txt", "3");
    EXPECT_NE(GetBuildError(manifest).find("'readme~2.txt' is spelt like a short name that Windows makes up for "
                                           "'README-first.txt'"),
              std::string::npos);
    for (const char* name : {"README-first.txt", "readme~2.txt", "readme and more.txt"})
        fs::remove(product / name);

    fs::create_symlink(folder.GetPath() / "gone", product / "dangling");
    EXPECT_NE(GetBuildError(manifest).find("dangling: cannot read"), std::string::npos);
    fs::remove(product / "dangling");

    fs::create_directory_symlink("..", product / "docs" / "loop");
    EXPECT_NE(GetBuildError(manifest).find("leads back into a folder"), std::string::npos);
    fs::remove(product / "docs" / "loop");

    ASSERT_EQ(::mkfifo((product / "pipe").c_str(), 0600), 0);
    EXPECT_NE(GetBuildError(manifest).find("pipe: is neither a file nor a folder"), std::string::npos);
    fs::remove(product / "pipe");

    test::WriteFile(manifest, test::GetMinimalManifest() +
                                  "uninstaller='own'\n[files.attributes]\n'docs/gone.txt'='hidden'\n");
    EXPECT_NE(GetBuildError(manifest).find(":10: [files.attributes] names 'docs/gone.txt'"),
              std::string::npos);

    fs::remove(folder.GetPath() / "wizard.dll");
    test::WriteFile(manifest, test::GetMinimalManifest() + "uninstaller='own'\n");
    EXPECT_NE(GetBuildError(manifest).find("wizard.dll: No such file"), std::string::npos);
}

// A file rewritten while the build runs must not be packed with its new bytes under the time
// the scan took, even when its size stays.
TEST(PackageBuilder, RefusesAFileChangedSinceTheScan)
{
    TemporaryFolder folder;
    const fs::path file = folder.GetPath() / "data.txt";
    test::WriteFile(file, "AAAA");
    SetTime(file, 1600000000, 0);
    const SourceTree tree = ScanSourceTree(folder.GetPath(), {}, "manifest.toml");
    ASSERT_EQ(tree.nodes.size(), 1u);
    EXPECT_EQ(LoadScannedFile(tree.nodes[0]), (Bytes{'A', 'A', 'A', 'A'}));

    const auto expectRefused = [&](const char* what) {
        try {
            LoadScannedFile(tree.nodes[0]);
            ADD_FAILURE() << what << ": loaded";
        } catch (const std::runtime_error& error) {
            EXPECT_NE(std::string(error.what()).find("data.txt: changed while the package was built"),
                      std::string::npos) << what << ": " << error.what();
        }
    };
    test::WriteFile(file, "BBBB");
    SetTime(file, 1600000000, 100);  // a file time's step
    expectRefused("same size, 100 ns later");
    test::WriteFile(file, "AAAAA");
    SetTime(file, 1600000000, 0);
    expectRefused("same time, another size");
}

TEST(PackageBuilder, FollowsLinksOutOfTheSourceFolderOnlyWhenTheManifestAllows)
{
    TemporaryFolder folder;
    const fs::path manifest = test::WriteSampleProject(folder.GetPath());
    const fs::path product = folder.GetPath() / "product";
    test::WriteFile(folder.GetPath() / "shared" / "common.txt", "shared");
    fs::create_symlink("../Vistrel.exe", product / "docs" / "inside.exe");
    fs::create_directory_symlink("../shared", product / "shared");

    const std::string error = GetBuildError(manifest);
    const std::string target = fs::canonical(folder.GetPath() / "shared").string();
    EXPECT_NE(error.find((product / "shared").string() + ": is a link to " + target +
                         ", outside the source folder; set follow_outside_links = true in [files]"),
              std::string::npos)
        << error;

    test::WriteFile(manifest, test::GetMinimalManifest() + "uninstaller='own'\nfollow_outside_links = true\n");
    const std::vector<FlatRecord> records = FlattenTree(Build(manifest));
    const auto has = [&](const std::string& name) {
        return std::ranges::any_of(records, [&](const FlatRecord& record) { return record.name == name; });
    };
    EXPECT_TRUE(has("inside.exe") && has("common.txt"));
}

std::vector<std::string> ListTopLevel(const std::vector<FlatRecord>& records)
{
    std::vector<std::string> names;
    for (const FlatRecord& record : records) {
        if (record.depth == 0)
            names.push_back(record.name);
    }
    return names;
}

std::optional<Bytes> GetTopLevelContent(const std::vector<FlatRecord>& records, const std::string& name)
{
    for (const FlatRecord& record : records) {
        if (record.depth == 0 && record.name == name)
            return record.content;
    }
    return std::nullopt;
}

TEST(PackageBuilder, AddsTheBuiltinUninstallerUnlessTheManifestSaysOtherwise)
{
    TemporaryFolder folder;
    const fs::path manifest = test::WriteSampleProject(folder.GetPath());
    const fs::path product = folder.GetPath() / "product";
    const fs::path builtin = folder.GetPath() / "tool-uninstaller.bin";
    fs::copy_file(test::GetFixture("no_rsrc.exe"), builtin);
    fs::remove(product / "uninst.exe");
    test::WriteFile(product / "x.txt", "after uninst.exe in byte order");
    test::WriteFile(product / "docs" / "uninst.exe", "a deeper file of that name is the product's own");

    // Builtin, under its fixed name whatever the file is called, sorted in, overrides applied,
    // and counted in the header's totals.
    test::WriteFile(manifest, test::GetMinimalManifest() + "[files.attributes]\n'uninst.exe'='readonly'\n");
    Bytes package = Build(manifest, 2, builtin);
    std::vector<FlatRecord> records = FlattenTree(package);
    EXPECT_EQ(ListTopLevel(records), (std::vector<std::string>{"Vistrel.exe", "docs", "uninst.exe", "x.txt"}));
    const Bytes content = ReadWholeFile(builtin, 1 << 20);
    EXPECT_EQ(GetTopLevelContent(records, "uninst.exe"), content);
    EXPECT_EQ(records.back().attributes, 0x20u);  // x.txt
    EXPECT_EQ(records[records.size() - 2].attributes, 0x01u);
    EXPECT_EQ(ReadHeaderField(package.data(), FIELD_FILE_COUNT), 6u);
    // Vistrel.exe, readme.txt, docs/uninst.exe, x.txt and the uninstaller.
    EXPECT_EQ(ReadHeaderField(package.data(), FIELD_TOTAL_SIZE), 5012u + 8 + 47 + 30 + content.size());

    // None: the product's files alone; an uninst.exe among them is the uninstall command all
    // the same, so it must be a program too.
    test::WriteFile(manifest, test::GetMinimalManifest() + "uninstaller = \"none\"\n");
    test::WriteFile(product / "uninst.exe", "not a program");
    EXPECT_NE(GetBuildError(manifest, builtin).find("uninst.exe: not a usable uninstaller"), std::string::npos);
    fs::remove(product / "uninst.exe");
    package = Build(manifest, 2, builtin);
    EXPECT_EQ(ListTopLevel(FlattenTree(package)), (std::vector<std::string>{"Vistrel.exe", "docs", "x.txt"}));
    EXPECT_EQ(ReadHeaderField(package.data(), FIELD_FILE_COUNT), 5u);

    // Own: the vendor's file, and no builtin one is looked for; it is the uninstall command, so it
    // must be a program.
    test::WriteFile(manifest, test::GetMinimalManifest() + "uninstaller = \"own\"\n");
    test::WriteFile(product / "uninst.exe", "the vendor's placeholder");
    const std::string refusal = GetBuildError(manifest, folder.GetPath() / "absent.exe");
    EXPECT_NE(refusal.find("uninst.exe: not a usable uninstaller: not a PE image"), std::string::npos) << refusal;
    fs::copy_file(test::GetFixture("gui_stub.exe"), product / "uninst.exe", fs::copy_options::overwrite_existing);
    records = FlattenTree(Build(manifest, 2, folder.GetPath() / "absent.exe"));
    EXPECT_EQ(ListTopLevel(records), (std::vector<std::string>{"Vistrel.exe", "docs", "uninst.exe", "x.txt"}));
    EXPECT_EQ(GetTopLevelContent(records, "uninst.exe"), ReadWholeFile(product / "uninst.exe", 1 << 20));
}

TEST(PackageBuilder, RefusesUninstallerChoicesTheSourceContradicts)
{
    TemporaryFolder folder;
    const fs::path manifest = test::WriteSampleProject(folder.GetPath());
    const fs::path product = folder.GetPath() / "product";
    const fs::path builtin = test::GetFixture("no_rsrc.exe");

    // The default is builtin, so a vendor's file must be declared; any case is the same file.
    fs::rename(product / "uninst.exe", product / "Uninst.EXE");
    test::WriteFile(manifest, test::GetMinimalManifest());
    std::string error = GetBuildError(manifest, builtin);
    EXPECT_NE(error.find(":6: the source folder holds its own uninst.exe while 'uninstaller' in [files] is "
                         "\"builtin\"; set it to \"own\""),
              std::string::npos)
        << error;
    test::WriteFile(manifest, test::GetMinimalManifest() + "\nuninstaller = 'builtin'\n");
    EXPECT_NE(GetBuildError(manifest, builtin).find(":9: the source folder holds its own uninst.exe"),
              std::string::npos);

    fs::remove(product / "Uninst.EXE");
    fs::create_directory(product / "uninst.exe");
    test::WriteFile(manifest, test::GetMinimalManifest() + "uninstaller = 'own'\n");
    error = GetBuildError(manifest, builtin);
    EXPECT_NE(error.find(":8: 'uninstaller' in [files] is \"own\", but the source folder holds no uninst.exe"),
              std::string::npos)
        << error;
    fs::remove(product / "uninst.exe");
    EXPECT_NE(GetBuildError(manifest, builtin).find("holds no uninst.exe"), std::string::npos);

    test::WriteFile(manifest, test::GetMinimalManifest() + "uninstaller = 'mine'\n");
    EXPECT_NE(GetBuildError(manifest, builtin).find(":8: 'uninstaller' in [files] is \"mine\"; use builtin, own or none"),
              std::string::npos);

    test::WriteFile(manifest, test::GetMinimalManifest());
    error = GetBuildError(manifest, folder.GetPath() / "absent.exe");
    EXPECT_NE(error.find("no uninstaller at " + (folder.GetPath() / "absent.exe").string()), std::string::npos)
        << error;
    EXPECT_EQ(GetBuildError(manifest, builtin), "(built)");
}

TEST(PackageBuilder, RefusesTargetsBelowTheInstallDirThatTheTreeDoesNotHold)
{
    TemporaryFolder folder;
    const fs::path manifest = test::WriteSampleProject(folder.GetPath());
    const fs::path builtin = test::GetFixture("no_rsrc.exe");
    fs::remove(folder.GetPath() / "product" / "uninst.exe");
    const auto write = [&](const std::string& uninstaller, const std::string& target,
                           const std::string& launch) {
        test::WriteFile(manifest, test::GetMinimalManifest() + "uninstaller='" + uninstaller +
                                      "'\n[[shortcut]]\nname='A'\ntarget='%SystemDir%\\notepad.exe'\n"
                                      "[[shortcut]]\nname='B'\ntarget='" + target + "'\n"
                                      "[run.launch]\nprogram='" + launch + "'\n");
    };
    // Any case and either separator; outside the installation folder nothing is checked; the
    // builtin uninstaller counts, and post-install programs are not looked for.
    write("builtin", "%InstallDir%/DOCS\\.\\\\Readme.TXT", "%InstallDir%\\uninst.exe");
    EXPECT_EQ(GetBuildError(manifest, builtin), "(built)");
    write("none", "%InstallDir%\\..\\Other\\x.exe", "%SystemDir%\\notepad.exe");
    EXPECT_EQ(GetBuildError(manifest, builtin), "(built)");
    // The installation folder itself is a folder, and a file's name with a separator after it
    // is a folder's for Windows.
    write("none", "%InstallDir%\\Vistrel.exe", "%InstallDir%");
    EXPECT_NE(GetBuildError(manifest, builtin).find(":16: 'program' in [run.launch] is \"%InstallDir%\", a folder"),
              std::string::npos);
    write("none", "%InstallDir%\\Vistrel.exe\\", "%InstallDir%\\Vistrel.exe");
    EXPECT_NE(GetBuildError(manifest, builtin).find(":14: 'target' in [[shortcut]] is \"%InstallDir%\\Vistrel.exe\\\", "
                                                   "a file of the package with a separator after its name"),
              std::string::npos);

    write("none", "%InstallDir%\\Vistrel.exe", "%InstallDir%\\uninst.exe");
    std::string error = GetBuildError(manifest, builtin);
    EXPECT_NE(error.find(manifest.string() + ":16: 'program' in [run.launch] is \"%InstallDir%\\uninst.exe\", "
                         "which is no file of the package; below %InstallDir%\\ it must name one of the source "
                         "folder's files (in any case"),
              std::string::npos)
        << error;
    write("none", "%InstallDir%\\docs\\", "%InstallDir%\\Vistrel.exe");
    error = GetBuildError(manifest, builtin);
    EXPECT_NE(error.find(":14: 'target' in [[shortcut]] is \"%InstallDir%\\docs\\\", a folder of the package"),
              std::string::npos)
        << error;
    write("none", "%InstallDir%\\Vistrel.exe\\x", "%InstallDir%\\Vistrel.exe");
    EXPECT_NE(GetBuildError(manifest, builtin).find(":14: 'target' in [[shortcut]] is"), std::string::npos);
    // The name is quoted as the manifest writes it.
    write("none", "%InstallDir%\\Café.exe", "%InstallDir%\\Vistrel.exe");
    error = GetBuildError(manifest, builtin);
    EXPECT_NE(error.find(":14: 'target' in [[shortcut]] is \"%InstallDir%\\Café.exe\", which is no file"),
              std::string::npos)
        << error;
}

TEST(PackageBuilder, RefusesWorkingFoldersThatThePackageDoesNotMake)
{
    TemporaryFolder folder;
    const fs::path manifest = test::WriteSampleProject(folder.GetPath());
    const auto write = [&](const std::string& shortcutFolder, const std::string& launchFolder,
                           const std::string& postInstallFolder) {
        test::WriteFile(manifest, test::GetMinimalManifest() + "uninstaller='own'\n"
                                      "[[shortcut]]\nname='A'\ntarget='%InstallDir%\\Vistrel.exe'\n"
                                      "working_dir='" + shortcutFolder + "'\n"
                                      "[run.launch]\nprogram='%InstallDir%\\Vistrel.exe'\n"
                                      "working_dir='" + launchFolder + "'\n"
                                      "[run.post_install]\nprogram='%SystemDir%\\cmd.exe'\n"
                                      "working_dir='" + postInstallFolder + "'\n");
    };
    // The installation folder, a folder of the package in any case, and folders elsewhere.
    write("%InstallDir%", "%InstallDir%\\DOCS\\", "%TempDir%\\none");
    EXPECT_EQ(GetBuildError(manifest), "(built)");
    write("%InstallDir%\\bin", "%InstallDir%", "%InstallDir%");
    std::string error = GetBuildError(manifest);
    EXPECT_NE(error.find(":12: 'working_dir' in [[shortcut]] is \"%InstallDir%\\bin\", which is no folder of the "
                         "package; below %InstallDir%\\ it must name one of the source folder's folders"),
              std::string::npos)
        << error;
    write("%InstallDir%", "%InstallDir%\\Vistrel.exe", "%InstallDir%");
    error = GetBuildError(manifest);
    EXPECT_NE(error.find(":15: 'working_dir' in [run.launch] is \"%InstallDir%\\Vistrel.exe\", a file of the "
                         "package"),
              std::string::npos)
        << error;
    write("%InstallDir%", "%InstallDir%", "%InstallDir%\\docs\\missing");
    error = GetBuildError(manifest);
    EXPECT_NE(error.find(":18: 'working_dir' in [run.post_install] is"), std::string::npos) << error;
}

TEST(PackageBuilder, RefusesTextsOutsideTheCodePage)
{
    TemporaryFolder folder;
    const fs::path manifest = test::WriteSampleProject(folder.GetPath());
    test::WriteFile(folder.GetPath() / "after.txt", "fine\n\xF0\x9F\x98\x80\n");
    EXPECT_THROW(LoadInformationText(folder.GetPath() / "after.txt"), std::runtime_error);
    try {
        LoadInformationText(folder.GetPath() / "after.txt");
    } catch (const std::exception& error) {
        EXPECT_NE(std::string(error.what()).find("after.txt:2: character U+1F600"), std::string::npos)
            << error.what();
    }
    test::WriteFile(folder.GetPath() / "after.txt", "\xEF\xBB\xBF");
    EXPECT_THROW(LoadInformationText(folder.GetPath() / "after.txt"), std::runtime_error);
}

TEST(PackageBuilder, RefusesPathsLongerThanWindowsAllows)
{
    // "C:\Program Files (x86)\Vistrel", where 64-bit Windows installs a 32-bit Setup's
    // products, is 30 characters; the file's path is 30 + 1 + 200 + 1 + name.
    TemporaryFolder folder;
    const fs::path manifest = test::WriteSampleProject(folder.GetPath());
    const fs::path deep = folder.GetPath() / "product" / std::string(200, 'd');
    test::WriteFile(deep / std::string(27, 'f'), "fits");
    EXPECT_EQ(GetBuildError(manifest), "(built)");
    test::WriteFile(deep / std::string(28, 'g'), "too long");
    const std::string error = GetBuildError(manifest);
    EXPECT_NE(error.find("its path is 260 characters long; Windows allows 259"), std::string::npos) << error;
    EXPECT_NE(error.find("\"C:\\Program Files (x86)\\Vistrel\\ddd"), std::string::npos) << error;
}

TEST(PackageBuilder, RefusesADestinationTooLongForAFolder)
{
    // CreateDirectoryA makes folders of up to 247 characters, which leaves room for the log
    // that goes into the destination even when no uninstaller is among the files.
    TemporaryFolder folder;
    const fs::path manifest = test::WriteSampleProject(folder.GetPath());
    test::WriteFile(folder.GetPath() / "small" / "b", "b");
    const auto writeManifest = [&](std::size_t folderLength) {
        test::WriteFile(manifest, "[product]\nshort_name='V'\ndisplay_name='V 1'\ninstall_dir='C:\\" +
                                      std::string(folderLength, 'd') +
                                      "'\nmenu_folder='V'\n[files]\nsource='small'\nuninstaller='none'\n");
    };
    writeManifest(244);  // "C:\" and the folder make 247
    EXPECT_EQ(GetBuildError(manifest), "(built)");
    writeManifest(245);
    std::string error = GetBuildError(manifest);
    // Refused at its line, as the manifest's other errors are.
    EXPECT_NE(error.find("manifest.toml:4: 'install_dir' is \"C:\\ddd"), std::string::npos) << error;
    EXPECT_NE(error.find("which is 248 characters long"), std::string::npos) << error;
    EXPECT_NE(error.find("Windows makes folders of up to 247"), std::string::npos) << error;
    writeManifest(270);  // longer than a path: no length to give, but the line all the same
    error = GetBuildError(manifest);
    EXPECT_NE(error.find("manifest.toml:4: 'install_dir' is \"C:\\ddd"), std::string::npos) << error;
    EXPECT_NE(error.find("which is longer than Windows allows"), std::string::npos) << error;

    // A folder of the product's files, the same: "C:\" + 200 + "\" + 43 = 247.
    const auto writeTree = [&](std::size_t nameLength) {
        fs::remove_all(folder.GetPath() / "small");
        test::WriteFile(folder.GetPath() / "small" / std::string(nameLength, 'n') / "b", "b");
    };
    writeManifest(200);
    writeTree(43);
    EXPECT_EQ(GetBuildError(manifest), "(built)");
    writeTree(44);
    error = GetBuildError(manifest);
    EXPECT_NE(error.find("its path is 248 characters long; Windows allows 247 for a folder"), std::string::npos)
        << error;
}

TEST(PackageBuilder, RefusesFilesAndTotalsTheInstallerCannotHold)
{
    TemporaryFolder folder;
    const fs::path manifest = test::WriteSampleProject(folder.GetPath());
    const auto makeSparse = [&](const char* name, std::uintmax_t size) {
        const fs::path file = folder.GetPath() / "product" / name;
        test::WriteFile(file, "");
        fs::resize_file(file, size);  // sparse: nothing is read before the refusal
    };
    // A file is mapped whole into the installer's 32-bit process: 1 GiB is one byte too many.
    makeSparse("big.bin", 0x40000000ull);
    const std::string error = GetBuildError(manifest);
    EXPECT_NE(error.find("big.bin: is 1073741824 bytes; the installer maps each file whole"), std::string::npos)
        << error;
    for (const char* name : {"big.bin", "big2.bin", "big3.bin", "big4.bin"})
        makeSparse(name, 0x3FFFFFFFull);
    makeSparse("big5.bin", 5);
    EXPECT_NE(GetBuildError(manifest).find("add up to more than 4294967295 bytes"), std::string::npos);
}

}  // namespace
}  // namespace quillset
