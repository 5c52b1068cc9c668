// Bounded text formatting: a format with one string argument, numbers, the required-space
// text. Nothing is ever written past the buffer; a text that does not fit is cut.
#pragma once

#include <stddef.h>
#include <stdint.h>

enum {
    REQUIRED_SPACE_TEXT_SIZE = 20,  // "%lu KB" of any 32-bit total
    HANDLE_TEXT_SIZE = 16,          // a window handle in hexadecimal
    NUMBER_TEXT_SIZE = 11,          // any 32-bit number in decimal, NUL included
};

// Prints `format` into `buffer` of `size` bytes (size > 0): each "%s" becomes `argument`
// and "%%" one percent sign; with a null argument the format is copied unchanged. Returns
// 1 when the whole text fit, 0 when it was cut to the buffer.
int FormatText(char* buffer, size_t size, const char* format, const char* argument);

// `value` in decimal (base 10) or upper-case hexadecimal (base 16) without leading zeros;
// 1 when it fit, otherwise 0 and the buffer holds the empty text.
int FormatNumber(char* buffer, size_t size, uint32_t value, unsigned base);

// Bytes rounded up to whole kilobytes, without the sum overflowing near 4 GiB.
uint32_t RoundUpToKilobytes(uint32_t bytes);

// "N KB" with N the total size rounded up to whole kilobytes, into REQUIRED_SPACE_TEXT_SIZE.
void FormatRequiredSpace(char* buffer, uint32_t totalSize);
