// The product's file tree as found in the source folder: names in Windows-1252, attributes,
// times and sizes, sorted into the deterministic order in which the package stores them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "manifest.h"
#include "package/package_layout.h"

namespace quillset {

// The size that every product file stays below: the installer maps each file whole into its
// 32-bit process, beside Setup.exe and the system's libraries.
constexpr std::uint64_t MAX_PRODUCT_FILE_SIZE = 1ULL << 30;

// The attribute bits that a file-tree record may carry; the installer hands them to CreateFileA,
// where the others are flags such as FILE_FLAG_DELETE_ON_CLOSE.
constexpr std::uint32_t STORED_ATTRIBUTES = ATTRIBUTE_READONLY | ATTRIBUTE_HIDDEN | ATTRIBUTE_SYSTEM |
                                            ATTRIBUTE_DIRECTORY | ATTRIBUTE_ARCHIVE | ATTRIBUTE_NORMAL;

struct SourceNode {
    std::string name;        // Windows-1252, as stored in the package
    std::string sourceName;  // the name on disk (UTF-8 bytes)
    std::filesystem::path path;
    bool directory = false;
    std::uint32_t attributes = 0;
    std::uint64_t lastWriteTime = 0;   // FILETIME; files only
    std::uint32_t size = 0;            // files only
    std::vector<SourceNode> children;  // directories only, in package order
};

struct SourceTree {
    std::vector<SourceNode> nodes;  // top level
};

// Scans `folder`. Order within a directory: byte order of the Windows-1252 names, files and
// directories interleaved. Files get archive (0x20) plus read-only (0x01) when the owner may
// not write; directories get 0x10; an override replaces the non-directory bits, and a file
// left without bits gets NORMAL (0x80). A non-empty `addedUninstaller` joins the top level as
// "uninst.exe", overrides included. A link that leads out of `folder` is refused unless
// `followOutsideLinks`. Throws std::runtime_error for anything unstorable.
SourceTree ScanSourceTree(const std::filesystem::path& folder, std::span<const AttributeOverride> overrides,
                          const std::string& manifestFile,
                          const std::filesystem::path& addedUninstaller = {}, bool followOutsideLinks = false);

// The bytes of a scanned file, read for packing. Throws std::runtime_error when the file is no
// longer the one scanned: another size or another last-write time, as when it is rewritten at
// the same size while the build runs, which would pack new bytes under the scanned time.
std::vector<std::uint8_t> LoadScannedFile(const SourceNode& node);

}  // namespace quillset
