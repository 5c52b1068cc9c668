// The folder picker's two-line title: the page's prompt, then the line that names the folder
// that will be added to the chosen path. Freestanding, so the native tests check the cut.
#pragma once

#include <stddef.h>

enum {
    PICKER_TITLE_SIZE = 260,        // characters of the title, NUL included
    PICKER_NAME_LINE_SIZE = 100,    // characters of the second line's format
};

// `prompt` followed by `nameLine` printed with `name`, cut to `size` bytes when longer.
// 1 when the whole title fit, 0 when it was cut.
int BuildPickerTitle(char* title, size_t size, const char* prompt, const char* nameLine,
                     const char* name);
