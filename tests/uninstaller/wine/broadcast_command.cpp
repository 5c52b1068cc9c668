// A product's uninstall command for the removal tests: it tells every top-level window that a
// setting changed and waits until each has handled that, as installers' helpers often do.
#include <windows.h>

int main()
{
    // The result is each window's own answer; what counts is that the call comes back.
    SendMessageA(HWND_BROADCAST, WM_SETTINGCHANGE, 0, (LPARAM) "Environment");
    return 0;
}
