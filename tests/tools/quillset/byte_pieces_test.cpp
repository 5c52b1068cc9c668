// Tests of bytes kept in pieces: pieces taken over outlive the BytePieces they came from, a
// moved-from one is empty, one may borrow its own pieces, and a file is written piece by piece.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "byte_pieces.h"
#include "file_io.h"
#include "test_support.h"

namespace quillset {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes ToBytes(const std::string& text)
{
    return Bytes(text.begin(), text.end());
}

TEST(BytePieces, KeepsTheBytesOfPiecesTakenOverAndEmptiesWhatItIsMovedFrom)
{
    const Bytes borrowed = ToBytes("-borrowed-");
    BytePieces pieces;
    {
        BytePieces first(ToBytes("first"));
        first.AppendBorrowed(borrowed);
        first.Append(Bytes{});
        pieces.Append(std::move(first));
        EXPECT_EQ(first.Size(), 0u);
        EXPECT_TRUE(first.Join().empty());
        first.Append(ToBytes("again"));
        EXPECT_EQ(first.Size(), first.Join().size());
    }
    pieces.Append(ToBytes("last"));
    pieces.AppendBorrowed(pieces);
    const Bytes once = ToBytes("first-borrowed-last");
    Bytes twice = once;
    twice.insert(twice.end(), once.begin(), once.end());
    EXPECT_EQ(pieces.Join(), twice);
    EXPECT_EQ(pieces.Size(), twice.size());
}

TEST(BytePieces, AreWrittenToAFileInTheirOrder)
{
    test::TemporaryFolder folder;
    const std::filesystem::path file = folder.GetPath() / "Setup.exe";
    const Bytes large(200000, 'l');
    BytePieces pieces(ToBytes("head"));
    pieces.AppendBorrowed(large);
    pieces.Append(ToBytes("tail"));
    WriteFileAtomically(file, pieces);
    EXPECT_EQ(test::ReadBytes(file), pieces.Join());
}

}  // namespace
}  // namespace quillset
