// The Installing page. Until the install engine exists it only shows its status lines and
// progress bar: it starts no work and may not be left forward, since nothing was installed.
#include <windows.h>

#include "install/installing_page.h"

INT_PTR CALLBACK InstallingPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)page;
    (void)wParam;
    (void)lParam;
    return message == WM_INITDIALOG;
}
