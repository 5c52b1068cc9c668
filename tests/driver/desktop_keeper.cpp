// Holds the Wine session's desktop until the session ends, so that Wine starts its desktop
// process once, for this program, instead of for the first test that opens a window.
// Started by a test's program, the desktop process keeps that test's error output open for as
// long as windows come and go, and ctest waits for the output to end.
//   desktop_keeper READY_FILE     (creates READY_FILE once the desktop is there, then sleeps)
#include <windows.h>

int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    if (!GetDesktopWindow())
        return 1;
    HANDLE ready = CreateFileA(argv[1], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (ready == INVALID_HANDLE_VALUE)
        return 1;
    CloseHandle(ready);
    Sleep(INFINITE); // ended with the session's wineserver
    return 0;
}
