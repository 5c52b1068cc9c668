// Reads the signer's certificate out of a signature's PKCS#7 data with OpenSSL and checks what
// a verifier on the user's machine refuses outright: dates, the kind of key, and its usage.
#include "signer_certificate.h"

#include <openssl/evp.h>
#include <openssl/pkcs7.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <climits>
#include <memory>

namespace quillset {
namespace {

constexpr std::size_t CERTIFICATE_NAME_SIZE = 256;  // a longer name is cut in messages
constexpr std::size_t CERTIFICATE_TIME_SIZE = 32;

struct Pkcs7Free {
    void operator()(PKCS7* data) const { PKCS7_free(data); }
};
// The stack PKCS7_get0_signers returns; its certificates belong to the signed data.
struct SignerStackFree {
    void operator()(STACK_OF(X509) * signers) const { sk_X509_free(signers); }
};

std::string FormatCertificateTime(const ASN1_TIME* time)
{
    std::tm parts{};
    char text[CERTIFICATE_TIME_SIZE];
    if (ASN1_TIME_to_tm(time, &parts) != 1 ||
        std::strftime(text, sizeof(text), "%Y-%m-%d %H:%M:%S UTC", &parts) == 0)
        return "an unreadable date";
    return text;
}

// What is wrong with one signer's certificate at `when`, or nothing.
std::optional<std::string> CheckSignerCertificate(X509* certificate, std::time_t when)
{
    char name[CERTIFICATE_NAME_SIZE];
    if (!X509_NAME_oneline(X509_get_subject_name(certificate), name, sizeof(name)))
        name[0] = '\0';
    const std::string signer = "the signer's certificate '" + std::string(name) + "'";

    const ASN1_TIME* notBefore = X509_get0_notBefore(certificate);
    const ASN1_TIME* notAfter = X509_get0_notAfter(certificate);
    const int startsLater = X509_cmp_time(notBefore, &when);
    const int endedEarlier = X509_cmp_time(notAfter, &when);
    if (startsLater == 0 || endedEarlier == 0)
        return signer + " has validity dates that cannot be read";
    if (startsLater > 0)
        return signer + " is not valid until " + FormatCertificateTime(notBefore);
    // A time stamp cannot help: it would be taken now, after the end.
    if (endedEarlier < 0)
        return signer + " expired on " + FormatCertificateTime(notAfter);

    const EVP_PKEY* key = X509_get0_pubkey(certificate);
    if (!key)
        return signer + " has a public key that cannot be read";
    switch (EVP_PKEY_get_base_id(key)) {
    case EVP_PKEY_EC:
    case EVP_PKEY_SM2:
    case EVP_PKEY_ED25519:
    case EVP_PKEY_ED448:
        return signer + " has an elliptic-curve key, which Windows XP and earlier cannot verify: "
                        "sign with an RSA key";
    default:
        break;
    }

    // Reading the flags also reads the extensions that the usage calls below report on.
    const std::uint32_t flags = X509_get_extension_flags(certificate);
    if (flags & EXFLAG_INVALID)
        return signer + " has extensions that cannot be read";
    if ((flags & EXFLAG_KUSAGE) && !(X509_get_key_usage(certificate) & KU_DIGITAL_SIGNATURE))
        return signer + " has a key usage without digital signatures";
    if ((flags & EXFLAG_XKUSAGE) && !(X509_get_extended_key_usage(certificate) & (XKU_CODE_SIGN | XKU_ANYEKU)))
        return signer + " is not for code signing (its extended key usage lacks codeSigning)";
    return std::nullopt;
}

}  // namespace

std::optional<std::string> FindUnusableSigner(std::span<const std::uint8_t> signedData, std::time_t when)
{
    if (signedData.size() > static_cast<std::size_t>(LONG_MAX))
        return "its PKCS#7 signed data is too large to read";
    const unsigned char* at = signedData.data();
    const std::unique_ptr<PKCS7, Pkcs7Free> data(d2i_PKCS7(nullptr, &at, static_cast<long>(signedData.size())));
    if (!data || !PKCS7_type_is_signed(data.get()))
        return "its PKCS#7 signed data cannot be read";
    const std::unique_ptr<STACK_OF(X509), SignerStackFree> signers(PKCS7_get0_signers(data.get(), nullptr, 0));
    if (!signers || sk_X509_num(signers.get()) == 0)
        return "its PKCS#7 signed data does not hold its signer's certificate";
    for (int i = 0; i < sk_X509_num(signers.get()); ++i) {
        if (std::optional<std::string> problem = CheckSignerCertificate(sk_X509_value(signers.get(), i), when))
            return problem;
    }
    return std::nullopt;
}

}  // namespace quillset
