// The floor of the start-time benchmark: the least a Win32 program does to show a dialog,
// built like the launcher (no language runtime), to set Setup.exe's start time against.
#include <windows.h>

#include "floor_resource.h"

static INT_PTR CALLBACK FloorDialogProc(HWND dialog, UINT message, WPARAM, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        return TRUE;
    case WM_CLOSE:
        (void)DestroyWindow(dialog); // the loop ends with WM_DESTROY either way
        return TRUE;
    case WM_DESTROY:
        PostQuitMessage(0);
        return TRUE;
    }
    return FALSE;
}

extern "C" void FloorEntry(void)
{
    HWND dialog = CreateDialogParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDD_FLOOR), NULL,
                                     FloorDialogProc, 0);
    if (!dialog)
        ExitProcess(1);
    MSG message;
    while (GetMessageA(&message, NULL, 0, 0) > 0) {
        if (!IsDialogMessageA(dialog, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    ExitProcess(0);
}
