// Bytes kept end to end in the pieces they were made in: an installer of many megabytes is
// written from its streams' own buffers, not copied into one more buffer of its size.
#pragma once

#include <cstdint>
#include <span>
#include <utility>
#include <vector>

namespace quillset {

class BytePieces {
public:
    BytePieces() = default;
    explicit BytePieces(std::vector<std::uint8_t> bytes) { Append(std::move(bytes)); }
    // Pieces of `bytes` without a copy: they must outlive the pieces.
    static BytePieces Borrowing(std::span<const std::uint8_t> bytes);

    // A moved-from BytePieces is empty, so that its size still tells its bytes.
    BytePieces(BytePieces&& other) noexcept
        : spans(std::exchange(other.spans, {})), owned(std::exchange(other.owned, {})),
          size(std::exchange(other.size, 0))
    {
    }
    BytePieces& operator=(BytePieces&& other) noexcept
    {
        spans = std::exchange(other.spans, {});
        owned = std::exchange(other.owned, {});
        size = std::exchange(other.size, 0);
        return *this;
    }
    BytePieces(const BytePieces&) = delete;
    BytePieces& operator=(const BytePieces&) = delete;

    // Takes `piece` over; its bytes stay where they are, as a moved vector keeps its buffer.
    void Append(std::vector<std::uint8_t> piece);
    // Adds every piece of `other`, taking over the ones it holds.
    void Append(BytePieces other);
    // Adds `piece` without a copy: its bytes must outlive these pieces.
    void AppendBorrowed(std::span<const std::uint8_t> piece);
    // Adds every piece of `other`, borrowed: `other` must outlive these pieces.
    void AppendBorrowed(const BytePieces& other);

    std::uint64_t Size() const { return size; }
    const std::vector<std::span<const std::uint8_t>>& Spans() const { return spans; }
    std::vector<std::uint8_t> Join() const;

private:
    std::vector<std::span<const std::uint8_t>> spans;
    std::vector<std::vector<std::uint8_t>> owned;
    std::uint64_t size = 0;
};

}  // namespace quillset
