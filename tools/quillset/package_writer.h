// Lays a PackageModel out as the bytes of a setup package: the header, the texts, the entries,
// the streams and the file tree, in this order, with nothing after the tree's last end marker.
#pragma once

#include "byte_pieces.h"
#include "package_model.h"

namespace quillset {

// The package bytes, whose streams are the model's own buffers taken over, so the model is
// taken by value (move it in). Throws std::runtime_error when an offset or a sum outgrows 32 bits.
BytePieces WritePackage(PackageModel model);

}  // namespace quillset
