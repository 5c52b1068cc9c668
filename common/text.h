// The memory and string routines of the runtime modules, in place of the C runtime's.
// Freestanding: the same code runs in Wizard.dll, uninst.exe and the native unit tests.
#pragma once

#include <stddef.h>

// Copies `count` bytes forward; returns `destination`.
void* CopyBytes(void* destination, const void* source, size_t count);

// Fills `count` bytes with `value`; returns `destination`.
void* FillBytes(void* destination, int value, size_t count);

// 0 when the first `count` bytes agree, else the difference of the first unequal pair.
int CompareBytes(const void* first, const void* second, size_t count);

// Characters before the terminating NUL.
size_t GetTextLength(const char* text);

// Copies `source` with its NUL into `destination` of `size` bytes (size > 0), cut to the
// buffer when it is longer; the result always ends in NUL. 1 when all of it fit, 0 when cut.
int CopyTextBounded(char* destination, size_t size, const char* source);

// The order of two texts, ignoring ASCII case: below, at or above 0.
int CompareIgnoringCase(const char* first, const char* second);

// True when the first `count` characters of `text` and `prefix` agree, ignoring ASCII case.
int HasPrefixIgnoringCase(const char* text, const char* prefix, size_t count);
