// Puts a setup package into a copy of the launcher stub as its RT_RCDATA resource 1, and finds
// it again in a built Setup.exe; a PE resource writer of our own, so no toolchain is needed.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "byte_pieces.h"

namespace quillset {

// A package of at least this many bytes starts its section on a page of the file: Wine maps
// such a section from the file, and reads any other into private memory, a copy of the package.
// A smaller package costs less to copy than the up to 4 KiB of padding every download would carry.
constexpr std::uint64_t PAGE_ALIGNED_PACKAGE_SIZE = std::uint64_t{1} << 20;

struct ResourceDirectory;

// A change to a resource tree (pe_resource_tree.h), made before the tree is written.
using ResourceEdit = std::function<void(ResourceDirectory&)>;

// A copy of the PE32 image `image` whose resource tree is its own changed by `edit`, written as
// a new resource section that starts on the file alignment, and on a page as well when
// `pageAligned`; every other section keeps its bytes and addresses. Throws
// std::runtime_error saying what is wrong with an image it cannot handle, named by `what`
// ("the stub").
std::vector<std::uint8_t> RewriteResources(std::span<const std::uint8_t> image,
                                           const std::string& what, const ResourceEdit& edit,
                                           bool pageAligned);

// A copy of the PE32 image `stub` whose resources are the stub's own, changed by `brand` when
// given, plus `package` as RT_RCDATA id 1, language neutral; an RT_RCDATA 1 already there is
// replaced, in a section that starts on a page for a package of at least
// PAGE_ALIGNED_PACKAGE_SIZE bytes. A signed stub loses its signature first, which the change
// would break: the result is the one its unsigned image gives. Throws std::runtime_error saying
// what is wrong with a stub it cannot handle.
std::vector<std::uint8_t> EmbedPackage(std::span<const std::uint8_t> stub,
                                       std::span<const std::uint8_t> package,
                                       const ResourceEdit& brand = {});

// The same image in pieces: the package's own pieces, borrowed (so `package` must outlive the
// result), between the stub's part and the padding, so that no copy of its size is made.
BytePieces EmbedPackageInPieces(std::span<const std::uint8_t> stub, const BytePieces& package,
                                const ResourceEdit& brand = {});

// Throws, with the reason, what EmbedPackage would throw for `stub` whatever the package: so that
// a stub it cannot use is refused before a package is built for it.
void CheckStubCanEmbed(std::span<const std::uint8_t> stub);

// The bytes of RT_RCDATA id 1 of a PE image, or nothing when it has no such resource; throws
// PeFormatError, with the reason, when `image` is not a valid PE image. Every offset is checked,
// so any byte sequence is safe to pass.
std::optional<std::span<const std::uint8_t>> FindPackageResource(
    std::span<const std::uint8_t> image);

}  // namespace quillset
