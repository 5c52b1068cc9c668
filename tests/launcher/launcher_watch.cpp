// Starts a Setup.exe as a user would, with TMP and TEMP chosen by a scenario, reads and answers
// the launcher's error box, and checks the exit code, the boxes, the report and the leftovers.
#include <windows.h>

#include <stdio.h>
#include <string.h>
#include <set>
#include <string>
#include <vector>

#include "launcher_test.h"
#include "test_paths.h"

namespace {

// Where TMP or TEMP points, and where the temporary library is expected.
enum Place {
    UNSET,
    TMP_DIRECTORY,
    TMP_DIRECTORY_WITH_SEPARATOR,
    TMP_DIRECTORY_RELATIVE,     // the same directory, relative to the launcher's current one
    TEMP_DIRECTORY,
    PLAIN_FILE,
    MISSING_DIRECTORY,
    OVERLONG_PATH,          // an existing directory spelled with more than 260 characters
    LONG_DIRECTORY,         // a directory of 250 characters: no room for a temporary file's name
    UNWRITABLE_DIRECTORY,   // a directory in which no file can be created
    WINDOWS_DIRECTORY,
};

const char TEXT_CANNOT_CREATE[] = "Unable to create a temporary file.";
const char TEXT_CANNOT_EXTRACT[] = "Cannot extract the wizard library.";
const char TEXT_CANNOT_LOAD[] = "Cannot load the wizard library.";
const char ERROR_CAPTION[] = "Setup Error";

// Linux's /proc as Wine shows it on drive Z: a directory where creating a file fails even for
// root, for whom permission bits do not count.
const char UNWRITABLE_PATH[] = "Z:\\proc";

const size_t LONG_DIRECTORY_LENGTH = 250;
const size_t LONG_NAME_LENGTH = 60;

const DWORD LAUNCHER_TIMEOUT_MS = 60000;
const DWORD POLL_INTERVAL_MS = 50;

struct Scenario {
    const char* name;
    Place tmp;
    Place temp;
    Place chosen;               // where the library's temporary file must be made
    const char* boxText;        // the one error box expected, or null for none
    const char* otherBoxText;   // a second acceptable text, or null
    bool recording;             // the recording wizard runs and writes its report
};

const Scenario SCENARIOS[] = {
    {"handoff", TMP_DIRECTORY_WITH_SEPARATOR, TEMP_DIRECTORY, TMP_DIRECTORY, nullptr, nullptr,
     true},
    {"tmp_relative", TMP_DIRECTORY_RELATIVE, TEMP_DIRECTORY, TMP_DIRECTORY, nullptr, nullptr,
     true},
    {"short_stream", TMP_DIRECTORY, TEMP_DIRECTORY, TMP_DIRECTORY, nullptr, nullptr, true},
    {"tmp_names_file", PLAIN_FILE, TEMP_DIRECTORY, TEMP_DIRECTORY, nullptr, nullptr, true},
    {"tmp_missing", MISSING_DIRECTORY, TEMP_DIRECTORY, TEMP_DIRECTORY, nullptr, nullptr, true},
    {"tmp_overlong", OVERLONG_PATH, TEMP_DIRECTORY, TEMP_DIRECTORY, nullptr, nullptr, true},
    {"tmp_too_long_for_names", LONG_DIRECTORY, TEMP_DIRECTORY, TEMP_DIRECTORY, nullptr, nullptr,
     true},
    {"windows_directory", MISSING_DIRECTORY, PLAIN_FILE, WINDOWS_DIRECTORY, nullptr, nullptr,
     true},
    {"windows_directory_overlong", OVERLONG_PATH, OVERLONG_PATH, WINDOWS_DIRECTORY, nullptr,
     nullptr, true},
    {"windows_directory_unset", UNSET, UNSET, WINDOWS_DIRECTORY, nullptr, nullptr, true},
    // Windows refuses the name; Wine's GetTempFileNameA reports a name it could not create, so
    // there the extraction is what fails. Either way: one box, nothing left behind.
    {"temp_file_not_created", UNWRITABLE_DIRECTORY, UNSET, UNWRITABLE_DIRECTORY,
     TEXT_CANNOT_CREATE, TEXT_CANNOT_EXTRACT, false},
    {"damaged_stream", TMP_DIRECTORY, TEMP_DIRECTORY, TMP_DIRECTORY, TEXT_CANNOT_EXTRACT,
     nullptr, false},
    {"empty_library", TMP_DIRECTORY, TEMP_DIRECTORY, TMP_DIRECTORY, TEXT_CANNOT_EXTRACT, nullptr,
     false},
    // A header whose wizard stream lies past the package's end, where reading could fault.
    {"stream_outside", TMP_DIRECTORY, TEMP_DIRECTORY, TMP_DIRECTORY, TEXT_CANNOT_EXTRACT, nullptr,
     false},
    {"not_a_library", TMP_DIRECTORY, TEMP_DIRECTORY, TMP_DIRECTORY, TEXT_CANNOT_LOAD, nullptr,
     false},
    {"no_export", TMP_DIRECTORY, TEMP_DIRECTORY, TMP_DIRECTORY, nullptr, nullptr, false},
    {"no_package", TMP_DIRECTORY, TEMP_DIRECTORY, TMP_DIRECTORY, nullptr, nullptr, false},
};

struct Workspace {
    std::string root;
    std::string windowsDirectory;

    std::string PathOf(Place place) const
    {
        switch (place) {
        case TMP_DIRECTORY: return root + "\\tmp";
        case TMP_DIRECTORY_WITH_SEPARATOR: return root + "\\tmp\\";
        case TMP_DIRECTORY_RELATIVE: return "..\\tmp";
        case TEMP_DIRECTORY: return root + "\\temp";
        case PLAIN_FILE: return root + "\\file.txt";
        case MISSING_DIRECTORY: return root + "\\missing";
        case OVERLONG_PATH: {
            std::string path = root + "\\tmp";
            while (path.size() <= MAX_PATH + 40) {
                path += "\\.";
            }
            return path;
        }
        case LONG_DIRECTORY: {
            std::string path = root + "\\long";
            while (path.size() < LONG_DIRECTORY_LENGTH) {
                size_t room = LONG_DIRECTORY_LENGTH - path.size() - 1;
                size_t name = room < LONG_NAME_LENGTH ? room : LONG_NAME_LENGTH;
                if (room - name == 1) {
                    name--;  // a last name of one character, not a bare trailing separator
                }
                path += "\\" + std::string(name, 'd');
            }
            return path;
        }
        case UNWRITABLE_DIRECTORY: return UNWRITABLE_PATH;
        case WINDOWS_DIRECTORY: return windowsDirectory;
        case UNSET: break;
        }
        return std::string();
    }
};

void RemoveTree(const std::string& path)
{
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((path + "\\*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = entry.cFileName;
            if (name == "." || name == "..") {
                continue;
            }
            std::string child = path + "\\" + name;
            SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(child);
            } else {
                DeleteFileA(child.c_str());
            }
        } while (FindNextFileA(search, &entry));
        FindClose(search);
    }
    RemoveDirectoryA(path.c_str());
}

std::set<std::string> ListTemporaryFiles(const std::string& directory)
{
    std::set<std::string> names;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((directory + "\\wzd*.tmp").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            names.insert(entry.cFileName);
        } while (FindNextFileA(search, &entry));
        FindClose(search);
    }
    return names;
}

// Creates `path` and every missing directory above it.
bool CreateDirectoryChain(const std::string& path)
{
    for (size_t end = path.find('\\', 3); end != std::string::npos; end = path.find('\\', end + 1)) {
        CreateDirectoryA(path.substr(0, end).c_str(), nullptr);  // most exist already
    }
    return CreateDirectoryA(path.c_str(), nullptr) != 0;
}

bool WriteTextFile(const std::string& path, const char* text)
{
    FILE* file = fopen(path.c_str(), "w");
    if (file == nullptr) {
        return false;
    }
    fputs(text, file);
    return fclose(file) == 0;
}

std::vector<char> MakeEnvironment(const Scenario& scenario, const Workspace& workspace,
                                  const std::string& resultFile, const std::string& probe)
{
    std::vector<std::string> entries;
    char* inherited = GetEnvironmentStringsA();
    for (const char* entry = inherited; *entry != '\0'; entry += strlen(entry) + 1) {
        if (_strnicmp(entry, "TMP=", 4) != 0 && _strnicmp(entry, "TEMP=", 5) != 0 &&
            _strnicmp(entry, "QUILLSET_TEST_", 14) != 0) {
            entries.push_back(entry);
        }
    }
    FreeEnvironmentStringsA(inherited);
    if (scenario.tmp != UNSET) {
        entries.push_back("TMP=" + workspace.PathOf(scenario.tmp));
    }
    if (scenario.temp != UNSET) {
        entries.push_back("TEMP=" + workspace.PathOf(scenario.temp));
    }
    entries.push_back(std::string(RESULT_FILE_VARIABLE) + "=" + resultFile);
    entries.push_back(std::string(EXPECTED_DIRECTORY_VARIABLE) + "=" +
                      workspace.PathOf(scenario.chosen));
    entries.push_back(std::string(LOCK_PROBE_VARIABLE) + "=" + probe);

    std::vector<char> block;
    for (const std::string& entry : entries) {
        block.insert(block.end(), entry.begin(), entry.end());
        block.push_back('\0');
    }
    block.push_back('\0');
    return block;
}

struct BoxContents {
    std::string caption;
    std::string text;
    int buttons = 0;
    int icons = 0;
    bool hasOk = false;
};

std::string ReadWindowText(HWND window)
{
    char text[1024] = "";
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                             SMTO_ABORTIFHUNG, 5000, &length)) {
        return std::string();
    }
    return std::string(text, length < sizeof text ? length : 0);
}

BOOL CALLBACK ReadBoxChild(HWND child, LPARAM parameter)
{
    BoxContents* contents = reinterpret_cast<BoxContents*>(parameter);
    if (!IsWindowVisible(child)) {
        return TRUE;  // buttons of the other box styles are hidden, not removed
    }
    char className[64] = "";
    GetClassNameA(child, className, sizeof className);
    if (_stricmp(className, "Static") == 0) {
        if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
            ++contents->icons;
        } else {
            std::string text = ReadWindowText(child);
            if (!text.empty()) {
                contents->text = text;
            }
        }
    } else if (_stricmp(className, "Button") == 0) {
        ++contents->buttons;
        contents->hasOk = contents->hasOk || GetDlgCtrlID(child) == IDOK;
    }
    return TRUE;
}

BOOL CALLBACK FindDialog(HWND window, LPARAM parameter)
{
    char className[64] = "";
    GetClassNameA(window, className, sizeof className);
    if (strcmp(className, "#32770") == 0 && IsWindowVisible(window)) {
        *reinterpret_cast<HWND*>(parameter) = window;
        return FALSE;
    }
    return TRUE;
}

struct SeenBox {
    BoxContents contents;
    size_t temporaryFiles;  // wzd*.tmp files in the chosen directory while the box was open
};

// Runs the launcher to its end, answering every box it shows with OK.
bool RunLauncher(const std::string& setup, const std::string& currentDirectory,
                 std::vector<char>& environment, const std::string& chosenDirectory,
                 std::vector<SeenBox>& boxes, DWORD& exitCode)
{
    std::string commandLine = "\"" + setup + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(setup.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0,
                        environment.data(), currentDirectory.c_str(), &startup, &process)) {
        printf("cannot start %s (error %lu)\n", setup.c_str(), GetLastError());
        return false;
    }
    HWND answered = nullptr;
    DWORD waited = 0;
    bool finished = false;
    while (!finished && waited < LAUNCHER_TIMEOUT_MS) {
        finished = WaitForSingleObject(process.hProcess, POLL_INTERVAL_MS) == WAIT_OBJECT_0;
        waited += POLL_INTERVAL_MS;
        HWND box = nullptr;
        if (!finished) {
            EnumThreadWindows(process.dwThreadId, FindDialog, reinterpret_cast<LPARAM>(&box));
        }
        if (box != nullptr && box != answered) {
            SeenBox seen;
            seen.contents.caption = ReadWindowText(box);
            EnumChildWindows(box, ReadBoxChild, reinterpret_cast<LPARAM>(&seen.contents));
            seen.temporaryFiles = ListTemporaryFiles(chosenDirectory).size();
            boxes.push_back(seen);
            printf("box \"%s\": \"%s\"\n", seen.contents.caption.c_str(),
                   seen.contents.text.c_str());
            PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            answered = box;
        }
    }
    if (!finished) {
        printf("the launcher did not end within %lu ms\n", LAUNCHER_TIMEOUT_MS);
        TerminateProcess(process.hProcess, 1);
        WaitForSingleObject(process.hProcess, INFINITE);
    }
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return finished;
}

void CheckReport(const std::string& resultFile)
{
    FILE* file = fopen(resultFile.c_str(), "r");
    Check(file != nullptr, "the wizard wrote its report");
    if (file == nullptr) {
        return;
    }
    std::set<std::string> passed;
    bool ended = false;
    char line[2048];
    while (fgets(line, sizeof line, file) != nullptr) {
        std::string text = line;
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
            text.pop_back();
        }
        if (text.compare(0, 3, "ok ") == 0) {
            passed.insert(text.substr(3));
        } else if (text == WIZARD_REPORT_END) {
            ended = true;
        } else {
            Check(false, "wizard: " + text);
        }
    }
    fclose(file);
    Check(ended, "the wizard's report is complete");
    for (const char* name : WIZARD_CHECKS) {
        Check(passed.count(name) == 1, std::string("wizard check ") + name);
    }
}

bool CopyInto(const std::string& source, const std::string& target)
{
    bool copied = CopyFileA(source.c_str(), target.c_str(), FALSE) != 0;
    if (!copied) {
        printf("cannot copy %s to %s (error %lu)\n", source.c_str(), target.c_str(),
               GetLastError());
    }
    return copied;
}

int RunScenario(const Scenario& scenario, const std::string& setup, const std::string& root,
                const std::string& probe, const std::string& plantedLibrary)
{
    Workspace workspace;
    workspace.root = root;
    char windowsDirectory[MAX_PATH];
    UINT length = GetWindowsDirectoryA(windowsDirectory, MAX_PATH);
    workspace.windowsDirectory = length > 0 && length < MAX_PATH ? windowsDirectory : "";

    RemoveTree(root);
    std::string app = root + "\\app";
    std::string currentDirectory = root + "\\cwd";
    bool prepared = CreateDirectoryA(root.c_str(), nullptr) &&
                    CreateDirectoryA(workspace.PathOf(TMP_DIRECTORY).c_str(), nullptr) &&
                    CreateDirectoryA(workspace.PathOf(TEMP_DIRECTORY).c_str(), nullptr) &&
                    CreateDirectoryChain(workspace.PathOf(LONG_DIRECTORY)) &&
                    CreateDirectoryA(app.c_str(), nullptr) &&
                    CreateDirectoryA(currentDirectory.c_str(), nullptr) &&
                    WriteTextFile(workspace.PathOf(PLAIN_FILE), "not a directory\n") &&
                    CopyInto(setup, app + "\\Setup.exe") &&
                    CopyInto(plantedLibrary, app + "\\" PLANTED_LIBRARY_NAME) &&
                    CopyInto(plantedLibrary, currentDirectory + "\\" PLANTED_LIBRARY_NAME);
    Check(prepared, "workspace " + root + " prepared");
    if (!prepared) {
        RemoveTree(root);
        return 1;
    }

    std::string chosen = workspace.PathOf(scenario.chosen);
    std::set<std::string> before = ListTemporaryFiles(chosen);
    std::string resultFile = root + "\\result.txt";
    std::vector<char> environment = MakeEnvironment(scenario, workspace, resultFile, probe);
    std::vector<SeenBox> boxes;
    DWORD exitCode = 1;
    bool ended = RunLauncher(app + "\\Setup.exe", currentDirectory, environment, chosen, boxes,
                             exitCode);
    Check(ended, "the launcher ended by itself");
    Check(exitCode == 0, "exit code 0 (got " + std::to_string(exitCode) + ")");

    if (scenario.boxText == nullptr) {
        Check(boxes.empty(), "no message box");
    } else {
        Check(boxes.size() == 1, "exactly one message box (got " +
                                     std::to_string(boxes.size()) + ")");
    }
    for (const SeenBox& box : boxes) {
        const BoxContents& contents = box.contents;
        bool expectedText = scenario.boxText != nullptr && contents.text == scenario.boxText;
        bool otherText = scenario.otherBoxText != nullptr && contents.text == scenario.otherBoxText;
        Check(contents.caption == ERROR_CAPTION, "caption \"" + contents.caption + "\"");
        Check(expectedText || otherText, "text \"" + contents.text + "\"");
        Check(contents.icons == 1 && contents.buttons == 1 && contents.hasOk,
              "an icon and a single OK button");
        // The temporary file is deleted only after the box is closed, and exists only when it
        // could be created.
        size_t expectedFiles = contents.text == TEXT_CANNOT_CREATE ? 0 : 1;
        if (scenario.chosen == UNWRITABLE_DIRECTORY) {
            expectedFiles = 0;
        }
        Check(box.temporaryFiles == expectedFiles,
              std::to_string(box.temporaryFiles) + " temporary file(s) while the box was open");
    }

    std::set<std::string> after = ListTemporaryFiles(chosen);
    bool noneLeft = true;
    for (const std::string& name : after) {
        noneLeft = noneLeft && before.count(name) == 1;
    }
    for (Place place : {TMP_DIRECTORY, TEMP_DIRECTORY, LONG_DIRECTORY}) {
        noneLeft = noneLeft && ListTemporaryFiles(workspace.PathOf(place)).empty();
    }
    noneLeft = noneLeft && ListTemporaryFiles(currentDirectory).empty();
    Check(noneLeft, "no wzd*.tmp left behind");

    if (scenario.recording) {
        CheckReport(resultFile);
    } else {
        Check(GetFileAttributesA(resultFile.c_str()) == INVALID_FILE_ATTRIBUTES,
              "no wizard ran");
    }
    RemoveTree(root);
    Check(GetFileAttributesA(root.c_str()) == INVALID_FILE_ATTRIBUTES, "workspace removed");
    return failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    setvbuf(stdout, nullptr, _IONBF, 0);
    if (argc != 6) {
        fprintf(stderr, "usage: launcher_watch SCENARIO SETUP_EXE WORK_DIR LOCK_PROBE "
                        "PLANTED_LIBRARY\n");
        return 2;
    }
    for (const Scenario& scenario : SCENARIOS) {
        if (strcmp(scenario.name, argv[1]) == 0) {
            return RunScenario(scenario, ToWindowsPath(argv[2]), ToWindowsPath(argv[3]),
                               ToWindowsPath(argv[4]), ToWindowsPath(argv[5]));
        }
    }
    fprintf(stderr, "launcher_watch: no scenario named %s\n", argv[1]);
    return 2;
}
