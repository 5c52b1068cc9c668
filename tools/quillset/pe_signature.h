// The Authenticode signature of a PE image as its security directory entry places it: found,
// described for inspect, and dropped from a stub whose resources are about to change.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "pe_image.h"

namespace quillset {

struct PeSignature {
    enum class State {
        Unsigned,  // the security directory entry is empty
        Signed,    // a certificate table with PKCS#7 signed data
        Damaged,   // an entry that points at no sound certificate table; `problem` says why
    };
    State state = State::Unsigned;
    std::uint32_t offset = 0;  // of the certificate table: a file offset, not an RVA
    std::uint32_t size = 0;
    std::uint64_t trailingBytes = 0;  // after the table, which the signature does not cover
    // The first entry's PKCS#7 signed data, which verifiers read: file offset and size.
    std::uint32_t signedDataOffset = 0;
    std::uint32_t signedDataSize = 0;
    std::string problem;
};

// Reads the certificate table that the security directory entry of `image` points to; every
// offset is checked, so any bytes are safe.
PeSignature FindPeSignature(const PeImage& pe, std::span<const std::uint8_t> image);

// One line: "signed (...)", "not signed", "signed, but N bytes follow the signature", or what
// is damaged.
std::string DescribePeSignature(const PeSignature& signature);

// Why the signature of `image` would fail inspect, as DescribePeSignature words it: a damaged
// one, or bytes after it; nothing for a sound signature, none, or bytes that are no PE image.
std::optional<std::string> FindUnsoundSignature(std::span<const std::uint8_t> image);

// The first byte at which `signedImage` differs from `image` beyond what signing changes (the
// checksum, the security directory entry, the certificate table and the zero padding before
// it), or nothing when signing added a signature and changed nothing else. Both must be PE
// images whose signatures RemovePeSignature can take off.
std::optional<std::uint64_t> FindChangeBeyondSignature(std::span<const std::uint8_t> image,
                                                       std::span<const std::uint8_t> signedImage);

// `image` as it was before it was signed: the certificate table (and the zero padding that a
// signer puts before it) cut off, the security directory entry cleared. Throws
// std::runtime_error when the table is damaged or is not the end of the file, as then the
// unsigned image cannot be told apart from what was added.
std::vector<std::uint8_t> RemovePeSignature(const PeImage& pe, std::span<const std::uint8_t> image);

}  // namespace quillset
