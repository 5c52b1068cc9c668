// Esc, Enter and Tab for the frame while the focus is in a page's multi-line text box: such a
// box claims every key, and would keep them or send them to its page, which has no buttons.
#include <windows.h>

#include "ui/pages.h"

// The system's edit procedure, the same for every edit control.
static WNDPROC editProcedure;

static LRESULT CALLBACK TextBoxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = CallWindowProcA(editProcedure, box, message, wParam, lParam);
    if (message != WM_GETDLGCODE || !lParam)
        return result;
    // The frame's dialog handling then sees the three keys: Esc asks the exit question, Enter
    // presses the default button, Tab moves the focus on, as it does from any other control.
    const MSG* key = (const MSG*)lParam;
    if (key->message == WM_KEYDOWN &&
        (key->wParam == VK_ESCAPE || key->wParam == VK_RETURN || key->wParam == VK_TAB))
        result &= ~(LRESULT)(DLGC_WANTALLKEYS | DLGC_WANTTAB);
    return result;
}

void LeaveDialogKeysToFrame(HWND box)
{
    WNDPROC procedure = (WNDPROC)GetWindowLongPtrA(box, GWLP_WNDPROC);
    if (!procedure)
        return; // the box keeps every key, as it would without this routine
    editProcedure = procedure;
    (void)SetWindowLongPtrA(box, GWLP_WNDPROC, (LONG_PTR)TextBoxProc); // gives the known one
}
