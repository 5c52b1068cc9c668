// Tests of the build command's level and cache options as a user gives them: what each level
// changes and keeps, refusals with what is accepted, and the cache's limit from the environment.
#include <gtest/gtest.h>

#include <fstream>

#include "package/package_reader.h"
#include "test_support.h"

namespace quillset {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using test::RunTool;
using test::ReadBytes;
using test::TemporaryFolder;

Bytes GetWizardStream(const Bytes& package)
{
    const std::uint32_t offset = ReadHeaderField(package.data(), FIELD_WIZARD_OFFSET);
    const std::uint32_t size = ReadU32(package.data() + FIELD_WIZARD_OFFSET + 4);
    return Bytes(package.begin() + offset, package.begin() + offset + size);
}

bool Contains(const std::string& text, std::string_view part)
{
    return text.find(part) != std::string::npos;
}

TEST(BuildOptions, LevelChangesTheFilesAndNotTheRuntimeStreams)
{
    TemporaryFolder folder;
    test::WriteSampleProject(folder.GetPath());
    std::string text;
    for (int i = 0; i < 20000; ++i)
        text += std::to_string(i * 7919 % 1000) + (i % 13 ? " " : "\n");
    test::WriteFile(folder.GetPath() / "product" / "numbers.txt", text);
    const std::string build = "build manifest.toml --raw --wizard wizard.dll --no-cache ";
    for (const char* arguments : {"--level 1 -o fast.bin", "-o default.bin", "--best -o best.bin",
                                  "--level 12 -o twelve.bin"}) {
        const test::ToolRun run = RunTool(folder.GetPath(), build + arguments);
        ASSERT_EQ(run.exitCode, 0) << arguments << ": " << run.output;
    }
    const Bytes fast = ReadBytes(folder.GetPath() / "fast.bin");
    const Bytes best = ReadBytes(folder.GetPath() / "best.bin");
    EXPECT_GT(fast.size(), best.size());
    EXPECT_TRUE(best == ReadBytes(folder.GetPath() / "twelve.bin"));
    // The wizard library is packed at the best level whatever the files' level.
    EXPECT_TRUE(GetWizardStream(fast) == GetWizardStream(best));
    EXPECT_TRUE(GetWizardStream(ReadBytes(folder.GetPath() / "default.bin")) == GetWizardStream(best));
    for (const char* file : {"fast.bin", "default.bin", "best.bin"}) {
        const test::ToolRun inspect = RunTool(folder.GetPath(), std::string("inspect ") + file);
        EXPECT_EQ(inspect.exitCode, 0) << file << ": " << inspect.output;
    }

    // Nor the builtin uninstaller: with no other stream, the level changes nothing.
    test::WriteFile(folder.GetPath() / "builtin" / "product" / "empty.txt", "");
    test::WriteFile(folder.GetPath() / "builtin" / "manifest.toml", test::GetMinimalManifest());
    fs::copy_file(test::GetFixture("gui_stub.exe"), folder.GetPath() / "builtin" / "uninstaller.exe");
    const std::string builtin = "build builtin/manifest.toml --raw --wizard wizard.dll --no-cache "
                                "--uninstaller builtin/uninstaller.exe ";
    ASSERT_EQ(RunTool(folder.GetPath(), builtin + "--level 1 -o builtin-fast.bin").exitCode, 0);
    ASSERT_EQ(RunTool(folder.GetPath(), builtin + "--best -o builtin-best.bin").exitCode, 0);
    EXPECT_TRUE(ReadBytes(folder.GetPath() / "builtin-fast.bin") == ReadBytes(folder.GetPath() / "builtin-best.bin"));
}

TEST(BuildOptions, RefusesBadLevelsAndLimitsSayingWhatIsAccepted)
{
    TemporaryFolder folder;
    test::WriteSampleProject(folder.GetPath());
    const std::string build = "build manifest.toml --raw --wizard wizard.dll ";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"--level 0", "--level: the level is a whole number from 1 (fastest) to 12 (smallest), not \"0\""},
        {"--level 13", "not \"13\""},
        {"--level 9x", "not \"9x\""},
        {"--level 3 --best", "--level excludes --best"},
        {"--cache-limit 1.5G", "--cache-limit: \"1.5G\" is no cache size; give bytes, or a number with K, M, G"},
        {"", "QUILLSET_CACHE_LIMIT: \"lots\" is no cache size"},
    };
    for (const auto& [arguments, expected] : cases) {
        const std::string environment = arguments.empty() ? "QUILLSET_CACHE_LIMIT=lots " : "";
        const test::ToolRun run = test::RunProgram(folder.GetPath(), "env",
                                                   environment + "'" + QUILLSET_TOOL + "' " + build + arguments);
        EXPECT_NE(run.exitCode, 0) << arguments;
        EXPECT_TRUE(Contains(run.output, expected)) << arguments << ": " << run.output;
    }
    EXPECT_FALSE(fs::exists(folder.GetPath() / "package.bin"));
}

TEST(BuildOptions, CacheGoesWhereTheEnvironmentSaysUnlessLeftOut)
{
    TemporaryFolder folder;
    test::WriteSampleProject(folder.GetPath());
    const fs::path home = folder.GetPath() / "home";
    const fs::path cacheHome = folder.GetPath() / "cache home";
    const auto build = [&](const std::string& environment, const std::string& options) {
        const test::ToolRun run = test::RunProgram(
            folder.GetPath(), "env",
            "-u XDG_CACHE_HOME HOME='" + home.string() + "' " + environment + " '" + QUILLSET_TOOL +
                "' build manifest.toml --raw --wizard wizard.dll " + options);
        EXPECT_EQ(run.exitCode, 0) << environment << options << ": " << run.output;
    };
    const auto count = [](const fs::path& cache) {
        std::size_t files = 0;
        if (fs::exists(cache))
            for (const auto& item : fs::recursive_directory_iterator(cache))
                files += item.is_regular_file() ? 1 : 0;
        return files;
    };
    build("", "--no-cache");
    build("QUILLSET_CACHE_LIMIT=0", "");
    EXPECT_EQ(count(home), 0u);
    build("XDG_CACHE_HOME=relative", "");  // not absolute: ignored, as XDG says
    EXPECT_EQ(count(home / ".cache" / "quillset" / "packs-v1"), 1u);  // the build's one pack
    build("XDG_CACHE_HOME='" + cacheHome.string() + "'", "");
    EXPECT_EQ(count(cacheHome / "quillset" / "packs-v1"), 1u);
    EXPECT_FALSE(fs::exists(folder.GetPath() / "relative"));
}

}  // namespace
}  // namespace quillset
