// The vendor's brand in the built installer: Setup.exe's icon group 104 and version record,
// and the wizard library's Welcome and header bitmaps, written with our own resource writer.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

#include "brand_images.h"
#include "manifest.h"

namespace quillset {

struct ResourceDirectory;

// What the manifest changes in the launcher stub; empty parts leave the stub's own.
struct StubBrand {
    std::vector<IconImage> icon;
    std::optional<ManifestVersion> version;
};

// Reads and checks the manifest's icon; throws std::runtime_error naming the file and the fault.
StubBrand LoadStubBrand(const Manifest& manifest);

// Puts `brand` into a stub's resource tree: the icon as group 104 in the language of the old
// group, whose images go unless another group shows them; the version texts into every
// language of version record 1. Throws std::runtime_error for a record it cannot read.
void ApplyStubBrand(ResourceDirectory& tree, const StubBrand& brand);

// `library` with the manifest's welcome and header images in place of its bitmaps, or
// unchanged when the manifest names none. Throws std::runtime_error naming the faulty image,
// or `file` when the library cannot take them.
std::vector<std::uint8_t> BrandWizardLibrary(std::vector<std::uint8_t> library,
                                             const Manifest& manifest,
                                             const std::filesystem::path& file);

}  // namespace quillset
