// Writes the benchmark payload: a seeded, repeatable tree of files of mixed kinds (text-like,
// structured binary and random data) with a given total size and file count.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// splitmix64: small, fast and the same everywhere, so a seed always gives the same payload.
struct Random {
    std::uint64_t state;
    std::uint64_t Next()
    {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    std::uint64_t Below(std::uint64_t bound) { return Next() % bound; }
};

const char* const kWords[] = {
    "install", "window", "folder", "program", "setup", "registry", "shortcut", "file",
    "the", "and", "of", "to", "a", "in", "is", "for", "with", "on", "by", "this", "that",
    "product", "version", "user", "system", "data", "value", "path", "menu", "desktop",
    "compress", "stream", "record", "entry", "header", "offset", "size", "time", "name"};

void FillText(Random& random, std::vector<char>& bytes)
{
    std::size_t at = 0;
    while (at < bytes.size()) {
        const char* word = kWords[random.Below(std::size(kWords))];
        for (const char* c = word; *c && at < bytes.size(); ++c)
            bytes[at++] = *c;
        if (at < bytes.size())
            bytes[at++] = random.Below(12) == 0 ? '\n' : ' ';
    }
}

void FillRecords(Random& random, std::vector<char>& bytes)
{
    std::uint32_t counter = (std::uint32_t)random.Next();
    for (std::size_t at = 0; at < bytes.size(); ++at) {
        if (at % 16 == 0)
            counter += (std::uint32_t)random.Below(4);
        std::size_t field = at % 16;
        bytes[at] = field < 4 ? (char)(counter >> (8 * field)) : field < 8 ? (char)random.Below(3) : 0;
    }
}

void FillRandom(Random& random, std::vector<char>& bytes)
{
    for (std::size_t at = 0; at < bytes.size(); at += 8) {
        std::uint64_t value = random.Next();
        for (std::size_t i = 0; i < 8 && at + i < bytes.size(); ++i)
            bytes[at + i] = (char)(value >> (8 * i));
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 5) {
        std::fprintf(stderr, "usage: generate_payload DIR [TOTAL_BYTES] [FILE_COUNT] [SEED]\n");
        return 2;
    }
    const fs::path root = argv[1];
    const std::uint64_t total = argc > 2 ? std::stoull(argv[2]) : 64ull << 20;
    const std::uint64_t count = argc > 3 ? std::stoull(argv[3]) : 1000;
    Random random{argc > 4 ? std::stoull(argv[4]) : 20261208};

    // Log-spread sizes (many small files, a few large ones), scaled to the total.
    std::vector<double> weights(count);
    double weightSum = 0;
    for (double& weight : weights) {
        weight = std::exp2((double)random.Below(1000) / 1000.0 * 12.0);
        weightSum += weight;
    }

    fs::remove_all(root);
    std::uint64_t written = 0;
    for (std::uint64_t i = 0; i < count; ++i) {
        std::uint64_t size = i + 1 == count ? total - written
                                            : (std::uint64_t)(weights[i] / weightSum * (double)total);
        written += size;
        fs::path folder = root;
        for (std::uint64_t depth = random.Below(4); depth > 0; --depth)
            folder /= "dir" + std::to_string(random.Below(6));
        fs::create_directories(folder);

        std::vector<char> bytes(size);
        const char* kind;
        switch (random.Below(10)) {
        case 0: case 1: case 2: case 3:
            FillText(random, bytes);
            kind = ".txt";
            break;
        case 4: case 5: case 6:
            FillRecords(random, bytes);
            kind = ".dat";
            break;
        default:
            FillRandom(random, bytes);
            kind = ".bin";
            break;
        }
        fs::path file = folder / ("file" + std::to_string(i) + kind);
        std::ofstream out(file, std::ios::binary);
        out.write(bytes.data(), (std::streamsize)bytes.size());
        if (!out) {
            std::fprintf(stderr, "cannot write %s\n", file.c_str());
            return 1;
        }
    }
    std::printf("%llu files, %llu bytes in %s\n", (unsigned long long)count,
                (unsigned long long)written, root.c_str());
    return 0;
}
