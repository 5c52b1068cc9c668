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
Bytes AddCertificate(Bytes image, std::uint16_t type, std::size_t trailing)
{
    const PeImage pe = ReadPeImage(image);
    const std::uint32_t offset = static_cast<std::uint32_t>(image.size());
    const Bytes entry = {24, 0, 0, 0, 0, 2, static_cast<std::uint8_t>(type), 0, 0x30, 0x82, 1, 2, 3, 4, 5, 6,
                         7, 8, 9, 10, 11, 12, 13, 14};
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

    report = InspectFile(AddCertificate(setup, 1, 0));  // an X.509 certificate alone signs nothing
    ASSERT_EQ(report.failures.size(), 1u);
    EXPECT_TRUE(Contains(report.failures[0], "Setup.exe: damaged signature: the certificate table holds no "
                                             "PKCS#7 signed data"));

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
