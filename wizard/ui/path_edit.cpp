// Reading a path edit field of the Destination and Start Menu pages in its kept form.
// The kept form is what the checks and the Ready page see, whatever the user typed.
#include <windows.h>

#include "common/path_routines.h"
#include "ui/pages.h"

void ReadPathEdit(HWND edit, char* result)
{
    if (GetWindowTextA(edit, result, PATH_SIZE) <= 0)
        result[0] = 0;
    NormalisePathText(result);
}
