// Pieces of bytes laid end to end: each one either held here or borrowed from its owner.
// The package is written from them without copying the file streams into one buffer.
#include "byte_pieces.h"

namespace quillset {

BytePieces BytePieces::Borrowing(std::span<const std::uint8_t> bytes)
{
    BytePieces pieces;
    pieces.AppendBorrowed(bytes);
    return pieces;
}

void BytePieces::Append(std::vector<std::uint8_t> piece)
{
    if (piece.empty())
        return;
    owned.push_back(std::move(piece));
    AppendBorrowed(owned.back());
}

void BytePieces::Append(BytePieces other)
{
    for (std::vector<std::uint8_t>& piece : other.owned)
        owned.push_back(std::move(piece));
    spans.insert(spans.end(), other.spans.begin(), other.spans.end());
    size += other.size;
}

void BytePieces::AppendBorrowed(std::span<const std::uint8_t> piece)
{
    if (piece.empty())
        return;
    spans.push_back(piece);
    size += piece.size();
}

void BytePieces::AppendBorrowed(const BytePieces& other)
{
    // By index, over the pieces there were at the start: `other` may be these pieces.
    const std::size_t count = other.spans.size();
    spans.reserve(spans.size() + count);
    for (std::size_t i = 0; i < count; ++i)
        AppendBorrowed(std::span<const std::uint8_t>(other.spans[i]));
}

std::vector<std::uint8_t> BytePieces::Join() const
{
    std::vector<std::uint8_t> bytes;
    bytes.reserve(size);
    for (const std::span<const std::uint8_t> piece : spans)
        bytes.insert(bytes.end(), piece.begin(), piece.end());
    return bytes;
}

}  // namespace quillset
