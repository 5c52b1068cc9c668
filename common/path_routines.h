// The path and name rules of every module: joining, trimming and testing paths and names. Both
// the backslash and the slash are separators when a path is read; the backslash is written.
#pragma once

#include <stddef.h>

enum {
    PATH_SIZE = 260,            // characters of every path buffer, NUL included
    // GetTempFileNameA takes a folder of at most this many characters: the folder, a
    // separator, the file's name and its NUL must fit a path. Windows refuses a longer one,
    // and Wine writes the name past the caller's buffer.
    TEMP_FOLDER_LENGTH_LIMIT = PATH_SIZE - 14,
    // CreateDirectoryA makes no folder whose path, NUL included, is longer than this: there
    // must be room left in a path for an 8.3 name in it.
    FOLDER_PATH_SIZE = PATH_SIZE - 12,
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

// `path` shortened for a message that lists it to at most `limit` characters (at least 16),
// into `shown` of more than `limit` bytes: a longer one keeps its last name whole and as much
// of its start as fits, around "..." where the folders between were; a name too long for
// that keeps its own start and its last 12 characters, without the folders.
void CompactPathText(char* shown, const char* path, size_t limit);

// True for a character that no file or directory name may carry (separators aside).
int IsInvalidPathChar(char c);

// True when `text` holds a character that no file or directory name may carry.
int HasInvalidPathChars(const char* text);

// True when the `length` characters at `name` form one path component that stays in its
// directory and that Windows can name: not empty, "." or "..", without a separator, a drive
// colon, a wildcard or another character that Windows refuses in names (control characters
// too). A name that no file can have would otherwise fail its removal for ever.
int IsPlainComponent(const char* name, size_t length);

// IsPlainComponent for a whole NUL-terminated name.
int IsPlainName(const char* name);

// True when `path` lies below `folder`: it begins with it (ASCII case ignored) and a
// separator follows.
int IsPathInside(const char* path, const char* folder);

// The length of the folders that `first` and `second` share from their start, whole levels
// only and ASCII case ignored: the whole path when both are the same, 0 when not even their
// first names agree.
size_t MeasureSharedFolders(const char* first, const char* second);

// Cuts `path`, `length` characters long, back to the folder that holds its last level, but
// never to fewer than `floor` characters; the new length.
size_t CutToParentFolder(char* path, size_t length, size_t floor);

// True for a relative path of plain names without a separator at either end; a doubled
// separator inside counts as one.
int IsPlainRelativePath(const char* path, size_t length);

enum {
    DRIVE_ROOT_LENGTH = 3,          // "C:\"
};

// The length of the root that `path` starts with: 3 for a drive's "X:\", the length of
// "\\server\share" for a network share (shell folders may be redirected to one); 0 for none.
size_t MeasurePathRoot(const char* path, size_t length);

// True for a path under a drive's "X:\" or a share's "\\server\share" whose rest is empty or
// a plain relative path, shorter than PATH_SIZE.
int IsPlainAbsolutePath(const char* path, size_t length);

// The form in which a typed path is kept: blanks dropped at both ends, then one trailing
// separator dropped, and each run of separators written as one backslash. Works in place.
void NormalisePathText(char* text);
