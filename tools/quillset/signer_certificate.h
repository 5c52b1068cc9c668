// The certificate that a program's Authenticode signature names as its signer, judged as the
// Windows versions that run the installers will judge it when a user starts the program.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <span>
#include <string>

namespace quillset {

// Why Windows would refuse the signer of `signedData`, the DER of a PKCS#7 signed data
// ContentInfo, at `when`: data that cannot be read or names no signer's certificate, a
// certificate outside its validity, one whose key Windows 95 to XP cannot verify, or one
// that is not for code signing. Nothing for a signer they accept.
std::optional<std::string> FindUnusableSigner(std::span<const std::uint8_t> signedData, std::time_t when);

}  // namespace quillset
