// From a manifest to package bytes: reads the manifest, the source tree, the wizard library
// and the information texts, checks them, compresses everything and lays the package out.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

#include "byte_pieces.h"
#include "code_signing.h"
#include "compression.h"
#include "stream_cache.h"

namespace quillset {

struct StubBrand;

struct BuildSettings {
    std::filesystem::path manifest;
    std::filesystem::path wizard;
    unsigned threads = 1;
    bool showProgress = false;
    std::filesystem::path uninstaller;  // empty: the default beside the tool, when the manifest wants it
    std::filesystem::path output;       // refused when it is one of the inputs; empty: not checked
    int level = DEFAULT_LEVEL;          // of the product's files; the runtime streams take BEST_LEVEL
    CacheSettings cache;                // no folder: no cache
    std::optional<SigningCommand> signing = std::nullopt;  // --sign: replaces the manifest's [signing]
    StubBrand* stubBrand = nullptr;     // given: receives the manifest's icon and version record
};

struct BuiltPackage {
    BytePieces bytes;
    std::optional<SigningCommand> signing;  // the command that signed uninst.exe, to sign Setup.exe with
    std::vector<std::filesystem::path> cachePacks;  // the packs that the build added to the cache
};

// The bytes of the setup package; throws std::runtime_error (or ManifestError) for any input
// that cannot be packed, before anything is written. A failure of the cache is a warning on
// standard error after the build, never an error.
std::vector<std::uint8_t> BuildPackage(const BuildSettings& settings);

// BuildPackage, which also signs the package's uninst.exe (unless the manifest wants none) when
// there is a signing command, and the command that applies, for Setup.exe.
BuiltPackage BuildSignedPackage(const BuildSettings& settings);

// An information text file as the package stores it: Windows-1252 with CR LF line ends.
// Throws naming the file and line of a character that cannot be stored.
std::vector<std::uint8_t> LoadInformationText(const std::filesystem::path& file);

}  // namespace quillset
