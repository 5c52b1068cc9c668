// Finds the certificate table (WIN_CERTIFICATE entries, 8-byte aligned) after an image's
// sections, and cuts it off again; the entries' framing and the start of their signed data are
// checked, not the cryptography.
#include "pe_signature.h"

#include <algorithm>
#include <stdexcept>

#include "pe_bytes.h"
#include "text_format.h"

namespace quillset {
namespace {

constexpr std::uint32_t kCertificateHeaderSize = 8;  // dwLength, wRevision, wCertificateType
constexpr std::uint16_t kCertificateTypePkcsSignedData = 2;
constexpr std::uint64_t kCertificateAlignment = 8;

// The DER of PKCS#7's signedData content type, 1.2.840.113549.1.7.2, with its tag and length.
constexpr std::uint8_t kSignedDataIdentifier[] = {0x06, 0x09, 0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x07, 0x02};

// Whether the `size` bytes at `at` start as a PKCS#7 ContentInfo of signed data: a SEQUENCE
// whose length fits them (or is left open, as BER allows) and whose content type comes first.
bool StartsAsSignedData(std::span<const std::uint8_t> image, std::uint64_t at, std::uint64_t size)
{
    if (size < 2 || image[at] != 0x30)
        return false;
    std::uint64_t head = 2;
    const std::uint8_t lengthByte = image[at + 1];
    if (lengthByte > 0x80) {
        const unsigned lengthBytes = lengthByte & 0x7F;
        if (lengthBytes > 4 || size < head + lengthBytes)
            return false;
        std::uint64_t length = 0;
        for (unsigned i = 0; i < lengthBytes; ++i)
            length = length << 8 | image[at + head + i];
        head += lengthBytes;
        if (length > size - head)
            return false;
    } else if (lengthByte < 0x80 && lengthByte > size - head) {
        return false;
    }
    return size - head >= sizeof(kSignedDataIdentifier) &&
           std::equal(std::begin(kSignedDataIdentifier), std::end(kSignedDataIdentifier),
                      image.begin() + static_cast<std::ptrdiff_t>(at + head));
}

// Why the table at `signature` is not sound, or an empty text when it is; notes where its
// first signed data lies.
std::string CheckCertificateTable(const PeImage& pe, std::span<const std::uint8_t> image,
                                  PeSignature& signature)
{
    const std::string where = std::to_string(signature.size) + " bytes at " + FormatHex(signature.offset);
    if (signature.offset == 0 || signature.size < kCertificateHeaderSize)
        return "the security directory entry (" + where + ") holds no certificate table";
    if (!HasBytes(image, signature.offset, signature.size))
        return "the certificate table (" + where + ") runs past the end of the file";
    if (signature.offset < FindEndOfSections(pe))
        return "the certificate table (" + where + ") lies inside the image's sections";
    const std::uint64_t end = std::uint64_t{signature.offset} + signature.size;
    for (std::uint64_t at = signature.offset; at < end;) {
        const std::uint32_t length = end - at < kCertificateHeaderSize ? 0 : GetU32(image, at);
        if (length < kCertificateHeaderSize || length > end - at)
            return "the certificate entry at " + FormatHex(at) + " does not fit the table";
        if (signature.signedDataSize == 0 && GetU16(image, at + 6) == kCertificateTypePkcsSignedData &&
            StartsAsSignedData(image, at + kCertificateHeaderSize, length - kCertificateHeaderSize)) {
            signature.signedDataOffset = static_cast<std::uint32_t>(at + kCertificateHeaderSize);
            signature.signedDataSize = length - kCertificateHeaderSize;
        }
        at = AlignUp(at + length, kCertificateAlignment);
    }
    if (signature.signedDataSize == 0)
        return "the certificate table holds no PKCS#7 signed data";
    return {};
}

}  // namespace

PeSignature FindPeSignature(const PeImage& pe, std::span<const std::uint8_t> image)
{
    const PeDataDirectory entry = pe.DataDirectory(kCertificateDirectoryIndex);
    PeSignature signature;
    if (entry.rva == 0 && entry.size == 0)
        return signature;
    signature.offset = entry.rva;
    signature.size = entry.size;
    signature.problem = CheckCertificateTable(pe, image, signature);
    if (!signature.problem.empty()) {
        signature.state = PeSignature::State::Damaged;
        return signature;
    }
    signature.state = PeSignature::State::Signed;
    signature.trailingBytes = image.size() - (std::uint64_t{signature.offset} + signature.size);
    return signature;
}

std::string DescribePeSignature(const PeSignature& signature)
{
    switch (signature.state) {
    case PeSignature::State::Unsigned:
        return "not signed";
    case PeSignature::State::Damaged:
        return "damaged signature: " + signature.problem;
    case PeSignature::State::Signed:
        break;
    }
    if (signature.trailingBytes != 0)
        return "signed, but " + FormatGrouped(signature.trailingBytes) + " bytes follow the signature";
    return "signed (certificate table of " + FormatGrouped(signature.size) + " bytes at " +
           FormatHex(signature.offset) + ")";
}

std::vector<std::uint8_t> RemovePeSignature(const PeImage& pe, std::span<const std::uint8_t> image)
{
    const PeSignature signature = FindPeSignature(pe, image);
    if (signature.state == PeSignature::State::Unsigned)
        return {image.begin(), image.end()};
    if (signature.state == PeSignature::State::Damaged)
        throw std::runtime_error(signature.problem);
    if (signature.trailingBytes != 0)
        throw std::runtime_error(std::to_string(signature.trailingBytes) +
                                 " bytes follow the certificate table");
    std::uint64_t cut = signature.offset;
    const std::uint64_t sectionsEnd = FindEndOfSections(pe);
    const auto padding = image.subspan(sectionsEnd, cut - sectionsEnd);
    if (padding.size() < kCertificateAlignment &&
        std::all_of(padding.begin(), padding.end(), [](std::uint8_t b) { return b == 0; }))
        cut = sectionsEnd;
    std::vector<std::uint8_t> copy(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(cut));
    const std::uint64_t entry = pe.dataDirectoryOffset + 8ULL * kCertificateDirectoryIndex;
    PutU32(copy, entry, 0);
    PutU32(copy, entry + 4, 0);
    const std::uint64_t checksum = pe.optionalHeaderOffset + kOptCheckSum;
    PutU32(copy, checksum, ComputePeChecksum(copy, checksum));
    return copy;
}

std::optional<std::string> FindUnsoundSignature(std::span<const std::uint8_t> image)
{
    try {
        const PeSignature signature = FindPeSignature(ReadPeImage(image), image);
        if (signature.state == PeSignature::State::Damaged || signature.trailingBytes != 0)
            return DescribePeSignature(signature);
    } catch (const PeFormatError&) {
        // No PE image: nothing a verifier would look at.
    }
    return std::nullopt;
}

std::optional<std::uint64_t> FindChangeBeyondSignature(std::span<const std::uint8_t> image,
                                                       std::span<const std::uint8_t> signedImage)
{
    const PeImage pe = ReadPeImage(image);
    std::vector<std::uint8_t> before = RemovePeSignature(pe, image);
    std::vector<std::uint8_t> after = RemovePeSignature(ReadPeImage(signedImage), signedImage);
    // RemovePeSignature writes a checksum of its own; the one a signer left is not compared.
    const std::uint64_t checksum = pe.optionalHeaderOffset + kOptCheckSum;
    if (after.size() >= checksum + 4)
        std::copy_n(before.begin() + static_cast<std::ptrdiff_t>(checksum), 4,
                    after.begin() + static_cast<std::ptrdiff_t>(checksum));
    const auto [differs, unused] = std::mismatch(before.begin(), before.end(), after.begin(), after.end());
    const std::uint64_t at = static_cast<std::uint64_t>(differs - before.begin());
    if (at < before.size())
        return at;
    // Padding to the table's alignment after a file that does not end at its sections.
    const auto added = std::span(after).subspan(before.size());
    if (added.size() < kCertificateAlignment &&
        std::all_of(added.begin(), added.end(), [](std::uint8_t b) { return b == 0; }))
        return std::nullopt;
    return before.size();
}

}  // namespace quillset
