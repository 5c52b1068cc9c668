// Test helpers: temporary folders made with mkdtemp, a sample project that uses every kind of
// tree record, the fixture modules, the launcher's way of inflating, and running the built tool.
#include "test_support.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <random>
#include <stdexcept>

namespace quillset::test {

namespace fs = std::filesystem;

namespace {

// The built tool caches streams under $XDG_CACHE_HOME: in the tests, that is a folder of the
// test program's own, so that no test run writes into the user's cache or finds entries there,
// and its size limit is the default whatever the calling environment says.
class CacheFolderEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        folder = std::make_unique<TemporaryFolder>();
        ::setenv("XDG_CACHE_HOME", folder->GetPath().c_str(), 1);
        ::unsetenv("QUILLSET_CACHE_LIMIT");
    }
    void TearDown() override { folder.reset(); }

private:
    std::unique_ptr<TemporaryFolder> folder;
};

[[maybe_unused]] ::testing::Environment* const cacheFolderEnvironment =
    ::testing::AddGlobalTestEnvironment(new CacheFolderEnvironment);

}  // namespace

TemporaryFolder::TemporaryFolder()
{
    std::string pattern = (fs::temp_directory_path() / "quillset-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create a temporary folder");
    path = pattern;
}

TemporaryFolder::~TemporaryFolder()
{
    std::error_code error;
    // Read-only files are removable; read-only folders made by tests are opened up first.
    for (auto it = fs::recursive_directory_iterator(path, error);
         !error && it != fs::recursive_directory_iterator(); ++it)
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, error);
    fs::remove_all(path, error);
}

void WriteFile(const fs::path& file, std::string_view content)
{
    fs::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    if (!out)
        throw std::runtime_error("cannot write " + file.string());
}

std::vector<std::uint8_t> ReadBytes(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        throw std::runtime_error("missing " + file.string());
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::uint8_t> MakeNoise(std::size_t size, std::uint32_t seed)
{
    std::mt19937 random(seed);
    std::vector<std::uint8_t> bytes(size);
    for (std::uint8_t& byte : bytes)
        byte = static_cast<std::uint8_t>(random());
    return bytes;
}

fs::path GetFixture(std::string_view name)
{
    return fs::path(PE_FIXTURE_DIR) / name;
}

fs::path GetWizardFixture()
{
    return GetFixture("wizard.dll");
}

std::string GetMinimalManifest()
{
    return "[product]\n"
           "short_name = \"Vistrel\"\n"
           "display_name = \"Vistrel 2.1\"\n"
           "install_dir = '%ProgramFiles%\\Vistrel'\n"
           "menu_folder = \"Vistrel 2.1\"\n"
           "[files]\n"
           "source = \"product\"\n";
}

fs::path WriteSampleProject(const fs::path& folder, std::string_view extraManifest)
{
    const fs::path product = folder / "product";
    WriteFile(product / "Vistrel.exe", std::string(5000, 'x') + "program text");
    fs::copy_file(GetFixture("gui_stub.exe"), product / "uninst.exe", fs::copy_options::overwrite_existing);
    WriteFile(product / "docs" / "readme.txt", "Read me\n");
    WriteFile(product / "docs" / "empty.txt", "");
    fs::create_directories(product / "docs" / "nothing");
    fs::copy_file(GetWizardFixture(), folder / "wizard.dll", fs::copy_options::overwrite_existing);
    WriteFile(folder / "before.txt", "Before \xE2\x82\xAC\nsecond line\n");
    WriteFile(folder / "after.txt", "After\r\ndone");
    const fs::path manifest = folder / "manifest.toml";
    WriteFile(manifest, GetMinimalManifest() + "uninstaller = \"own\"\n" + std::string(extraManifest));
    return manifest;
}

std::optional<std::vector<std::uint8_t>> InflateInOneCall(std::span<const std::uint8_t> stream,
                                                          std::uint32_t size)
{
    std::vector<std::uint8_t> output(size);
    z_stream zlib{};
    if (inflateInit(&zlib) != Z_OK)
        return std::nullopt;
    zlib.next_in = const_cast<Bytef*>(stream.data());
    zlib.avail_in = static_cast<uInt>(stream.size());
    zlib.next_out = output.data();
    zlib.avail_out = size;
    const int result = inflate(&zlib, Z_FINISH);
    const bool whole = result == Z_STREAM_END && zlib.total_out == size;
    inflateEnd(&zlib);
    if (!whole)
        return std::nullopt;
    return output;
}

ToolRun RunTool(const fs::path& folder, const std::string& arguments)
{
    return RunProgram(folder, QUILLSET_TOOL, arguments);
}

ToolRun RunProgram(const fs::path& folder, const fs::path& program, const std::string& arguments)
{
    const std::string command =
        "cd '" + folder.string() + "' && '" + program.string() + "' " + arguments + " 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        throw std::runtime_error("cannot run " + command);
    ToolRun run;
    char block[4096];
    while (const std::size_t count = std::fread(block, 1, sizeof block, pipe))
        run.output.append(block, count);
    const int status = ::pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

}  // namespace quillset::test
