// The launcher's only user interface: an error box with one of its own texts, the caption
// "Setup Error" and no owner window.
#include "launcher.h"
#include "resource.h"

enum {
    ERROR_TEXT_SIZE = 500,
    ERROR_CAPTION_SIZE = 80,
};

void ShowLauncherError(UINT stringId)
{
    char text[ERROR_TEXT_SIZE];
    if (LoadStringA(launcherModule, stringId, text, ERROR_TEXT_SIZE) == 0) {
        text[0] = '\0';
    }
    char caption[ERROR_CAPTION_SIZE];
    if (LoadStringA(launcherModule, IDS_SETUP_ERROR, caption, ERROR_CAPTION_SIZE) == 0) {
        caption[0] = '\0';
    }
    (void)MessageBoxA(nullptr, text, caption, MB_ICONERROR);  // OK is the only answer
}
