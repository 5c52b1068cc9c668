// The Finish page: the closing text and, when the package has a program to launch, the
// "Launch" check box, ticked on every visit. The frame's Finish action reads it.
#include <windows.h>

#include "core/wizard_state.h"
#include "ui/frame.h"
#include "ui/pages.h"
#include "ui/resource.h"

INT_PTR CALLBACK FinishPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)wParam;
    (void)lParam;
    switch (message) {
    case WM_INITDIALOG:
        SetControlText(page, IDC_FINISH_TEXT, 0, wizard.productShortName);
        if (GetHeaderField(FIELD_LAUNCH_ENTRY))
            (void)CheckDlgButton(page, IDC_LAUNCH, BST_CHECKED); // the box exists in the template
        else
            (void)ShowWindow(GetDlgItem(page, IDC_LAUNCH), SW_HIDE); // gives the old visibility
        SetControlText(page, IDC_LAUNCH, 0, wizard.productShortName);
        return 1;
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
        return (INT_PTR)wizard.backgroundBrush;
    }
    return 0;
}
