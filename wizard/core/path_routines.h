// Joining, trimming and testing paths. Both the backslash and the slash are separators when a
// path is read; the backslash is written. Freestanding, so the native tests run it too.
#pragma once

#include <stddef.h>

enum {
    PATH_SIZE = 260,            // characters of every path buffer, NUL included
};

int IsSeparator(char c);

// A heap copy of `text` without the one trailing separator it may have; null for an empty
// text or when the heap has no room.
char* DuplicatePath(const char* text);

// Joins `tail` to the path in `base` (a PATH_SIZE buffer) with one separator between them
// when each side brings at most one. An empty base gives the tail as it is. A result that
// would not fit is refused: 0, and `base` stays as it was.
int AppendPath(char* base, const char* tail);

// The last separator of `text`, or its first character when there is none.
const char* FindLastSeparator(const char* text);

// The first separator of `text`, or its terminating NUL when there is none.
const char* FindFirstSeparator(const char* text);

// The text after the last separator, or the whole text when it has none.
const char* FindLastComponent(const char* text);

// True when `text` holds a character that no file or directory name may carry.
int HasInvalidPathChars(const char* text);

// The form in which a typed path is kept: blanks dropped at both ends, then one trailing
// separator dropped. Works in place.
void NormalisePathText(char* text);
