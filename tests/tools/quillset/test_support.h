// Shared helpers of the quillset tool tests: temporary project folders with a manifest, source
// files and a fixture wizard library, and zlib's one-call inflate as the launcher does it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quillset::test {

// A fresh folder under the system's temporary directory, removed with everything in it.
class TemporaryFolder {
public:
    TemporaryFolder();
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;
    const std::filesystem::path& GetPath() const { return path; }

private:
    std::filesystem::path path;
};

void WriteFile(const std::filesystem::path& file, std::string_view content);
// The bytes of a file the test made or a fixture; throws std::runtime_error when it is missing.
std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& file);

// Pseudo-random bytes from a fixed seed (incompressible but reproducible).
std::vector<std::uint8_t> MakeNoise(std::size_t size, std::uint32_t seed);

// A Windows module built for the tests: gui_stub.exe (a launcher stub), wizard.dll (exports
// ShowWizard), other_export.dll (does not), rsrc_last.exe, rsrc_inner.exe, no_rsrc.exe (console
// programs).
std::filesystem::path GetFixture(std::string_view name);
std::filesystem::path GetWizardFixture();

// A product in `folder`: manifest.toml (with `extraManifest` appended), before.txt, after.txt,
// wizard.dll (the fixture) and the source folder "product" with its own uninst.exe (uninstaller =
// "own"), a nested folder, an empty file and an empty folder. Returns the manifest path.
std::filesystem::path WriteSampleProject(const std::filesystem::path& folder,
                                         std::string_view extraManifest = "");

// The [product] and [files] tables alone, for manifests that test one feature.
std::string GetMinimalManifest();

// zlib inflate in one call with Z_FINISH into a buffer of exactly `size` bytes, or nothing.
std::optional<std::vector<std::uint8_t>> InflateInOneCall(std::span<const std::uint8_t> stream,
                                                          std::uint32_t size);

// The exit code and output of the built quillset (or another `program`) with `arguments`, a
// shell command-line tail, run in `folder`.
struct ToolRun {
    int exitCode = -1;
    std::string output;  // standard output and standard error together
};
ToolRun RunTool(const std::filesystem::path& folder, const std::string& arguments);
ToolRun RunProgram(const std::filesystem::path& folder, const std::filesystem::path& program,
                   const std::string& arguments);

}  // namespace quillset::test
