// The Welcome page: the large heading and the product lines beside the side bitmap, on white.
// It has nothing to check: Next always goes on.
#include <windows.h>

#include "core/wizard_state.h"
#include "ui/frame.h"
#include "ui/pages.h"
#include "ui/resource.h"

INT_PTR CALLBACK WelcomePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)wParam;
    (void)lParam;
    switch (message) {
    case WM_INITDIALOG:
        (void)SendDlgItemMessageA(page, IDC_WELCOME_TITLE, WM_SETFONT, (WPARAM)wizard.welcomeFont,
                                  FALSE);
        SetControlText(page, IDC_WELCOME_TITLE, 0, wizard.productShortName);
        SetControlText(page, IDC_WELCOME_TEXT, 0, wizard.productName);
        return 1;
    case WM_PAGE_NEXT:
    case WM_PAGE_BACK:
        return 1;
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
        return (INT_PTR)wizard.backgroundBrush;
    }
    return 0;
}
