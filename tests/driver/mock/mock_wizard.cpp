// A stand-in wizard for the driver's self-test: a frame with a header band, a Welcome and a
// Destination page, an error box for an empty destination and the exit confirmation.
#include <windows.h>

#include <initializer_list>

#include "resource.h"

namespace {

HWND frame;
HWND header;
HWND page;
int pageIndex;
HBITMAP picture;

INT_PTR CALLBACK PageProc(HWND window, UINT message, WPARAM, LPARAM)
{
    if (message != WM_INITDIALOG)
        return FALSE;
    for (int id : {IDC_HEADER_BITMAP, IDC_WELCOME_BITMAP}) {
        if (HWND image = GetDlgItem(window, id))
            SendMessageA(image, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture));
    }
    if (HWND path = GetDlgItem(window, IDC_PATH)) {
        SendMessageA(path, EM_LIMITTEXT, 259, 0);
        SetWindowTextA(path, "C:\\Program Files\\Mock");
    }
    return TRUE;
}

void ShowPage(int index)
{
    RECT client;
    GetClientRect(frame, &client);
    RECT line;
    GetWindowRect(GetDlgItem(frame, IDC_SEPARATOR), &line);
    MapWindowPoints(nullptr, frame, reinterpret_cast<POINT*>(&line), 2);
    int top = 0;
    if (index == 1) {
        header = CreateDialogA(nullptr, MAKEINTRESOURCEA(IDD_HEADER), frame, PageProc);
        RECT band;
        GetClientRect(header, &band);
        SetWindowPos(header, nullptr, 0, 0, client.right, band.bottom, SWP_NOZORDER | SWP_SHOWWINDOW);
        top = band.bottom;
    } else if (header) {
        DestroyWindow(header);
        header = nullptr;
    }
    HWND next = CreateDialogA(nullptr, MAKEINTRESOURCEA(index ? IDD_DESTINATION : IDD_WELCOME), frame, PageProc);
    SetWindowPos(next, HWND_TOP, 0, top, client.right, line.top - top, SWP_SHOWWINDOW);
    if (page)
        DestroyWindow(page);
    page = next;
    pageIndex = index;
    ShowWindow(GetDlgItem(frame, IDC_BACK), index ? SW_SHOW : SW_HIDE);
    SendMessageA(frame, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(frame, IDC_NEXT)), TRUE);
}

void AskToLeave()
{
    if (MessageBoxA(frame, "Setup is not complete.\n\nExit Setup?", "Exit Setup",
                    MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES)
        DestroyWindow(frame);
}

INT_PTR CALLBACK FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        frame = window;
        ShowPage(0);
        return FALSE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_NEXT && pageIndex == 0) {
            ShowPage(1);
        } else if (LOWORD(wParam) == IDC_NEXT) {
            if (GetWindowTextLengthA(GetDlgItem(page, IDC_PATH)) == 0)
                MessageBoxA(frame, "Invalid destination directory.", "Setup Error", MB_OK | MB_ICONERROR);
            else
                DestroyWindow(frame);
        } else if (LOWORD(wParam) == IDC_BACK && pageIndex == 1) {
            ShowPage(0);
        } else if (LOWORD(wParam) == IDCANCEL) {
            AskToLeave();
        }
        return TRUE;
    case WM_CLOSE:
        AskToLeave();
        return TRUE;
    case WM_DESTROY:
        PostQuitMessage(0);
        return TRUE;
    }
    return FALSE;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    HDC screen = GetDC(nullptr);
    picture = CreateCompatibleBitmap(screen, 55, 55);
    ReleaseDC(nullptr, screen);
    if (!CreateDialogA(nullptr, MAKEINTRESOURCEA(IDD_FRAME), nullptr, FrameProc))
        return 1;
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageA(frame, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    return 0;
}
