// Starts uninst.exe as a user would, answers its message boxes and checks their texts and the
// exit code:  uninstall_watch running|running-other|setup-running|decline|confirm|twice|kept|holding|holding-long|holding-plugins|holding-link|elsewhere|silent|answer
//             UNINST_EXE [SHORT_NAME DISPLAY_NAME]
// "running" holds the product's event first, so the uninstaller must refuse; "running-other" holds
// one that the uninstaller may not open with every right, as a product running elevated; "setup-running"
// owns the product's setup lock, as a Setup of it does, so the uninstaller must refuse; "kept" confirms and
// expects the closing message that lists the folders kept for the user's files; "holding" keeps app.exe beside UNINST_EXE
// open, so that it is listed as removed at the next restart, and "holding-long" keeps it open
// until the temporary copy has ended, "holding-plugins" with every file of
// docs\plugins; "holding-link" keeps the fake
// installation's Start Menu shortcut open, which no restart removes, so the closing message must
// say that the uninstaller stays for another run; "elsewhere" expects the refusal of
// a log that names another folder; "twice" starts the uninstaller silently a second time while
// the first one's closing message is open, which must be refused; "silent" expects no box at all. "answer" expects nothing: it
// answers a question Yes and any other box OK until the uninstaller ends, printing each box as
// "question: TEXT" or "message: TEXT" and then "exit code: N", for quillset try to judge. A UNINST_EXE that starts with a quote is a whole command line, as the registry's
// UninstallString and QuietUninstallString hold it, and is run as it reads.
#include <windows.h>

#include <stdio.h>
#include <string.h>
#include <string>
#include <vector>

#include "restricted_event.h"

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

// The uninstaller's next message box and its text; null when none came in time or it ended.
HWND WaitForBox(const PROCESS_INFORMATION& process, std::string* text, DWORD limit = BOX_TIMEOUT)
{
    for (DWORD waited = 0; limit == INFINITE || waited < limit; waited += POLL_INTERVAL) {
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

// The box's title is `title`, when given, and the whole box lies on the screen, where its
// text can be read and its buttons pressed.
bool CheckBoxFrame(HWND box, const char* title)
{
    bool passed = true;
    char caption[256] = "";
    GetWindowTextA(box, caption, sizeof(caption));
    if (title && strcmp(caption, title)) {
        printf("FAIL: the box's title is \"%s\", not \"%s\"\n", caption, title);
        passed = false;
    }
    RECT frame;
    if (!GetWindowRect(box, &frame) || frame.top < 0 || frame.left < 0 ||
        frame.bottom > GetSystemMetrics(SM_CYSCREEN) || frame.right > GetSystemMetrics(SM_CXSCREEN)) {
        printf("FAIL: the box (%ld, %ld)-(%ld, %ld) does not lie on the screen\n", frame.left, frame.top,
               frame.right, frame.bottom);
        passed = false;
    }
    return passed;
}

bool AnswerBox(const PROCESS_INFORMATION& process, const char* expected, int button,
               const char* title = NULL)
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
    found = CheckBoxFrame(box, title) && found;
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), (LPARAM)GetDlgItem(box, button));
    // The next box is looked for only once this one is gone.
    for (DWORD waited = 0; IsWindow(box) && waited < BOX_TIMEOUT; waited += POLL_INTERVAL)
        Sleep(POLL_INTERVAL);
    return found;
}

// Answers a refusal, which must have given up the removal lock before showing its box: the
// next Setup or removal is not to be kept out while the box is open.
bool AnswerRefusal(const PROCESS_INFORMATION& process, const std::string& expected,
                   const std::string& displayName)
{
    std::string text;
    bool lockGone = true;
    if (WaitForBox(process, &text)) {
        HANDLE lock = OpenMutexA(SYNCHRONIZE, FALSE, ("Quillset removal of " + displayName).c_str());
        lockGone = lock == NULL;
        if (lock) {
            CloseHandle(lock);
            printf("FAIL: the removal lock stays while the refusal is open\n");
        }
    }
    return AnswerBox(process, expected.c_str(), IDOK) && lockGone;
}

// Answers every box as a user who wants the product gone would; a removal that takes long
// is waited for, since quillset try ends a hanging run itself.
void AnswerAll(const PROCESS_INFORMATION& process)
{
    std::string text;
    while (HWND box = WaitForBox(process, &text, INFINITE)) {
        for (char& c : text)
            if (c == '\r' || c == '\n')
                c = ' ';
        const int button = GetDlgItem(box, IDYES) ? IDYES : GetDlgItem(box, IDOK) ? IDOK : IDCANCEL;
        printf("%s: %s\n", button == IDYES ? "question" : "message", text.c_str());
        fflush(stdout);
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), (LPARAM)GetDlgItem(box, button));
        while (IsWindow(box) && WaitForSingleObject(process.hProcess, POLL_INTERVAL) == WAIT_TIMEOUT) {
        }
    }
}

// True once the temporary copy has done its last work: it schedules its own folder for the next
// restart as the very end, after its file ("...\qsuXXXX.tmp"), so the folder's entry is the one
// that ends in the folder's name.
bool HasCopyEnded()
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager", 0,
                      KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    std::string pending(1 << 20, '\0');
    DWORD size = (DWORD)pending.size();
    LONG result = RegQueryValueExA(key, "PendingFileRenameOperations", NULL, NULL,
                                   (BYTE*)&pending[0], &size);
    RegCloseKey(key);
    static const char folderEntry[] = "\\Quillset Uninstall\0";
    return result == ERROR_SUCCESS &&
           pending.substr(0, size).find(std::string(folderEntry, sizeof(folderEntry))) !=
               std::string::npos;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3 && argc != 5) {
        printf("usage: uninstall_watch running|running-other|setup-running|decline|confirm|twice|kept|holding|holding-long|holding-plugins|holding-link|elsewhere|silent|answer UNINST_EXE "
               "[SHORT_NAME DISPLAY_NAME]\n"
               "       uninstall_watch wait SECONDS   (runs that long: a program in use)\n");
        return 2;
    }
    if (std::string(argv[1]) == "wait") {
        Sleep((DWORD)atoi(argv[2]) * 1000);
        return 0;
    }
    std::string shortName = argc == 5 ? argv[3] : "Smoke";
    std::string displayName = argc == 5 ? argv[4] : "Smoke 1.0";
    std::string mode = argv[1];
    HANDLE event = NULL;
    if (mode == "running")
        event = CreateEventA(NULL, TRUE, FALSE, EVENT_NAME);
    if (mode == "running-other") {
        event = CreateEventOfOthers(EVENT_NAME);
        if (!event) {
            printf("FAIL: cannot create the event %s (error %lu)\n", EVENT_NAME, GetLastError());
            return 1;
        }
        mode = "running";
    }
    HANDLE setupLock = NULL;
    if (mode == "setup-running") {
        setupLock = CreateMutexA(NULL, TRUE, ("Quillset setup of " + displayName).c_str());
        if (!setupLock) {
            printf("FAIL: cannot own the setup lock (error %lu)\n", GetLastError());
            return 1;
        }
    }
    HANDLE held = INVALID_HANDLE_VALUE;
    bool holdThroughCopy = mode == "holding-long" || mode == "holding-plugins";
    std::vector<HANDLE> plugins;
    if (mode == "holding-plugins") {
        std::string program = argv[2];
        std::string folder = program.substr(0, program.find_last_of('\\') + 1) + "docs\\plugins\\";
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((folder + "*.dll").c_str(), &found);
        while (search != INVALID_HANDLE_VALUE) {
            plugins.push_back(CreateFileA((folder + found.cFileName).c_str(), GENERIC_READ,
                                          FILE_SHARE_READ, NULL, OPEN_EXISTING,
                                          FILE_ATTRIBUTE_NORMAL, NULL));
            if (!FindNextFileA(search, &found)) {
                FindClose(search);
                break;
            }
        }
    }
    if (holdThroughCopy)
        mode = "holding";
    if (mode == "holding" || mode == "holding-link") {
        // The fake installation is ROOT\Apps\Smoke Product with its shortcut in ROOT\Menu.
        std::string program = argv[2];
        std::string folder = program.substr(0, program.find_last_of('\\') + 1);
        program = mode == "holding" ? folder + "app.exe"
                                    : folder + "..\\..\\Menu\\Smoke 1.0\\Smoke.lnk";
        // Shared for reading only, as a running program holds its file: it cannot be deleted.
        held = CreateFileA(program.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, NULL);
        if (held == INVALID_HANDLE_VALUE) {
            printf("FAIL: cannot hold %s open\n", program.c_str());
            return 1;
        }
    }
    std::string command = argv[2][0] == '"' ? argv[2] : std::string("\"") + argv[2] + "\"";
    printf("command line: %s\n", command.c_str());
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(NULL, &command[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup,
                        &process)) {
        printf("FAIL: cannot start %s\n", argv[2]);
        return 1;
    }
    if (mode == "answer") {
        AnswerAll(process);
        WaitForSingleObject(process.hProcess, INFINITE);
        DWORD code = 0;
        GetExitCodeProcess(process.hProcess, &code);
        printf("exit code: %lu\n", code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        return 0;
    }
    bool passed;
    DWORD expectedCode;
    std::string confirmText = "completely remove " + displayName;
    if (mode == "running") {
        passed = AnswerRefusal(process, shortName + " is currently running.", displayName);
        expectedCode = 2;
    } else if (mode == "setup-running") {
        passed = AnswerRefusal(process, "Setup of " + shortName + " is running. Please close it", displayName);
        expectedCode = 2;
    } else if (mode == "decline") {
        passed = AnswerBox(process, confirmText.c_str(), IDNO);
        expectedCode = 3;
    } else if (mode == "silent") {
        std::string text;
        passed = WaitForBox(process, &text) == NULL;
        if (!passed)
            printf("FAIL: a silent removal showed \"%s\"\n", text.c_str());
        expectedCode = 0;
    } else if (mode == "elsewhere") {
        passed = AnswerBox(process, "belongs to the installation in ", IDOK);
        expectedCode = 2;
    } else if (mode == "holding") {
        // A warning, titled as every box of the removal but its errors.
        passed = AnswerBox(process, confirmText.c_str(), IDYES) &&
                 AnswerBox(process, "app.exe (removed when Windows restarts)", IDOK,
                           (displayName + " Uninstall").c_str());
        expectedCode = 1;
    } else if (mode == "holding-link") {
        passed = AnswerBox(process, confirmText.c_str(), IDYES) &&
                 AnswerBox(process, "Smoke.lnk\r\n\nThe uninstaller and the entry in the list of "
                                    "installed programs stay", IDOK);
        expectedCode = 1;
    } else if (mode == "twice") {
        std::string text;
        passed = AnswerBox(process, confirmText.c_str(), IDYES) && WaitForBox(process, &text) != NULL;
        if (passed) {
            // The first removal is done but for its copy, which waits for it to end.
            std::string again = command + " /S";
            PROCESS_INFORMATION second = {};
            DWORD secondCode = 0;
            passed = CreateProcessA(NULL, &again[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup,
                                    &second) &&
                     WaitForSingleObject(second.hProcess, BOX_TIMEOUT) == WAIT_OBJECT_0 &&
                     GetExitCodeProcess(second.hProcess, &secondCode) && secondCode == 2;
            if (!passed)
                printf("FAIL: a second removal during the first ended with %lu, not 2\n",
                       secondCode);
            if (second.hProcess) {
                CloseHandle(second.hThread);
                CloseHandle(second.hProcess);
            }
        }
        passed = AnswerBox(process, (shortName + " was successfully removed").c_str(), IDOK) &&
                 passed;
        expectedCode = 0;
    } else if (mode == "kept") {
        passed = AnswerBox(process, confirmText.c_str(), IDYES) &&
                 AnswerBox(process, (shortName + " was removed. These folders stay").c_str(), IDOK);
        expectedCode = 0;
    } else {
        passed = AnswerBox(process, confirmText.c_str(), IDYES) &&
                 AnswerBox(process, (shortName + " was successfully removed").c_str(), IDOK);
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
    if (setupLock)
        CloseHandle(setupLock);
    for (DWORD waited = 0; holdThroughCopy && waited < BOX_TIMEOUT; waited += POLL_INTERVAL) {
        if (HasCopyEnded())
            break;
        Sleep(POLL_INTERVAL);
    }
    if (held != INVALID_HANDLE_VALUE)
        CloseHandle(held);
    for (HANDLE plugin : plugins)
        if (plugin != INVALID_HANDLE_VALUE)
            CloseHandle(plugin);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return passed ? 0 : 1;
}
