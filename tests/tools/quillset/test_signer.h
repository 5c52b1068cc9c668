// A code-signing key and self-signed certificate made for the tests, of any validity, key kind
// and usage, written as PEM files for osslsigncode or used to sign bytes in memory.
#pragma once

#include <openssl/evp.h>
#include <openssl/x509.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

namespace quillset::test {

struct SignerShape {
    bool ellipticCurve = false;  // else RSA
    long validFromSeconds = -3600;  // from now
    long validToSeconds = 86400;
    const char* extendedKeyUsage = "codeSigning";  // nullptr: no such extension
    const char* keyUsage = "digitalSignature";
};

struct KeyFree {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct CertificateFree {
    void operator()(X509* certificate) const { X509_free(certificate); }
};

struct TestSigner {
    std::unique_ptr<EVP_PKEY, KeyFree> key;
    std::unique_ptr<X509, CertificateFree> certificate;
};

// Throws std::runtime_error when OpenSSL fails.
TestSigner MakeTestSigner(const SignerShape& shape = {});

// key.pem and cert.pem in `folder`.
void WriteTestSigner(const TestSigner& signer, const std::filesystem::path& folder);

// The DER of a PKCS#7 signed data ContentInfo over a few bytes, with the signer's certificate
// unless `withoutCertificate`.
std::vector<std::uint8_t> SignBytes(const TestSigner& signer, bool withoutCertificate = false);

}  // namespace quillset::test
