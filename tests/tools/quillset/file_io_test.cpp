// Tests of whole-file reading: a file up to the size bound is read whole, and a larger one, or a
// device that never ends, is refused with its name instead of filling memory.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "file_io.h"
#include "test_support.h"

namespace quillset {
namespace {

namespace fs = std::filesystem;

std::string GetReadError(const fs::path& file, std::uint64_t maxSize)
{
    try {
        ReadWholeFile(file, maxSize);
    } catch (const std::runtime_error& error) {
        return error.what();
    }
    return "";
}

TEST(ReadWholeFile, ReadsUpToTheBoundAndRefusesMore)
{
    test::TemporaryFolder folder;
    const fs::path file = folder.GetPath() / "data.bin";
    test::WriteFile(file, std::string(70000, 'x'));
    EXPECT_EQ(ReadWholeFile(file, 70000).size(), 70000u);
    EXPECT_EQ(GetReadError(file, 69999),
              "cannot read " + file.string() + ": it is larger than 69999 bytes, the most it may be");
}

TEST(ReadWholeFile, StopsReadingADeviceWithoutEnd)
{
    // /dev/zero has no size to check up front: the bound must hold while reading.
    EXPECT_EQ(GetReadError("/dev/zero", 100000),
              "cannot read /dev/zero: it is larger than 100000 bytes, the most it may be");
}

}  // namespace
}  // namespace quillset
