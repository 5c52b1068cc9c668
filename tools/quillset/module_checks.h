// What the Windows modules that go into a Setup.exe must be: a file of the wrong kind would build
// an installer that shows nothing or crashes, so each is checked before it is packed.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>

namespace quillset {

enum class ModuleRole {
    WizardLibrary,  // a 32-bit x86 DLL that exports ShowWizard
    LauncherStub,   // a 32-bit x86 GUI program with the launcher's resources, ready to embed into
    Uninstaller,    // a 32-bit x86 program
};

// A real wizard library is a few dozen kilobytes; the bound keeps a forged size in a package
// from making its check hold gigabytes.
inline constexpr std::uint64_t MAX_WIZARD_LIBRARY_SIZE = 64 << 20;

// Why `image` cannot play `role`, or nothing when it can. Any bytes are safe to pass.
std::optional<std::string> FindModuleProblem(std::span<const std::uint8_t> image, ModuleRole role);

// What `role` must be, as messages say it: "a 32-bit x86 DLL that exports ShowWizard".
std::string DescribeModuleRole(ModuleRole role);

// Throws std::runtime_error naming `file`, its problem, what is accepted and which option names
// another file, when `image` (the file's bytes) cannot play `role`.
void CheckModuleFile(const std::filesystem::path& file, std::span<const std::uint8_t> image,
                     ModuleRole role);

}  // namespace quillset
