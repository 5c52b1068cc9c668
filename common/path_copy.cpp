// The heap copy of a path, kept apart from the other path routines because it alone needs
// the module's memory routines.
#include "common/memory.h"
#include "common/path_routines.h"
#include "common/text.h"

char* DuplicatePath(const char* text)
{
    size_t length = GetTextLength(text);
    if (length == 0)
        return 0;
    char* copy = (char*)MemAlloc(length + 1);
    if (!copy)
        return 0;
    CopyBytes(copy, text, length + 1);
    if (IsSeparator(copy[length - 1]))
        copy[length - 1] = 0;
    return copy;
}
