// Puts a setup package into a copy of the launcher stub as its RT_RCDATA resource 1, and finds
// it again in a built Setup.exe; a PE resource writer of our own, so no toolchain is needed.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace quillset {

// A package of at least this many bytes starts its section on a page of the file: Wine maps
// such a section from the file, and reads any other into private memory, a copy of the package.
// A smaller package costs less to copy than the up to 4 KiB of padding every download would carry.
constexpr std::uint64_t PAGE_ALIGNED_PACKAGE_SIZE = std::uint64_t{1} << 20;

// A copy of the PE32 image `stub` whose resources are the stub's own plus `package` as
// RT_RCDATA id 1, language neutral; an RT_RCDATA 1 already there is replaced. The resource
// section starts on the file alignment, and on a page as well for a package of at least
// PAGE_ALIGNED_PACKAGE_SIZE bytes. Throws
// std::runtime_error saying what is wrong with a stub it cannot handle.
std::vector<std::uint8_t> EmbedPackage(std::span<const std::uint8_t> stub,
                                       std::span<const std::uint8_t> package);

// The bytes of RT_RCDATA id 1 of a PE image, or nothing when it has no such resource; throws
// PeFormatError, with the reason, when `image` is not a valid PE image. Every offset is checked,
// so any byte sequence is safe to pass.
std::optional<std::span<const std::uint8_t>> FindPackageResource(
    std::span<const std::uint8_t> image);

}  // namespace quillset
