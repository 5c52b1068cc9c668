// Tests of the streams made ahead of time for the wizard library and the builtin uninstaller:
// taken only while they decode to exactly the module's bytes, and ahead of the stream cache.
#include <gtest/gtest.h>
#include <libdeflate.h>

#include <cstring>

#include "compression.h"
#include "file_io.h"
#include "package/package_reader.h"
#include "package_builder.h"
#include "prepacked_stream.h"
#include "test_support.h"

namespace quillset {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using test::TemporaryFolder;

void WriteBytes(const fs::path& file, const Bytes& bytes)
{
    test::WriteFile(file, std::string(bytes.begin(), bytes.end()));
}

// A sound zlib stream of `data` that the build's own levels would not write: level 1 is never
// what the wizard library or the uninstaller takes.
Bytes MakeOtherStream(const Bytes& data)
{
    libdeflate_compressor* compressor = libdeflate_alloc_compressor(MIN_LEVEL);
    Bytes stream(libdeflate_zlib_compress_bound(compressor, data.size()));
    stream.resize(libdeflate_zlib_compress(compressor, data.data(), data.size(), stream.data(), stream.size()));
    libdeflate_free_compressor(compressor);
    return stream;
}

struct Build {
    fs::path manifest;
    fs::path uninstaller;
    fs::path cache;

    Bytes operator()() const
    {
        return BuildPackage({manifest, manifest.parent_path() / "wizard.dll", 2, false, uninstaller, {},
                             DEFAULT_LEVEL, CacheSettings{cache}});
    }
};

Bytes GetWizardStream(const Bytes& package)
{
    const unsigned char* base = package.data();
    return Bytes(base + ReadHeaderField(base, FIELD_WIZARD_OFFSET),
                 base + ReadHeaderField(base, FIELD_WIZARD_OFFSET) + ReadHeaderField(base, FIELD_WIZARD_PACKED_SIZE));
}

// The stream of the top-level file `name`, or nothing.
Bytes GetFileStream(const Bytes& package, const char* name)
{
    const unsigned char* end = package.data() + package.size();
    const unsigned char* at = package.data() + ReadHeaderField(package.data(), FIELD_FILE_TREE);
    TreeRecord record;
    int depth = 0;
    while ((at = ReadTreeRecord(at, end, &record)) != nullptr) {
        if (record.kind == TREE_RECORD_END && depth-- == 0)
            break;
        if (record.kind == TREE_RECORD_DIRECTORY)
            ++depth;
        if (record.kind == TREE_RECORD_FILE && depth == 0 && std::strcmp(record.name, name) == 0)
            return Bytes(record.data, record.data + record.packedSize);
    }
    return {};
}

TEST(PrepackedStream, TakenForTheWizardLibraryAheadOfTheCache)
{
    TemporaryFolder folder;
    const Build build{test::WriteSampleProject(folder.GetPath()), {}, folder.GetPath() / "cache"};
    const fs::path wizard = folder.GetPath() / "wizard.dll";
    const Bytes compressed = GetWizardStream(build());  // also fills the cache

    const Bytes prepacked = MakeOtherStream(ReadWholeFile(wizard, 1 << 20));
    ASSERT_NE(prepacked, compressed);
    WriteBytes(GetPrepackedStreamPath(wizard), prepacked);
    const Bytes package = build();
    EXPECT_EQ(GetWizardStream(package), prepacked) << "the cache's stream of the same bytes lost";
    EXPECT_EQ(package, (Build{build.manifest, {}, {}})());
}

TEST(PrepackedStream, NotTakenUnlessItDecodesToExactlyTheModule)
{
    TemporaryFolder folder;
    const Build build{test::WriteSampleProject(folder.GetPath()), {}, {}};
    const fs::path wizard = folder.GetPath() / "wizard.dll";
    const fs::path prepackedPath = GetPrepackedStreamPath(wizard);
    const Bytes compressed = GetWizardStream(build());
    const Bytes bytes = ReadWholeFile(wizard, 1 << 20);
    const Bytes sound = MakeOtherStream(bytes);

    Bytes changed = bytes;
    changed[changed.size() / 2] ^= 0x40;  // as a newer build, or branding, would change it
    Bytes damaged = sound;
    damaged[damaged.size() / 2] ^= 0x01;
    Bytes wrongCheck = sound;
    wrongCheck.back() ^= 0x01;
    const Bytes truncated(sound.begin(), sound.end() - 5);
    Bytes longer = sound;
    longer.push_back(0);
    const Bytes shorter = MakeOtherStream(Bytes(bytes.begin(), bytes.end() - 1));
    for (const Bytes& stream : {MakeOtherStream(changed), damaged, wrongCheck, truncated, longer, shorter}) {
        WriteBytes(prepackedPath, stream);
        EXPECT_EQ(GetWizardStream(build()), compressed);
    }
    fs::remove(prepackedPath);
    fs::create_directory(prepackedPath);
    EXPECT_EQ(GetWizardStream(build()), compressed);
}

TEST(PrepackedStream, TakenForTheBuiltinUninstallerOnly)
{
    TemporaryFolder folder;
    const fs::path manifest = test::WriteSampleProject(folder.GetPath());
    test::WriteFile(manifest, test::GetMinimalManifest() + "uninstaller = \"builtin\"\n");
    fs::remove(folder.GetPath() / "product" / "uninst.exe");
    const fs::path uninstaller = folder.GetPath() / "share" / "uninst.exe";
    fs::create_directories(uninstaller.parent_path());
    fs::copy_file(test::GetFixture("gui_stub.exe"), uninstaller);
    const Build build{manifest, uninstaller, {}};
    const Bytes compressed = GetFileStream(build(), "uninst.exe");
    ASSERT_FALSE(compressed.empty());

    const Bytes prepacked = MakeOtherStream(ReadWholeFile(uninstaller, 1 << 20));
    ASSERT_NE(prepacked, compressed);
    WriteBytes(GetPrepackedStreamPath(uninstaller), prepacked);
    const Bytes package = build();
    EXPECT_EQ(GetFileStream(package, "uninst.exe"), prepacked);
    EXPECT_EQ(GetWizardStream(package), GetWizardStream(build())) << "a stream for another module";

    // A product file of the same bytes is the vendor's own: its stream beside it is not looked for.
    test::WriteFile(manifest, test::GetMinimalManifest() + "uninstaller = \"own\"\n");
    fs::copy_file(uninstaller, folder.GetPath() / "product" / "uninst.exe");
    WriteBytes(GetPrepackedStreamPath(folder.GetPath() / "product" / "uninst.exe"), prepacked);
    EXPECT_NE(GetFileStream(build(), "uninst.exe"), prepacked);
}

}  // namespace
}  // namespace quillset
