// Test helper: pe_embed_file STUB PACKAGE OUTPUT writes STUB with PACKAGE embedded as its
// RT_RCDATA 1, so that other tools can check the result; exit code 1 and the reason on failure.
#include <cstdint>
#include <fstream>
#include <iostream>
#include <iterator>
#include <stdexcept>
#include <vector>

#include "pe_resources.h"

namespace {

std::vector<std::uint8_t> ReadWholeFile(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error(std::string("cannot read ") + path);
    }
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::cerr << "usage: pe_embed_file STUB PACKAGE OUTPUT\n";
        return 2;
    }
    try {
        const auto image = quillset::EmbedPackage(ReadWholeFile(argv[1]), ReadWholeFile(argv[2]));
        std::ofstream out(argv[3], std::ios::binary);
        out.write(reinterpret_cast<const char*>(image.data()),
                  static_cast<std::streamsize>(image.size()));
        if (!out.flush()) {
            throw std::runtime_error(std::string("cannot write ") + argv[3]);
        }
    } catch (const std::exception& error) {
        std::cerr << "pe_embed_file: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
