// The folder picker's two-line title: the page's prompt, then the line that names the folder
// that will be added to the chosen path. Freestanding, so the native tests check the cut.
#include "picker_title.h"

#include "common/format.h"
#include "common/text.h"

int BuildPickerTitle(char* title, size_t size, const char* prompt, const char* nameLine,
                     const char* name)
{
    if (!CopyTextBounded(title, size, prompt))
        return 0;
    size_t length = GetTextLength(title);
    return FormatText(title + length, size - length, nameLine, name);
}
