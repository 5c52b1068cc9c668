// What the driver sees of a running Setup.exe: its wizard frame, header band and current page
// (told apart by their control ids), and the message boxes it shows.
#pragma once

#include <windows.h>

#include <string>

// How long the driver waits for the wizard to answer one message.
const UINT SEND_TIMEOUT_MS = 5000;

enum class PageKind { None, Welcome, Info, Destination, StartMenu, Ready, Installing, Finish, Unknown };

// Control ids of the frame and pages.
enum {
    ID_CANCEL = 2,
    ID_HEADER_TITLE = 1000,
    ID_INFO_TEXT = 1001,
    ID_WELCOME_TITLE = 1002,
    ID_WELCOME_TEXT = 1003,
    ID_PATH_EDIT = 1004,
    ID_BACK = 1005,
    ID_PHASE = 1008,
    ID_FILE = 1009,
    ID_NO_MENU_FOLDER = 1010,
    ID_PROGRESS = 1012,
    ID_LAUNCH = 1013,
    ID_SEPARATOR = 1014,
    ID_NEXT = 1015,
    ID_DESKTOP_ICON = 1016,
    ID_QUICK_LAUNCH_ICON = 1017,
    ID_BROWSE = 1023,
    ID_NOTICE = 1024,
    ID_STARTUP_ICON = 1025,
    ID_REQUIRED_SPACE = 1026,
    ID_MESSAGE_TEXT = 0xFFFF,
};

struct WizardView {
    HWND frame = nullptr;
    HWND header = nullptr;
    HWND page = nullptr;    // the one page window, when exactly one is shown
    int pageWindows = 0;    // page windows found (two for a moment while pages change)
    PageKind kind = PageKind::None;
};

const char* NamePageKind(PageKind kind);
bool ParsePageKind(const std::string& name, PageKind& kind);

// True when a static control of `parent` shows a loaded bitmap.
bool HasBitmap(HWND parent);

// The wizard frame of process `processId`: a top-level dialog with the Next button.
HWND FindFrame(DWORD processId);
// A shown top-level dialog of the process other than the frame (message box, folder picker).
HWND FindOtherDialog(DWORD processId, HWND frame);
// The first visible top-level window of the process, or null.
HWND FindShownWindow(DWORD processId);
// The thread of the process's first top-level window, shown or hidden, or 0 without one.
DWORD FindWindowThread(DWORD processId);
// True while the process has a visible top-level window.
bool HasVisibleWindow(DWORD processId);
WizardView ReadWizard(DWORD processId);

// Texts and facts of windows in another process.
std::string ReadText(HWND window);
// The window's text; false when it does not answer (busy long, or destroyed meanwhile).
bool TryReadText(HWND window, std::string& text);
// Whether a check box is ticked; false when it does not answer.
bool ReadCheck(HWND box, bool& checked);
std::string ReadClass(HWND window);
// A control with `id` anywhere below `parent` (pages sit inside the frame).
HWND FindControl(HWND parent, int id);
// The ids of the controls directly inside `parent`, for failure reports.
std::string ListControls(HWND parent);
