// Starts uninst.exe as a user would, answers its message boxes and checks their texts and the
// exit code:  uninstall_watch running|decline|confirm UNINST_EXE
// "running" holds the product's event first, so the uninstaller must refuse.
#include <windows.h>

#include <stdio.h>
#include <string.h>
#include <string>

namespace {

const char EVENT_NAME[] = "SmokeEvent";
const int MESSAGE_TEXT_ID = 0xFFFF;     // the static control of a message box that holds its text
const DWORD BOX_TIMEOUT = 30000;
const DWORD POLL_INTERVAL = 50;

struct BoxSearch {
    DWORD processId;
    HWND box;
};

BOOL CALLBACK MatchBox(HWND window, LPARAM parameter)
{
    BoxSearch* search = (BoxSearch*)parameter;
    DWORD owner = 0;
    char className[32];
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || !IsWindowVisible(window) ||
        !GetClassNameA(window, className, sizeof(className)) || strcmp(className, "#32770") ||
        !GetDlgItem(window, MESSAGE_TEXT_ID))
        return TRUE;
    search->box = window;
    return FALSE;
}

// The uninstaller's next message box and its text; null when none came in time.
HWND WaitForBox(const PROCESS_INFORMATION& process, std::string* text)
{
    for (DWORD waited = 0; waited < BOX_TIMEOUT; waited += POLL_INTERVAL) {
        BoxSearch search = {process.dwProcessId, NULL};
        EnumWindows(MatchBox, (LPARAM)&search);
        if (search.box) {
            char buffer[4096];
            GetDlgItemTextA(search.box, MESSAGE_TEXT_ID, buffer, sizeof(buffer));
            *text = buffer;
            return search.box;
        }
        if (WaitForSingleObject(process.hProcess, POLL_INTERVAL) == WAIT_OBJECT_0)
            return NULL;
    }
    return NULL;
}

bool AnswerBox(const PROCESS_INFORMATION& process, const char* expected, int button)
{
    std::string text;
    HWND box = WaitForBox(process, &text);
    if (!box) {
        printf("FAIL: no message box with \"%s\"\n", expected);
        return false;
    }
    printf("box: %s\n", text.c_str());
    bool found = text.find(expected) != std::string::npos;
    if (!found)
        printf("FAIL: expected \"%s\"\n", expected);
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), (LPARAM)GetDlgItem(box, button));
    // The next box is looked for only once this one is gone.
    for (DWORD waited = 0; IsWindow(box) && waited < BOX_TIMEOUT; waited += POLL_INTERVAL)
        Sleep(POLL_INTERVAL);
    return found;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        printf("usage: uninstall_watch running|decline|confirm UNINST_EXE\n");
        return 2;
    }
    std::string mode = argv[1];
    HANDLE event = NULL;
    if (mode == "running")
        event = CreateEventA(NULL, TRUE, FALSE, EVENT_NAME);
    std::string command = std::string("\"") + argv[2] + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(NULL, &command[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup,
                        &process)) {
        printf("FAIL: cannot start %s\n", argv[2]);
        return 1;
    }
    bool passed;
    DWORD expectedCode;
    if (mode == "running") {
        passed = AnswerBox(process, "Smoke is currently running.", IDOK);
        expectedCode = 2;
    } else if (mode == "decline") {
        passed = AnswerBox(process, "completely remove Smoke 1.0", IDNO);
        expectedCode = 3;
    } else {
        passed = AnswerBox(process, "completely remove Smoke 1.0", IDYES) &&
                 AnswerBox(process, "Smoke was successfully removed", IDOK);
        expectedCode = 0;
    }
    DWORD code = 0;
    if (WaitForSingleObject(process.hProcess, BOX_TIMEOUT) != WAIT_OBJECT_0) {
        printf("FAIL: the uninstaller did not end\n");
        TerminateProcess(process.hProcess, 1);
        passed = false;
    } else if (GetExitCodeProcess(process.hProcess, &code) && code != expectedCode) {
        printf("FAIL: exit code %lu, expected %lu\n", code, expectedCode);
        passed = false;
    }
    if (event)
        CloseHandle(event);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return passed ? 0 : 1;
}
