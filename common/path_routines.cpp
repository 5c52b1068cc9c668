// Joining, trimming and testing paths. Both the backslash and the slash are separators when a
// path is read; the backslash is written. Freestanding, so the native tests run it too.
#include "common/path_routines.h"

#include "common/text.h"

static const char INVALID_PATH_CHARS[] = "\"*:<>?|";

int IsSeparator(char c)
{
    return c == '\\' || c == '/';
}

int AppendPath(char* base, const char* tail)
{
    size_t tailLength = GetTextLength(tail);
    size_t length = GetTextLength(base);
    if (length == 0)
        return tailLength < PATH_SIZE ? CopyTextBounded(base, PATH_SIZE, tail) : 0;
    if (IsSeparator(base[length - 1]))
        --length;
    int addSeparator = !IsSeparator(tail[0]);
    if (length + addSeparator + tailLength >= PATH_SIZE)
        return 0;
    if (addSeparator)
        base[length++] = '\\';
    CopyBytes(base + length, tail, tailLength + 1);
    return 1;
}

const char* FindLastSeparator(const char* text)
{
    const char* last = text;
    for (const char* at = text; *at; ++at) {
        if (IsSeparator(*at))
            last = at;
    }
    return last;
}

const char* FindFirstSeparator(const char* text)
{
    while (*text && !IsSeparator(*text))
        ++text;
    return text;
}

const char* FindLastComponent(const char* text)
{
    const char* last = FindLastSeparator(text);
    return IsSeparator(*last) ? last + 1 : text;
}

void CompactPathText(char* shown, const char* path, size_t limit)
{
    static const char GAP[] = "...";
    const size_t gap = sizeof(GAP) - 1;
    const size_t nameEndKept = 12; // of a name too long to show whole: its end and extension
    size_t length = GetTextLength(path);
    if (length <= limit) {
        CopyBytes(shown, path, length + 1);
        return;
    }
    const char* separator = FindLastSeparator(path);
    size_t nameStart = IsSeparator(*separator) ? (size_t)(separator - path) + 1 : 0;
    size_t tail = length - nameStart + (nameStart ? 1 : 0); // the name with its separator
    // The path's start and the whole name; or, for a name too long for that, the name's start,
    // which tells it from its neighbours, and its end.
    size_t start = 0;
    size_t end = tail;
    if (tail + gap > limit) {
        start = nameStart;
        end = nameEndKept;
    }
    size_t head = limit - gap - end;
    CopyBytes(shown, path + start, head);
    CopyBytes(shown + head, GAP, gap);
    CopyBytes(shown + head + gap, path + length - end, end + 1);
}

int IsInvalidPathChar(char c)
{
    for (const char* invalid = INVALID_PATH_CHARS; *invalid; ++invalid) {
        if (c == *invalid)
            return 1;
    }
    return 0;
}

int HasInvalidPathChars(const char* text)
{
    for (; *text; ++text) {
        if (IsInvalidPathChar(*text))
            return 1;
    }
    return 0;
}

int IsPlainComponent(const char* name, size_t length)
{
    if (!length)
        return 0;
    if (name[0] == '.' && (length == 1 || (length == 2 && name[1] == '.')))
        return 0;
    for (size_t i = 0; i < length; ++i)
        if (IsSeparator(name[i]) || IsInvalidPathChar(name[i]) || (unsigned char)name[i] < ' ')
            return 0;
    return 1;
}

int IsPlainName(const char* name)
{
    return IsPlainComponent(name, GetTextLength(name));
}

static int IsDriveLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

int IsPathInside(const char* path, const char* folder)
{
    size_t length = GetTextLength(folder);
    return length > 0 && HasPrefixIgnoringCase(path, folder, length) && IsSeparator(path[length]);
}

size_t MeasureSharedFolders(const char* first, const char* second)
{
    size_t shared = 0;
    for (size_t at = 0;; ++at) {
        int firstLevelEnds = !first[at] || IsSeparator(first[at]);
        if (firstLevelEnds && (!second[at] || IsSeparator(second[at])))
            shared = at;
        if (!first[at] || !HasPrefixIgnoringCase(first + at, second + at, 1))
            return shared;
    }
}

size_t CutToParentFolder(char* path, size_t length, size_t floor)
{
    while (length > floor && !IsSeparator(path[length - 1]))
        --length;
    if (length > floor)
        --length;
    path[length] = 0;
    return length;
}

int IsPlainRelativePath(const char* path, size_t length)
{
    if (!length || IsSeparator(path[0]) || IsSeparator(path[length - 1]))
        return 0;
    // A doubled separator inside names the same folder; logs written before the wizard kept
    // typed paths in one spelling may hold one.
    size_t start = 0;
    while (start < length) {
        size_t end = start;
        while (end < length && !IsSeparator(path[end]))
            ++end;
        if (end > start && !IsPlainComponent(path + start, end - start))
            return 0;
        start = end + 1;
    }
    return 1;
}

// The end of the plain name that starts at `start`, or 0 when none does.
static size_t EndOfComponent(const char* path, size_t length, size_t start)
{
    size_t end = start;
    while (end < length && !IsSeparator(path[end]))
        ++end;
    return end > start && IsPlainComponent(path + start, end - start) ? end : 0;
}

size_t MeasurePathRoot(const char* path, size_t length)
{
    if (length >= 3 && IsDriveLetter(path[0]) && path[1] == ':' && IsSeparator(path[2]))
        return DRIVE_ROOT_LENGTH;
    if (length < 2 || !IsSeparator(path[0]) || !IsSeparator(path[1]))
        return 0;
    size_t server = EndOfComponent(path, length, 2);
    if (!server || server == length)
        return 0;
    return EndOfComponent(path, length, server + 1);
}

int IsPlainAbsolutePath(const char* path, size_t length)
{
    if (length >= PATH_SIZE)
        return 0;
    size_t root = MeasurePathRoot(path, length);
    if (!root || length == root)
        return root != 0;
    // A drive's root ends in its separator; a share's, at least five characters, is followed
    // by one.
    if (root == DRIVE_ROOT_LENGTH)
        return IsPlainRelativePath(path + root, length - root);
    return IsSeparator(path[root]) && IsPlainRelativePath(path + root + 1, length - root - 1);
}

void NormalisePathText(char* text)
{
    size_t start = 0;
    while (text[start] == ' ')
        ++start;
    size_t length = GetTextLength(text + start);
    while (length > 0 && text[start + length - 1] == ' ')
        --length;
    if (length > 0 && IsSeparator(text[start + length - 1]))
        --length;
    // One spelling for one folder, so that a folder typed with slashes or a doubled
    // separator is the one recorded: each run of separators becomes one backslash.
    size_t kept = 0;
    for (size_t i = start; i < start + length; ++i) {
        if (!IsSeparator(text[i]))
            text[kept++] = text[i];
        else if (kept == 0 || text[kept - 1] != '\\')
            text[kept++] = '\\';
    }
    text[kept] = 0;
}
