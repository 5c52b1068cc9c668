// Steps on programs and files: starting Setup.exe and waiting for its wizard, its end and
// exit code, the sample program that holds its running event, files on disk, pictures.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>

#include <windows.h>
#include <tlhelp32.h>

#include "restricted_event.h"
#include "scenario.h"
#include "screenshot.h"
#include "step_helpers.h"
#include "steps.h"
#include "wine_drives.h"
#include "wizard_windows.h"

namespace {

const DWORD PAINT_SETTLE_MS = 300;
const int PAINT_SETTLE_ATTEMPTS = 5; // a blinking caret may never hold still
const size_t WRITE_CHUNK_SIZE = 65536;

std::string ReadVariable(const Session& session, const std::string& name)
{
    auto found = session.variables.find(name);
    return found == session.variables.end() ? "" : found->second;
}

std::string StartProgram(const std::string& program, PROCESS_INFORMATION& process)
{
    std::string commandLine = "\"" + program + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return "cannot start " + program + " (error " + std::to_string(GetLastError()) + ")";
    return "";
}

// The exit code as text, or why it cannot be read (never a number then).
std::string ReadExitCode(const PROCESS_INFORMATION& process)
{
    DWORD code = 0;
    if (!GetExitCodeProcess(process.hProcess, &code))
        return "unreadable (error " + std::to_string(GetLastError()) + ")";
    return std::to_string(code);
}

// A running process whose program file is `path` (compared without regard to case), opened
// so that it can be waited for, closed and ended like a program the driver started.
bool OpenProcessOfProgram(const std::string& path, PROCESS_INFORMATION& process)
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return false;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    bool found = false;
    for (BOOL more = Process32First(snapshot, &entry); more && !found; more = Process32Next(snapshot, &entry)) {
        // The full query right, which WaitForInputIdle needs.
        HANDLE handle = OpenProcess(PROCESS_QUERY_INFORMATION | SYNCHRONIZE | PROCESS_TERMINATE, FALSE,
                                    entry.th32ProcessID);
        if (!handle)
            continue;
        char image[MAX_PATH];
        DWORD length = sizeof(image);
        if (QueryFullProcessImageNameA(handle, 0, image, &length) && lstrcmpiA(image, path.c_str()) == 0 &&
            WaitForSingleObject(handle, 0) == WAIT_TIMEOUT) {
            process = {};
            process.hProcess = handle;
            process.dwProcessId = entry.th32ProcessID;
            found = true;
        } else {
            CloseHandle(handle);
        }
    }
    CloseHandle(snapshot);
    return found;
}

// A path with the wildcards * or ? in its last part exists when any file matches it.
bool PathExists(const std::string& path)
{
    if (path.find_first_of("*?") == std::string::npos)
        return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    WIN32_FIND_DATAA match;
    HANDLE search = FindFirstFileA(path.c_str(), &match);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    (void)FindClose(search); // only ends the search
    return true;
}

// Starts Setup.exe, the program named or the SETUP variable's.
std::string LaunchSetup(Session& session, const Arguments& args)
{
    if (IsRunning(session.setup))
        return "Setup.exe runs already";
    EndProgram(session.setup);
    std::string program = args.empty() ? ReadVariable(session, "SETUP") : args[0];
    if (program.empty())
        return "no program named and no SETUP variable given";
    session.setupStartTick = GetTickCount();
    return StartProgram(program, session.setup);
}

} // namespace

std::string StartSetupForMessage(Session& session, const Arguments& args)
{
    std::string problem = LaunchSetup(session, args);
    if (!problem.empty())
        return problem;
    return WaitFor(session, [&]() -> std::string {
        DWORD processId = session.setup.dwProcessId;
        if (FindOtherDialog(processId, FindFrame(processId)))
            return "";
        if (!IsRunning(session.setup))
            return "Setup.exe ended with exit code " + ReadExitCode(session.setup) +
                   " without a message";
        return "Setup.exe shows no message";
    });
}

std::string StartSetup(Session& session, const Arguments& args)
{
    std::string problem = LaunchSetup(session, args);
    if (!problem.empty())
        return problem;
    return WaitFor(session, [&]() -> std::string {
        DWORD processId = session.setup.dwProcessId;
        HWND frame = FindFrame(processId);
        if (HWND other = FindOtherDialog(processId, frame))
            return "a " + DescribeDialog(other) + " is open";
        if (frame && IsWindowVisible(frame))
            return "";
        if (!IsRunning(session.setup))
            return "Setup.exe ended with exit code " + ReadExitCode(session.setup) +
                   " before showing its wizard";
        return "Setup.exe shows no wizard frame";
    });
}

std::string ExpectExit(Session& session, const Arguments& args)
{
    if (!session.setup.hProcess)
        return "Setup.exe has not been started";
    std::string problem = WaitFor(session, [&]() -> std::string {
        if (!IsRunning(session.setup))
            return "";
        HWND other = FindOtherDialog(session.setup.dwProcessId, FindFrame(session.setup.dwProcessId));
        return other ? "Setup.exe still runs and shows a " + DescribeDialog(other) : "Setup.exe still runs";
    });
    if (!problem.empty())
        return problem;
    std::string code = ReadExitCode(session.setup);
    return code == args[0] ? "" : "Setup.exe ended with exit code " + code;
}

std::string ExpectNoWindow(Session& session, const Arguments&)
{
    if (!session.setup.hProcess)
        return "Setup.exe has not been started";
    std::string problem = Settle(session);
    if (!problem.empty())
        return problem;
    return WaitFor(session, [&]() -> std::string {
        DWORD processId = session.setup.dwProcessId;
        // A box over the frame is named first: it says why the frame stays.
        HWND frame = FindFrame(processId);
        if (HWND other = FindOtherDialog(processId, frame))
            return "a " + DescribeDialog(other) + " is open";
        if (frame)
            return "the wizard frame " + QuoteText(ReadText(frame)) + " still exists";
        return "";
    });
}

std::string ExpectFile(Session& session, bool exists, const Arguments& args)
{
    return WaitFor(session, [&]() -> std::string {
        bool found = PathExists(args[0]);
        if (found == exists)
            return "";
        return args[0] + (found ? " exists" : " does not exist");
    });
}

// A file of the given size, to take a drive's room after the wizard has measured it.
std::string WriteFileOfSize(Session&, const Arguments& args)
{
    char* end = nullptr;
    unsigned long long remaining = std::strtoull(args[1].c_str(), &end, 10);
    if (args[1].empty() || *end)
        return "not a number of bytes: " + args[1];
    HANDLE file = CreateFileA(args[0].c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "cannot create the file " + args[0] + " (error " + std::to_string(GetLastError()) + ")";
    static const char CHUNK[WRITE_CHUNK_SIZE] = {};
    std::string problem;
    while (remaining && problem.empty()) {
        DWORD count = (DWORD)std::min<unsigned long long>(remaining, sizeof(CHUNK));
        DWORD written = 0;
        if (!WriteFile(file, CHUNK, count, &written, nullptr) || written != count)
            problem = "cannot write " + args[1] + " bytes to " + args[0] + " (error " + std::to_string(GetLastError()) + ")";
        remaining -= count;
    }
    (void)CloseHandle(file); // what was written stays written
    return problem;
}

// Programs started afterwards inherit the driver's environment.
std::string SetEnvironment(Session&, const Arguments& args)
{
    if (SetEnvironmentVariableA(args[0].c_str(), args[1].c_str()))
        return "";
    return "cannot set the environment variable " + args[0] + " (error " + std::to_string(GetLastError()) + ")";
}

// Creates the directory and any missing parents.
std::string MakeDirectory(Session&, const Arguments& args)
{
    const std::string& path = args[0];
    for (size_t at = 3; at <= path.size(); ++at) {
        if (at < path.size() && path[at] != '\\' && path[at] != '/')
            continue;
        std::string prefix = path.substr(0, at);
        if (!CreateDirectoryA(prefix.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
            return "cannot create the directory " + prefix + " (error " + std::to_string(GetLastError()) + ")";
    }
    return "";
}

std::string RemoveFolder(Session&, const Arguments& args)
{
    if (RemoveDirectoryA(args[0].c_str()))
        return "";
    return "cannot remove the directory " + args[0] + " (error " + std::to_string(GetLastError()) + ")";
}

std::string TouchFile(Session&, const Arguments& args)
{
    HANDLE file = CreateFileA(args[0].c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "cannot create the file " + args[0] + " (error " + std::to_string(GetLastError()) + ")";
    CloseHandle(file);
    return "";
}

std::string HoldFile(Session& session, const Arguments& args)
{
    // Shared for reading only, as a running program holds its own file: nobody may write it.
    HANDLE file = CreateFileA(args[0].c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "cannot open the file " + args[0] + " (error " + std::to_string(GetLastError()) + ")";
    session.heldHandles.push_back(file);
    return "";
}

std::string HoldEventOfOthers(Session& session, const Arguments& args)
{
    HANDLE event = CreateEventOfOthers(args[0].c_str());
    if (!event)
        return "cannot create the event " + args[0] + " (error " + std::to_string(GetLastError()) + ")";
    session.heldHandles.push_back(event);
    if (HANDLE opened = OpenEventA(EVENT_ALL_ACCESS, FALSE, args[0].c_str())) {
        CloseHandle(opened);
        return "the event " + args[0] + " opens with every right all the same";
    }
    return "";
}

std::string HoldMutex(Session& session, const Arguments& args)
{
    HANDLE mutex = CreateMutexA(NULL, TRUE, args[0].c_str());
    if (!mutex || GetLastError() == ERROR_ALREADY_EXISTS)
        return "cannot create and own the mutex " + args[0] + " (error " + std::to_string(GetLastError()) + ")";
    session.heldHandles.push_back(mutex);
    session.heldMutexes[args[0]] = mutex;
    return "";
}

std::string ReleaseHeldMutex(Session& session, const Arguments& args)
{
    auto held = session.heldMutexes.find(args[0]);
    if (held == session.heldMutexes.end())
        return "the mutex " + args[0] + " is not held by this scenario";
    HANDLE mutex = held->second;
    session.heldMutexes.erase(held);
    session.heldHandles.erase(std::find(session.heldHandles.begin(), session.heldHandles.end(), mutex));
    ::ReleaseMutex(mutex);
    CloseHandle(mutex);
    return "";
}

std::string ExpectNoMutex(Session&, const Arguments& args)
{
    HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, args[0].c_str());
    if (!mutex)
        return "";
    CloseHandle(mutex);
    return "the mutex " + args[0] + " is still in being";
}

std::string RemoveFile(Session&, const Arguments& args)
{
    if (!DeleteFileA(args[0].c_str()))
        return "cannot delete the file " + args[0] + " (error " + std::to_string(GetLastError()) + ")";
    return "";
}

std::string RunInkwell(Session& session, const Arguments&)
{
    if (IsRunning(session.inkwell))
        return "Inkwell runs already";
    EndProgram(session.inkwell);
    std::string program = ReadVariable(session, "INKWELL");
    if (program.empty())
        return "no INKWELL variable given";
    std::string problem = StartProgram(program, session.inkwell);
    if (!problem.empty())
        return problem;
    // Inkwell holds its event before it shows its window.
    return WaitFor(session, [&]() -> std::string {
        if (!IsRunning(session.inkwell))
            return "Inkwell ended with exit code " + ReadExitCode(session.inkwell);
        return FindShownWindow(session.inkwell.dwProcessId) ? "" : "Inkwell shows no window";
    });
}

// Inkwell started by someone else (the wizard's Finish) from PATH: it runs and shows its
// window, or with `hidden`, has made its window and waits for input with none shown. The driver
// then treats it as its own, so that stop inkwell closes it.
static std::string ExpectStartedInkwell(Session& session, const std::string& path, bool hidden)
{
    if (IsRunning(session.inkwell))
        return "the driver's own Inkwell runs";
    EndProgram(session.inkwell);
    std::string problem = WaitFor(session, [&]() -> std::string {
        return OpenProcessOfProgram(path, session.inkwell) ? "" : "no program runs from " + path;
    });
    if (!problem.empty())
        return problem;
    // Named by its path: under try it is the product's own program, whatever it is called.
    const std::string program = "the program from " + path;
    return WaitFor(session, [&]() -> std::string {
        if (!IsRunning(session.inkwell))
            return program + " ended with exit code " + ReadExitCode(session.inkwell);
        bool shown = FindShownWindow(session.inkwell.dwProcessId) != nullptr;
        if (!hidden)
            return shown ? "" : program + " shows no window";
        // Idle in its message loop, a program has shown whatever it shows at its start.
        if (!FindWindowThread(session.inkwell.dwProcessId) || WaitForInputIdle(session.inkwell.hProcess, 0) != 0)
            return program + " has not made its window and come to wait for input";
        return shown ? program + " shows its window" : "";
    });
}

std::string ExpectInkwellFrom(Session& session, const Arguments& args)
{
    return ExpectStartedInkwell(session, args[0], false);
}

std::string ExpectHiddenInkwellFrom(Session& session, const Arguments& args)
{
    return ExpectStartedInkwell(session, args[0], true);
}

// Nothing runs from PATH now; meant after Setup.exe has ended, when a launch would have begun.
std::string ExpectNoInkwellFrom(Session&, const Arguments& args)
{
    PROCESS_INFORMATION process = {};
    if (!OpenProcessOfProgram(args[0], process))
        return "";
    EndProgram(process);
    return "a program runs from " + args[0];
}

std::string StopInkwell(Session& session, const Arguments&)
{
    if (!IsRunning(session.inkwell))
        return "Inkwell does not run";
    // A hidden program's first top-level window need not be its main one (the input method has
    // one too), so its thread is told to quit, as closing its main window would.
    DWORD processId = session.inkwell.dwProcessId;
    HWND window = FindShownWindow(processId);
    DWORD thread = window ? 0 : FindWindowThread(processId);
    if (window ? !PostMessageA(window, WM_CLOSE, 0, 0) : !thread || !PostThreadMessageA(thread, WM_QUIT, 0, 0))
        return "cannot close Inkwell's window";
    std::string problem = WaitFor(session, [&]() -> std::string {
        return IsRunning(session.inkwell) ? "Inkwell still runs" : "";
    });
    if (!problem.empty())
        return problem;
    std::string code = ReadExitCode(session.inkwell);
    EndProgram(session.inkwell);
    return code == "0" ? "" : "Inkwell ended with exit code " + code;
}

std::string TakeShot(Session& session, const Arguments& args)
{
    std::string folder = ReadVariable(session, "SHOTS");
    if (folder.empty())
        return ""; // pictures are taken only when a folder for them is given
    std::string problem = Settle(session);
    if (!problem.empty())
        return problem;
    DWORD processId = session.setup.dwProcessId;
    // With a page named, the picture is kept only if that very page window was shown before
    // and after it was taken: a page that may already be over (a short installation) is
    // pictured when it can be, and skipped otherwise.
    HWND pagePictured = nullptr;
    if (args.size() == 2) {
        PageKind wanted;
        if (!ParsePageKind(args[1], wanted))
            return "no such page: " + args[1];
        WizardView view = ReadWizard(processId);
        if (view.kind != wanted) {
            std::printf("  no picture %s: the %s page is no longer shown\n", args[0].c_str(), args[1].c_str());
            std::fflush(stdout);
            return "";
        }
        pagePictured = view.page;
    }
    HWND frame = FindFrame(processId);
    if (!frame)
        return "no wizard frame to capture";
    RECT area;
    GetWindowRect(frame, &area);
    HWND front = frame;
    if (HWND other = FindOtherDialog(processId, frame)) {
        RECT box;
        GetWindowRect(other, &box);
        UnionRect(&area, &area, &box);
        front = other;
    }
    (void)SetForegroundWindow(front); // pictured as a person sees the window they work in
    // Let the wizard paint everything before the screen is copied.
    RedrawWindow(frame, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    DWORD_PTR result = 0;
    SendMessageTimeoutA(frame, WM_NULL, 0, 0, SMTO_NORMAL, SEND_TIMEOUT_MS, &result);
    // A window that has just come may still be mapped and painted, later under load: the
    // picture is the first one that the next, a moment later, shows unchanged.
    ScreenPicture picture;
    ScreenPicture again;
    std::string error;
    Sleep(PAINT_SETTLE_MS);
    if (!CaptureScreenArea(area, picture, error))
        return error;
    for (int attempt = 0; attempt < PAINT_SETTLE_ATTEMPTS; ++attempt) {
        Sleep(PAINT_SETTLE_MS);
        if (!CaptureScreenArea(area, again, error))
            return error;
        if (again.pixels == picture.pixels)
            break;
        picture.pixels.swap(again.pixels);
    }
    std::string path = folder + "\\" + args[0] + ".bmp";
    if (!SavePicture(picture, path, error))
        return error;
    if (pagePictured && ReadWizard(processId).page != pagePictured) {
        (void)DeleteFileA(path.c_str()); // it may show the next page half drawn
        std::printf("  no picture %s: the %s page ended while it was taken\n", args[0].c_str(), args[1].c_str());
        std::fflush(stdout);
        return "";
    }
    std::printf("  picture %s\n", path.c_str());
    std::fflush(stdout);
    return "";
}

std::string DefineDrive(Session& session, const Arguments& args)
{
    if (args[0].size() != 1 || !isalpha((unsigned char)args[0][0]))
        return "not a drive letter: " + args[0];
    if ((args[1] == "none") != (args.size() == 2))
        return "a drive takes a Linux folder, unless it is removed with none";
    char letter = (char)toupper((unsigned char)args[0][0]);
    std::string problem = DefineWineDrive(letter, args[1], args.size() == 3 ? args[2] : "");
    if (problem.empty() && args[1] != "none" && session.definedDrives.find(letter) == std::string::npos)
        session.definedDrives += letter;
    return problem;
}
