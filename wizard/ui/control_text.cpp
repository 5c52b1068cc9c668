// Texts of the frame's controls: button captions and the formatted texts that every page
// sets, printed with the product name and cut to their buffers.
#include <windows.h>

#include "common/format.h"
#include "core/wizard_state.h"
#include "ui/frame.h"

enum { CONTROL_TEXT_SIZE = 512 };

void SetControlText(HWND window, int controlId, UINT stringId, const char* argument)
{
    HWND target = controlId ? GetDlgItem(window, controlId) : window;
    char format[CONTROL_TEXT_SIZE];
    char text[CONTROL_TEXT_SIZE];
    int length = stringId ? LoadStringA(wizard.wizardModule, stringId, format, CONTROL_TEXT_SIZE)
                          : GetWindowTextA(target, format, CONTROL_TEXT_SIZE);
    if (length <= 0)
        format[0] = 0;
    (void)FormatText(text, CONTROL_TEXT_SIZE, format, argument); // longer texts are cut
    (void)SetWindowTextA(target, text); // a missing control simply shows nothing
}

void SetButton(HWND button, UINT captionId)
{
    if (!captionId) {
        (void)ShowWindow(button, SW_HIDE); // returns the previous visibility
        return;
    }
    SetControlText(button, 0, captionId, NULL);
    (void)ShowWindow(button, SW_SHOW);
}
