// Makes the tests' signing keys and certificates with OpenSSL, signed with SHA-256 as
// osslsigncode signs by default.
#include "test_signer.h"

#include <openssl/pem.h>
#include <openssl/pkcs7.h>
#include <openssl/x509v3.h>

#include <stdexcept>
#include <string>

namespace quillset::test {
namespace {

void Require(bool done, const char* what)
{
    if (!done)
        throw std::runtime_error(std::string("OpenSSL could not ") + what);
}

void AddExtension(X509* certificate, int nid, const char* value)
{
    X509V3_CTX context;
    X509V3_set_ctx(&context, certificate, certificate, nullptr, nullptr, 0);
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value);
    Require(extension != nullptr, "make a certificate extension");
    const int added = X509_add_ext(certificate, extension, -1);
    X509_EXTENSION_free(extension);
    Require(added == 1, "add a certificate extension");
}

struct BioFree {
    void operator()(BIO* bio) const { BIO_free(bio); }
};

}  // namespace

TestSigner MakeTestSigner(const SignerShape& shape)
{
    TestSigner signer;
    signer.key.reset(shape.ellipticCurve ? EVP_EC_gen("P-256") : EVP_RSA_gen(2048));
    Require(signer.key != nullptr, "make a key");
    signer.certificate.reset(X509_new());
    X509* certificate = signer.certificate.get();
    Require(certificate != nullptr, "make a certificate");
    Require(X509_set_version(certificate, 2) == 1 && ASN1_INTEGER_set(X509_get_serialNumber(certificate), 1) == 1 &&
                X509_gmtime_adj(X509_getm_notBefore(certificate), shape.validFromSeconds) &&
                X509_gmtime_adj(X509_getm_notAfter(certificate), shape.validToSeconds),
            "set a certificate's serial number and dates");
    X509_NAME* name = X509_get_subject_name(certificate);
    Require(X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                                       reinterpret_cast<const unsigned char*>("Quillset test signer"), -1, -1,
                                       0) == 1 &&
                X509_set_issuer_name(certificate, name) == 1 &&
                X509_set_pubkey(certificate, signer.key.get()) == 1,
            "name a certificate");
    if (shape.keyUsage)
        AddExtension(certificate, NID_key_usage, shape.keyUsage);
    if (shape.extendedKeyUsage)
        AddExtension(certificate, NID_ext_key_usage, shape.extendedKeyUsage);
    Require(X509_sign(certificate, signer.key.get(), EVP_sha256()) > 0, "sign a certificate");
    return signer;
}

void WriteTestSigner(const TestSigner& signer, const std::filesystem::path& folder)
{
    const std::unique_ptr<BIO, BioFree> key(BIO_new_file((folder / "key.pem").c_str(), "w"));
    const std::unique_ptr<BIO, BioFree> certificate(BIO_new_file((folder / "cert.pem").c_str(), "w"));
    Require(key && PEM_write_bio_PrivateKey(key.get(), signer.key.get(), nullptr, nullptr, 0, nullptr, nullptr),
            "write key.pem");
    Require(certificate && PEM_write_bio_X509(certificate.get(), signer.certificate.get()), "write cert.pem");
}

std::vector<std::uint8_t> SignBytes(const TestSigner& signer, bool withoutCertificate)
{
    const char content[] = "signed bytes";
    const std::unique_ptr<BIO, BioFree> input(BIO_new_mem_buf(content, sizeof(content) - 1));
    Require(input != nullptr, "hold the bytes to sign");
    const int flags = PKCS7_BINARY | (withoutCertificate ? PKCS7_NOCERTS : 0);
    PKCS7* data = PKCS7_sign(signer.certificate.get(), signer.key.get(), nullptr, input.get(), flags);
    Require(data != nullptr, "sign bytes");
    unsigned char* der = nullptr;
    const int size = i2d_PKCS7(data, &der);
    PKCS7_free(data);
    Require(size > 0, "encode the signed data");
    std::vector<std::uint8_t> bytes(der, der + size);
    OPENSSL_free(der);
    return bytes;
}

}  // namespace quillset::test
