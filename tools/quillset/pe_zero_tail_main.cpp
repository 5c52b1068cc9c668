// Build helper: pe_zero_tail IMAGE SECTION drops the zero tail of SECTION's raw data from IMAGE
// in place; the launcher's build runs it on Setup.exe. Exit code 1 and the reason on failure.
#include <exception>
#include <iostream>

#include "file_io.h"
#include "pe_zero_tail.h"

namespace {

constexpr std::uint64_t kMaxImageSize = 64ULL << 20;

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::cerr << "usage: pe_zero_tail IMAGE SECTION\n";
        return 2;
    }
    try {
        const auto image = quillset::ReadWholeFile(argv[1], kMaxImageSize);
        quillset::WriteFileAtomically(argv[1], quillset::DropSectionZeroTail(image, argv[2]));
    } catch (const std::exception& error) {
        std::cerr << "pe_zero_tail: " << argv[1] << ": " << error.what() << "\n";
        return 1;
    }
    return 0;
}
