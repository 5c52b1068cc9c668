// Tests of signatures in PE images: inspect's report on whether Setup.exe and the uninst.exe
// packed in it are signed, and a signed stub, which embeds as its unsigned self.
#include <gtest/gtest.h>

#include "file_io.h"
#include "inspector.h"
#include "package_builder.h"
#include "pe_bytes.h"
#include "pe_image.h"
#include "pe_resources.h"
#include "test_support.h"
#include "text_format.h"

namespace quillset {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using test::TemporaryFolder;

const fs::path STUB = fs::path(PE_FIXTURE_DIR) / "rsrc_last.exe";

bool Contains(const std::string& text, std::string_view part)
{
    return text.find(part) != std::string::npos;
}

// `image` with a certificate table of one entry of `type` after it, and `trailing` bytes after that.
// The start of a PKCS#7 ContentInfo: a SEQUENCE of 13 bytes, the signedData content type first.
const Bytes SIGNED_DATA = {0x30, 13, 0x06, 9, 0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x07, 0x02, 0xA0, 0};

// `image` with a certificate table of one 24-byte entry of `type` holding `content`, and
// `trailing` bytes after it.
Bytes AddCertificate(Bytes image, std::uint16_t type, std::size_t trailing, Bytes content = SIGNED_DATA)
{
    const PeImage pe = ReadPeImage(image);
    const std::uint32_t offset = static_cast<std::uint32_t>(image.size());
    Bytes entry = {24, 0, 0, 0, 0, 2, static_cast<std::uint8_t>(type), 0};
    content.resize(16, 0);
    entry.insert(entry.end(), content.begin(), content.end());
    image.insert(image.end(), entry.begin(), entry.end());
    PutU32(image, pe.dataDirectoryOffset + 8 * kCertificateDirectoryIndex, offset);
    PutU32(image, pe.dataDirectoryOffset + 8 * kCertificateDirectoryIndex + 4, 24);
    image.insert(image.end(), trailing, 0);
    return image;
}

TEST(SignatureReport, SaysWhetherSetupAndItsUninstallerAreSignedAndWhatFollows)
{
    TemporaryFolder folder;
    const fs::path manifest = test::WriteSampleProject(folder.GetPath());
    const Bytes stub = ReadWholeFile(STUB, 1 << 24);
    const Bytes signedProgram = AddCertificate(stub, 2, 0);
    const std::string signedLine = "signed (certificate table of 24 bytes at " +
                                   FormatHex(stub.size()) + ")";
    const auto uninstaller = folder.GetPath() / "product" / "uninst.exe";
    WriteFileAtomically(uninstaller, signedProgram);
    const Bytes package = BuildPackage({manifest, folder.GetPath() / "wizard.dll", 1, false, {}, {}, DEFAULT_LEVEL, {}});
    const Bytes setup = EmbedPackage(stub, package);

    InspectReport report = InspectFile(setup);
    const std::string unsignedSetup = "signatures:\n  Setup.exe   not signed\n  uninst.exe  " + signedLine;
    EXPECT_TRUE(Contains(report.text, unsignedSetup + "\n")) << report.text;
    EXPECT_TRUE(report.failures.empty());

    report = InspectFile(AddCertificate(setup, 2, 0));
    EXPECT_TRUE(Contains(report.text, "  Setup.exe   signed (certificate table of 24 bytes at "))
        << report.text;
    EXPECT_TRUE(report.failures.empty());

    report = InspectFile(AddCertificate(setup, 2, 5));
    EXPECT_TRUE(Contains(report.text, "  Setup.exe   signed, but 5 bytes follow the signature\n"))
        << report.text;
    ASSERT_EQ(report.failures.size(), 1u);
    EXPECT_TRUE(Contains(report.failures[0],
                         "Setup.exe: signed, but 5 bytes follow the signature, which it does not cover"));

    // An X.509 certificate alone signs nothing; nor does data that no verifier reads as signed:
    // not a SEQUENCE, another content type (envelopedData), a length past the entry.
    Bytes notSequence = SIGNED_DATA;
    notSequence[0] = 0x31;
    Bytes enveloped = SIGNED_DATA;
    enveloped[12] = 0x03;
    Bytes tooLong = SIGNED_DATA;
    tooLong[1] = 15;
    const Bytes longForm = {0x30, 0x81, 12, 0x06, 9, 0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x07, 0x02, 0xA0};
    const Bytes openLength = {0x30, 0x80, 0x06, 9, 0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x07, 0x02, 0xA0};
    Bytes fillsTheEntry = SIGNED_DATA;
    fillsTheEntry[1] = 14;  // the 16 bytes of the entry's content, to the last
    EXPECT_TRUE(InspectFile(AddCertificate(setup, 2, 0, fillsTheEntry)).failures.empty());
    EXPECT_TRUE(InspectFile(AddCertificate(setup, 2, 0, longForm)).failures.empty());
    EXPECT_TRUE(InspectFile(AddCertificate(setup, 2, 0, openLength)).failures.empty());
    for (const Bytes& unsound : {SIGNED_DATA, notSequence, enveloped, tooLong}) {
        report = InspectFile(AddCertificate(setup, unsound == SIGNED_DATA ? 1 : 2, 0, unsound));
        ASSERT_EQ(report.failures.size(), 1u);
        EXPECT_TRUE(Contains(report.failures[0], "Setup.exe: damaged signature: the certificate table holds no "
                                                 "PKCS#7 signed data"));
    }

    WriteFileAtomically(uninstaller, Bytes(stub.begin(), stub.end()));
    report = InspectPackage(BuildPackage({manifest, folder.GetPath() / "wizard.dll", 1, false, {}, {}, DEFAULT_LEVEL, {}}));
    EXPECT_TRUE(Contains(report.text, "signatures:\n  uninst.exe  not signed\n")) << report.text;
}

TEST(SignedStub, EmbedsAsItsUnsignedSelfUnlessBytesFollowTheSignature)
{
    const Bytes stub = ReadWholeFile(STUB, 1 << 24);
    const Bytes package = test::MakeNoise(5000, 3);
    EXPECT_EQ(EmbedPackage(AddCertificate(stub, 2, 0), package), EmbedPackage(stub, package));
    try {
        EmbedPackage(AddCertificate(stub, 2, 3), package);
        ADD_FAILURE() << "a stub with bytes after its signature was accepted";
    } catch (const std::runtime_error& error) {
        EXPECT_TRUE(Contains(error.what(), "the stub is signed, but its signature cannot be taken off (3 bytes "
                                           "follow the certificate table)"))
            << error.what();
    }
}

}  // namespace
}  // namespace quillset
