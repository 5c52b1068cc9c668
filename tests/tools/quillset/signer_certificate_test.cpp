// Tests of the signer check: which certificates in a signature's PKCS#7 data Windows would
// refuse, and that unreadable or certificate-less data is never taken as a sound signer.
#include <gtest/gtest.h>

#include "signer_certificate.h"
#include "test_signer.h"

namespace quillset {
namespace {

constexpr long DAY = 86400;

TEST(SignerCertificate, RefusesWhatWindowsWouldRefuseAndNamesWhy)
{
    struct Case {
        const char* what;
        test::SignerShape shape;
        const char* refusal;  // nullptr: accepted
    };
    const Case cases[] = {
        {"current RSA code-signing certificate", {}, nullptr},
        {"no usage extensions at all", {false, -DAY, DAY, nullptr, nullptr}, nullptr},
        {"any extended usage", {false, -DAY, DAY, "anyExtendedKeyUsage"}, nullptr},
        {"expired yesterday", {false, -2 * DAY, -DAY}, "expired on "},
        {"valid from tomorrow", {false, DAY, 2 * DAY}, "is not valid until "},
        {"elliptic-curve key", {true}, "has an elliptic-curve key, which Windows XP and earlier cannot verify"},
        {"for servers only", {false, -DAY, DAY, "serverAuth"}, "is not for code signing"},
        {"for key encipherment only", {false, -DAY, DAY, "codeSigning", "keyEncipherment"},
         "has a key usage without digital signatures"},
    };
    for (const Case& c : cases) {
        const std::optional<std::string> problem =
            FindUnusableSigner(test::SignBytes(test::MakeTestSigner(c.shape)), std::time(nullptr));
        if (!c.refusal) {
            EXPECT_FALSE(problem) << c.what << ": " << *problem;
            continue;
        }
        ASSERT_TRUE(problem) << c.what;
        EXPECT_NE(problem->find(c.refusal), std::string::npos) << c.what << ": " << *problem;
        EXPECT_NE(problem->find("'/CN=Quillset test signer'"), std::string::npos) << *problem;
    }
}

TEST(SignerCertificate, ADateIsJudgedAtTheTimeGiven)
{
    const test::TestSigner signer = test::MakeTestSigner({false, -DAY, DAY});
    const std::vector<std::uint8_t> data = test::SignBytes(signer);
    EXPECT_FALSE(FindUnusableSigner(data, std::time(nullptr)));
    const std::optional<std::string> later = FindUnusableSigner(data, std::time(nullptr) + 2 * DAY);
    ASSERT_TRUE(later);
    EXPECT_NE(later->find("expired on 20"), std::string::npos) << *later;
}

TEST(SignerCertificate, DataWithoutItsSignersCertificateOrUnreadableIsRefused)
{
    const test::TestSigner signer = test::MakeTestSigner();
    EXPECT_EQ(FindUnusableSigner(test::SignBytes(signer, true), std::time(nullptr)),
              "its PKCS#7 signed data does not hold its signer's certificate");

    std::vector<std::uint8_t> data = test::SignBytes(signer);
    const std::string unreadable = "its PKCS#7 signed data cannot be read";
    EXPECT_EQ(FindUnusableSigner(std::span(data).first(data.size() / 2), std::time(nullptr)), unreadable);
    EXPECT_EQ(FindUnusableSigner({}, std::time(nullptr)), unreadable);
    // The start of signed data and nothing else, as a signer that only pretends writes it.
    const std::vector<std::uint8_t> start = {0x30, 13, 6, 9, 0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 1, 7, 2, 0, 0};
    EXPECT_EQ(FindUnusableSigner(start, std::time(nullptr)), unreadable);
}

}  // namespace
}  // namespace quillset
