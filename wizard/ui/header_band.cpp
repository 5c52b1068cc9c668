// The header band above the pages that have a title: white, with the title in the bold font,
// the subtitle and the small bitmap.
#include <windows.h>

#include "core/wizard_state.h"
#include "ui/pages.h"
#include "ui/resource.h"

INT_PTR CALLBACK HeaderBandProc(HWND band, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)wParam;
    (void)lParam;
    switch (message) {
    case WM_INITDIALOG:
        wizard.headerTitle = GetDlgItem(band, IDC_HEADER_TITLE);
        wizard.headerSubtitle = GetDlgItem(band, IDC_HEADER_SUBTITLE);
        (void)SendMessageA(wizard.headerTitle, WM_SETFONT, (WPARAM)wizard.titleFont, FALSE);
        return 1;
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
        return (INT_PTR)wizard.backgroundBrush;
    }
    return 0;
}
