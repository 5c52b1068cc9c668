// The wizard test driver: runs a scenario script against a real Setup.exe under Wine, one
// step per line, and exits non-zero at the first step whose expectation does not hold.
#include <cstdio>
#include <cstdlib>

#include "scenario.h"
#include "session.h"
#include "start_time.h"
#include "steps.h"
#include "wine_drives.h"

namespace {

const DWORD SLOW_STEP_MS = 1000; // steps that take longer are reported with their time

const char USAGE[] =
    "usage: wizard_driver SCENARIO [NAME=VALUE...]\n"
    "         runs a scenario; ${NAME} in it stands for VALUE. The driver reads SETUP (the\n"
    "         Setup.exe that 'start' runs), INKWELL (the sample program), SHOTS (folder for\n"
    "         'shot' pictures) and TIMEOUT (seconds any one wait may take, default 20).\n"
    "         The environment's QUILLSET_WAIT_SCALE (1 to 100) lengthens every wait as many\n"
    "         times, for a machine that runs Wine slower, such as an emulated one\n"
    "       wizard_driver --start-time welcome|window PROGRAM\n"
    "         prints the microseconds from starting PROGRAM to its Welcome page or window shown\n";

const DWORD MAX_WAIT_SCALE = 100;
const DWORD WAIT_SCALE_CHARS = 16;

// The factor from QUILLSET_WAIT_SCALE, or 0 when it holds no whole number from 1 to the maximum.
DWORD ReadWaitScale()
{
    char text[WAIT_SCALE_CHARS];
    DWORD length = GetEnvironmentVariableA("QUILLSET_WAIT_SCALE", text, WAIT_SCALE_CHARS);
    if (length == 0)
        return 1;
    if (length >= WAIT_SCALE_CHARS)
        return 0;
    char* end = nullptr;
    unsigned long scale = std::strtoul(text, &end, 10);
    return (*end == '\0' && scale >= 1 && scale <= MAX_WAIT_SCALE) ? (DWORD)scale : 0;
}

// The step's words after variables were expanded, texts in quotes.
std::string DescribeWords(const Step& step)
{
    std::string text;
    for (const std::string& word : step.words) {
        bool plain = !word.empty() && word.find_first_of(" \t\r\n\"") == std::string::npos;
        text += (text.empty() ? "" : " ") + (plain ? word : QuoteText(word));
    }
    return text;
}

int RunScenario(Session& session, const Scenario& scenario)
{
    for (const Step& step : scenario.steps) {
        std::printf("%4d  %s\n", step.line, step.source.c_str());
        std::fflush(stdout);
        DWORD start = GetTickCount();
        std::string problem = RunStep(session, step);
        DWORD spent = GetTickCount() - start;
        if (spent >= SLOW_STEP_MS)
            std::printf("      (took %.1f s)\n", spent / 1000.0);
        if (!problem.empty()) {
            std::printf("%s:%d: FAILED: %s\n", scenario.fileName.c_str(), step.line, step.source.c_str());
            if (step.source.find("${") != std::string::npos)
                std::printf("    as run: %s\n", DescribeWords(step).c_str());
            std::printf("    %s\n", problem.c_str());
            return 1;
        }
    }
    if (IsRunning(session.setup)) {
        std::printf("%s: FAILED: Setup.exe still runs after the last step\n", scenario.fileName.c_str());
        return 1;
    }
    std::printf("%s: all %zu steps passed\n", scenario.fileName.c_str(), scenario.steps.size());
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::string(argv[1]) == "--start-time")
        return MeasureStartTime(argv[2], argv[3]);
    if (argc < 2 || argv[1][0] == '-') {
        std::fputs(USAGE, stderr);
        return 2;
    }
    Session session;
    for (int i = 2; i < argc; ++i) {
        std::string assignment = argv[i];
        size_t equals = assignment.find('=');
        if (equals == std::string::npos || equals == 0) {
            std::fprintf(stderr, "not a NAME=VALUE variable: %s\n%s", argv[i], USAGE);
            return 2;
        }
        session.variables[assignment.substr(0, equals)] = assignment.substr(equals + 1);
    }
    session.waitScale = ReadWaitScale();
    if (session.waitScale == 0) {
        std::fprintf(stderr, "QUILLSET_WAIT_SCALE is not a whole number from 1 to %lu\n", MAX_WAIT_SCALE);
        return 2;
    }
    if (session.variables.count("TIMEOUT")) {
        int seconds = std::atoi(session.variables["TIMEOUT"].c_str());
        if (seconds <= 0 || seconds > MAX_WAIT_SECONDS) {
            std::fprintf(stderr, "TIMEOUT is not a number of seconds from 1 to %d\n", MAX_WAIT_SECONDS);
            return 2;
        }
        session.timeoutMs = (DWORD)seconds * 1000;
    }
    session.timeoutMs *= session.waitScale;

    Scenario scenario;
    std::string error;
    if (!ReadScenario(argv[1], session.variables, scenario, error)) {
        std::printf("%s\n", error.c_str());
        return 2;
    }
    // Checked before anything runs, so that a typing error is not found halfway.
    for (const Step& step : scenario.steps) {
        std::string problem = CheckStep(step);
        if (!problem.empty()) {
            std::printf("%s:%d: %s: %s\n", scenario.fileName.c_str(), step.line, step.source.c_str(), problem.c_str());
            return 2;
        }
    }
    int result = RunScenario(session, scenario);
    EndProgram(session.setup);
    EndProgram(session.inkwell);
    for (HANDLE held : session.heldHandles)
        CloseHandle(held);
    for (char letter : session.definedDrives)
        (void)DefineWineDrive(letter, "none", ""); // a drive left behind harms no other test
    std::fflush(stdout);
    return result;
}
