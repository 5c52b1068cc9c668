// The wizard's error box: a string-table text, printed with at most one argument, in a box
// owned by the frame with the caption "Setup Error" and the error icon.
#include <windows.h>

#include "common/format.h"
#include "core/wizard.h"
#include "core/wizard_state.h"
#include "ui/resource.h"

enum {
    ERROR_TEXT_SIZE = 500,
    ERROR_CAPTION_SIZE = 80,
};

void ShowSetupError(UINT stringId, const char* argument)
{
    char format[ERROR_TEXT_SIZE];
    char text[ERROR_TEXT_SIZE];
    char caption[ERROR_CAPTION_SIZE];
    if (!LoadStringA(wizard.wizardModule, stringId, format, ERROR_TEXT_SIZE))
        format[0] = 0;
    (void)FormatText(text, ERROR_TEXT_SIZE, format, argument); // a longer text is cut to the box
    if (!LoadStringA(wizard.wizardModule, IDS_SETUP_ERROR, caption, ERROR_CAPTION_SIZE))
        caption[0] = 0;
    (void)MessageBoxA(wizard.frameWindow, text, caption, MB_ICONERROR); // OK is the only answer
}
