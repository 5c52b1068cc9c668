// Inkwell, the sample product: a window that holds the named event "InkwellRunning" while it
// is open, so that its setup can see it running. "/cleanup" removes what it keeps in the registry.
#include <windows.h>

#include "resource.h"

enum { TEXT_SIZE = 256 };

static const char RUNNING_EVENT[] = "InkwellRunning";
static const char VENDOR_KEY[] = "Software\\Quillset Samples";
static const char SETTINGS_KEY[] = "Software\\Quillset Samples\\Inkwell";
static const char WINDOW_CLASS[] = "InkwellWindow";

// True when the command line holds `option` as a word of its own.
static BOOL HasOption(const char* commandLine, const char* option)
{
    for (const char* at = commandLine; *at; ++at) {
        const char* a = at;
        const char* b = option;
        while (*b && *a == *b) {
            ++a;
            ++b;
        }
        if (!*b && (*a == 0 || *a == ' ') && (at == commandLine || at[-1] == ' '))
            return TRUE;
    }
    return FALSE;
}

// Counts the program's starts under its settings key, the one thing "/cleanup" undoes.
static void CountStart(void)
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, SETTINGS_KEY, 0, NULL, 0, KEY_READ | KEY_WRITE, NULL,
                        &key, NULL) != ERROR_SUCCESS)
        return;
    DWORD starts = 0;
    DWORD size = sizeof(starts);
    if (RegQueryValueExA(key, "Starts", NULL, NULL, (BYTE*)&starts, &size) != ERROR_SUCCESS)
        starts = 0;
    ++starts;
    (void)RegSetValueExA(key, "Starts", 0, REG_DWORD, (const BYTE*)&starts, sizeof(starts));
    (void)RegCloseKey(key); // nothing to do if closing fails
}

// Removes the settings key and then the vendor key above it when nothing else is left there.
static BOOL RemoveSettings(void)
{
    LONG result = RegDeleteKeyA(HKEY_CURRENT_USER, SETTINGS_KEY);
    if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND)
        return FALSE;
    HKEY vendor;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, VENDOR_KEY, 0, KEY_READ, &vendor) != ERROR_SUCCESS)
        return TRUE; // no vendor key: nothing more to remove
    DWORD subkeys = 0;
    DWORD values = 0;
    BOOL isEmpty = RegQueryInfoKeyA(vendor, NULL, NULL, NULL, &subkeys, NULL, NULL, &values,
                                    NULL, NULL, NULL, NULL) == ERROR_SUCCESS &&
                   subkeys == 0 && values == 0;
    (void)RegCloseKey(vendor); // nothing to do if closing fails
    // Older systems delete a key with all its subkeys, so only an empty one is removed.
    return !isEmpty || RegDeleteKeyA(HKEY_CURRENT_USER, VENDOR_KEY) == ERROR_SUCCESS;
}

static LRESULT CALLBACK InkwellWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        if (dc) {
            char text[TEXT_SIZE];
            if (LoadStringA(GetModuleHandleA(NULL), IDS_RUNNING, text, TEXT_SIZE)) {
                RECT area;
                GetClientRect(window, &area);
                InflateRect(&area, -16, -16);
                DrawTextA(dc, text, -1, &area, DT_WORDBREAK);
            }
            EndPaint(window, &paint);
        }
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

static int RunInkwell(HINSTANCE instance)
{
    if (HasOption(GetCommandLineA(), "/cleanup"))
        return RemoveSettings() ? 0 : 1;

    // Held open for the program's whole life: setup checks for it by name.
    HANDLE runningEvent = CreateEventA(NULL, TRUE, FALSE, RUNNING_EVENT);
    if (!runningEvent)
        return 1;
    CountStart();

    char title[TEXT_SIZE];
    if (!LoadStringA(instance, IDS_TITLE, title, TEXT_SIZE))
        return 1;
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = InkwellWindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(NULL, (LPCSTR)IDC_ARROW);
    windowClass.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    windowClass.lpszClassName = WINDOW_CLASS;
    if (!RegisterClassA(&windowClass))
        return 1;
    HWND window = CreateWindowExA(0, WINDOW_CLASS, title, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                  CW_USEDEFAULT, 420, 200, NULL, NULL, instance, NULL);
    if (!window)
        return 1;
    // The show command its starter asked for, as a runtime's WinMain would pass it: Wine's
    // SW_SHOWDEFAULT shows the window normally whatever the starter asked.
    STARTUPINFOA startup;
    GetStartupInfoA(&startup);
    int show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : SW_SHOWDEFAULT;
    (void)ShowWindow(window, show); // gives the old visibility

    MSG message;
    while (GetMessageA(&message, NULL, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    (void)CloseHandle(runningEvent); // the process ends next; the system closes it anyway
    return (int)message.wParam;
}

extern "C" void InkwellEntry(void)
{
    ExitProcess((UINT)RunInkwell(GetModuleHandleA(NULL)));
}
