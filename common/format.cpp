// Bounded text formatting: a format with one string argument, numbers, the required-space
// text. Nothing is ever written past the buffer; a text that does not fit is cut.
#include "common/format.h"

#include "common/text.h"

enum { DIGITS_MAX = 32 };

static const char DIGITS[] = "0123456789ABCDEF";
static const char KILOBYTES_SUFFIX[] = " KB";

int FormatText(char* buffer, size_t size, const char* format, const char* argument)
{
    if (!argument)
        return CopyTextBounded(buffer, size, format);
    size_t length = 0;
    for (const char* at = format; *at; ++at) {
        const char* piece = at;
        size_t pieceLength = 1;
        if (at[0] == '%' && at[1] == 's') {
            piece = argument;
            pieceLength = GetTextLength(argument);
            ++at;
        } else if (at[0] == '%' && at[1] == '%') {
            ++at;
        }
        if (pieceLength >= size - length) {
            CopyBytes(buffer + length, piece, size - 1 - length);
            buffer[size - 1] = 0;
            return 0;
        }
        CopyBytes(buffer + length, piece, pieceLength);
        length += pieceLength;
    }
    buffer[length] = 0;
    return 1;
}

int FormatNumber(char* buffer, size_t size, uint32_t value, unsigned base)
{
    char digits[DIGITS_MAX];
    size_t count = 0;
    do {
        digits[count++] = DIGITS[value % base];
        value /= base;
    } while (value);
    if (count >= size) {
        buffer[0] = 0;
        return 0;
    }
    for (size_t i = 0; i < count; ++i)
        buffer[i] = digits[count - 1 - i];
    buffer[count] = 0;
    return 1;
}

uint32_t RoundUpToKilobytes(uint32_t bytes)
{
    return bytes / 1024 + (bytes % 1024 != 0);
}

void FormatRequiredSpace(char* buffer, uint32_t totalSize)
{
    // 10 digits always fit.
    (void)FormatNumber(buffer, REQUIRED_SPACE_TEXT_SIZE, RoundUpToKilobytes(totalSize), 10);
    size_t length = GetTextLength(buffer);
    CopyBytes(buffer + length, KILOBYTES_SUFFIX, sizeof(KILOBYTES_SUFFIX));
}
