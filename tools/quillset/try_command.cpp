// The try run in order: a fresh prefix, a snapshot, the wizard walked by the test driver, the
// checks, the removal, a second snapshot; the driver's printed steps tell which pages it passed.
#include "try_command.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>

#include "common/path_routines.h"
#include "file_io.h"
#include "inspector.h"
#include "name_rules.h"
#include "output_guard.h"
#include "pe_image.h"
#include "pe_resources.h"
#include "text_encoding.h"
#include "tool_paths.h"
#include "try_checks.h"
#include "try_driver_output.h"
#include "try_removal.h"
#include "try_wine.h"

namespace quillset {
namespace fs = std::filesystem;
namespace {

void ConvertShots(TryReport& report, const WineWorld& world, const fs::path& from, const fs::path& to)
{
    if (!fs::exists(from))
        return;
    fs::create_directories(to);
    std::vector<fs::path> pictures;
    for (const auto& entry : fs::directory_iterator(from))
        if (entry.path().extension() == ".bmp")
            pictures.push_back(entry.path());
    std::sort(pictures.begin(), pictures.end());
    for (const fs::path& bmp : pictures) {
        const fs::path png = to / (bmp.stem().string() + ".png");
        if (RunProcess({"convert", bmp.string(), "-strip", "png:" + png.string()}, world.Environment(), {}, 60)
                .exitCode == 0)
            report.pictures.push_back(png.string());
        else
            report.Fail("install", "the picture " + bmp.filename().string() + " could not be converted");
    }
}

// For tests: a shell command run between the installation and the checks, with the prefix in
// WINEPREFIX and the destination's Linux path in QUILLSET_TRY_DEST.
void RunTestHook(const WineWorld& world, const std::string& dest)
{
    const char* hook = std::getenv("QUILLSET_TRY_BEFORE_CHECK");
    if (!hook || !*hook)
        return;
    std::vector<std::string> environment = world.Environment();
    environment.push_back("QUILLSET_TRY_DEST=" + ToPrefixPath(world.Prefix(), dest).string());
    RunProcess({"/bin/sh", "-c", hook}, environment, {}, 60);
}

void WriteJsonReport(const fs::path& file, const TryReport& report)
{
    const std::string json = FormatReportJson(report);
    WriteFileAtomically(file, std::span(reinterpret_cast<const std::uint8_t*>(json.data()), json.size()));
}

}  // namespace

std::string ReadDestination(const std::string& typed)
{
    // The wizard keeps the text in one spelling and writes that into the link targets, the
    // registry and the log; so the checks compare with it, and the refusals read it too.
    std::string dest = typed;
    NormalisePathText(dest.data());
    dest.resize(std::strlen(dest.c_str()));
    // The prefix's other drives are this machine's own folders (Z: is /), which a run must
    // never write to; only C: is thrown away with the prefix. A bare C: is the wizard's to refuse.
    if (dest.size() < 2 || (dest[0] != 'C' && dest[0] != 'c') || dest[1] != ':' || (dest.size() > 2 && dest[2] != '\\'))
        throw std::runtime_error("the destination " + DecodeWindows1252(typed) +
                                 " is not on drive C:, the only drive of the throwaway prefix; give --dest C:\\...");
    // As Windows reads the name: trailing dots and spaces dropped.
    const std::string folded = FoldNameCase(dest + "\\");
    std::string top = folded.substr(3, folded.find('\\', 3) - 3);
    while (!top.empty() && (top.back() == '.' || top.back() == ' '))
        top.pop_back();
    if (top == "WINDOWS")
        throw std::runtime_error("the destination " + DecodeWindows1252(typed) +
                                 " lies in C:\\windows, whose changes Wine makes on its own, so what the "
                                 "product left there cannot be told; give --dest");
    return dest;
}

void CheckPictureOutputs(const TryCommand& command, const std::string& scenario)
{
    std::error_code error;
    if (!command.shots.empty() && fs::exists(command.shots, error) && !fs::is_directory(command.shots, error))
        throw std::runtime_error("--shots " + command.shots.string() + " is a file, not a folder for the pictures");
    const fs::path folder = command.shots.empty() ? fs::current_path() : command.shots;
    std::vector<fs::path> pictures = {folder / "timeout.png", folder / "uninstall-timeout.png"};
    std::istringstream lines(scenario);
    for (std::string line; std::getline(lines, line);)
        if (line.starts_with("shot "))
            pictures.push_back(folder / (line.substr(5, line.find(' ', 5) - 5) + ".png"));
    const fs::path report = command.json.empty() ? fs::path() : fs::absolute(command.json).lexically_normal();
    for (const fs::path& picture : pictures) {
        OutputGuard(picture, "name another folder with --shots").Check(command.setup, "the Setup.exe being tried");
        if (fs::absolute(picture).lexically_normal() == report)
            throw std::runtime_error("--json " + command.json.string() + " is also the picture " + picture.string() +
                                     "; name another file with --json");
    }
}

namespace {

// How much of a broken Wine's printout the error quotes.
constexpr std::size_t MAX_QUOTED_OUTPUT = 600;

// The run itself, with its account in `report`; the caller writes the JSON.
int RunTryInto(const TryCommand& command, TryReport& report)
{
    if (const auto missing = FindMissingTools()) {
        std::cerr << "quillset: error: " << *missing << "\n";
        report.error = *missing;
        return 2;
    }
    const std::vector<std::uint8_t> setup = ReadWholeFile(command.setup, std::uint64_t{1} << 31);
    std::optional<std::span<const std::uint8_t>> resource;
    try {
        resource = FindPackageResource(setup);
    } catch (const PeFormatError& error) {
        throw std::runtime_error(command.setup.string() + ": " + error.what() +
                                 "; try takes a Setup.exe that `quillset build` wrote");
    }
    if (!resource)
        throw std::runtime_error(command.setup.string() + " carries no setup package");
    // A package that inspect fails cannot ship, and reading a crafted one as trusted could hold
    // more memory than it is large.
    const InspectReport inspection = InspectPackage(*resource);
    if (!inspection.failures.empty()) {
        std::string message = command.setup.string() + ": its package fails " +
                              std::to_string(inspection.failures.size()) +
                              " of `quillset inspect`'s checks, so it is not tried:";
        for (const std::string& failure : inspection.failures)
            message += "\n  " + failure;
        throw std::runtime_error(message);
    }
    const TryPackage package = ReadTryPackage(*resource);
    const fs::path driver = ResolveInput({}, "wizard_driver.exe", "", "wizard test driver");
    // Also asked for by a quiet removal, which answers as a user when there is no quiet way.
    const fs::path watch = command.uninstall == "no" ? fs::path() : ResolveInput({}, "uninstall_watch.exe", "", "uninstaller watch");

    TryChoices choices = command.choices;
    // Typed into the wizard's fields, which take Windows-1252 text as the package's names are.
    for (const auto& [option, text] : {std::pair{"--dest", &choices.dest}, {"--menu-folder", &choices.menuFolder}}) {
        try {
            if (*text)
                *text = EncodeWindows1252(**text);
        } catch (const EncodingError& error) {
            throw std::runtime_error(std::string(option) + " '" + **text + "' cannot be typed into the wizard: " +
                                     error.what());
        }
    }
    choices.shots = !command.shots.empty();
    const std::optional<std::string> typed = choices.dest ? choices.dest : ExpandForCheck(package.installDir, "");
    if (!typed)
        throw std::runtime_error("the default destination " + package.installDir +
                                 " names a folder only the wizard knows; give --dest");
    const std::string dest = ReadDestination(*typed);
    // Without a launch entry, the scenario refuses --launch below.
    if (choices.launch && package.launchCommand) {
        const auto program = ExpandForCheck(FindProgramOfCommand(*package.launchCommand), dest);
        if (!program)
            throw std::runtime_error("the launched program's path cannot be told before the installation");
        choices.launchProgram = *program;
    }
    choices.installSeconds = static_cast<int>(command.timeout) + 1;  // the run's own deadline comes first
    if (const char* steps = std::getenv("QUILLSET_TRY_ON_READY"))
        choices.readySteps = steps;
    const std::string scenario = MakeScenario(package, choices);
    CheckPictureOutputs(command, scenario);

    WineWorld world;
    const PrefixSnapshot before = TakeSnapshot(world.Prefix(), dest);

    // The bytes checked above, in the run's folder: Windows cannot name every Linux path (a
    // folder with '*' or '"' in it), and a rebuild during the run must not change what is tried.
    const fs::path setupCopy = world.Folder() / "Setup.exe";
    WriteFileAtomically(setupCopy, setup);
    const fs::path scenarioFile = world.Folder() / "scenario.txt";
    std::ofstream(scenarioFile) << scenario;
    const fs::path shotsFolder = world.Folder() / "shots";
    fs::create_directories(shotsFolder);
    const fs::path driverOutput = world.Folder() / "driver.log";
    const int stepTimeout = std::max(1, std::min(20, static_cast<int>(command.timeout)));
    const ProcessResult run = world.RunWine(
        {driver.string(), WineWorld::ToWinePath(scenarioFile), "SETUP=" + WineWorld::ToWinePath(setupCopy),
         "SHOTS=" + WineWorld::ToWinePath(shotsFolder), "TIMEOUT=" + std::to_string(stepTimeout)},
        driverOutput, command.timeout, [&] {
            const fs::path picture = (command.shots.empty() ? fs::current_path() : command.shots) / "timeout.png";
            if (!command.shots.empty())
                fs::create_directories(command.shots);
            if (world.SaveScreen(picture))
                report.pictures.push_back(picture.string());
        });
    const std::string driverSaid = ReadProgramOutput(driverOutput);
    const DriverOutcome outcome = ReadDriverOutput(driverSaid);
    // A driver that began no step never ran: Wine is what failed, which says nothing of the
    // installer.
    if (outcome.lastStep.empty()) {
        std::string said = driverSaid;
        while (!said.empty() && std::isspace(static_cast<unsigned char>(said.back())))
            said.pop_back();
        if (said.size() > MAX_QUOTED_OUTPUT)
            said = said.substr(0, MAX_QUOTED_OUTPUT) + "...";
        const std::string message = "Wine did not run the wizard test driver" +
                                    (run.timedOut ? " (no end within " + std::to_string(int(command.timeout)) + " s)"
                                                  : " (exit code " + std::to_string(run.exitCode) + ")") +
                                    (said.empty() ? std::string(", and printed nothing") : ": " + said) +
                                    "; the installer was not tried";
        std::cerr << "quillset: error: " << message << "\n";
        report.error = message;
        return 2;
    }
    report.pages = outcome.pages;
    if (!command.shots.empty())
        ConvertShots(report, world, shotsFolder, command.shots);
    bool installed = false;
    const std::string& page = outcome.standing;
    if (run.timedOut)
        report.Fail("install", "the installer hung: no end within " + std::to_string(int(command.timeout)) +
                                   " s, on the " + page + " page at step '" + outcome.lastStep + "'");
    else if (!outcome.messageBox.empty())
        report.Fail("install", "the installer showed a message box on the " + page + " page: " + outcome.messageBox);
    else if (!outcome.failure.empty())
        report.Fail("install", "the installer stopped on the " + page + " page: " + outcome.failure);
    else if (run.exitCode != 0)
        report.Fail("install", "the wizard test driver ended with exit code " + std::to_string(run.exitCode) +
                                   ": " + driverSaid);
    else {
        installed = true;
        report.Pass("install", "the wizard went through its pages and Setup.exe ended with exit code 0");
        if (choices.launch)
            report.Pass("install", "the Finish page started " + choices.launchProgram +
                                       (package.launchHidden ? ", which ran with no window shown"
                                                             : ", which showed its window"));
    }
    if (run.programsEnded)
        report.Pass("install", DescribeEndedPrograms("the installation"));

    InstalledProduct product;
    product.prefix = world.Prefix();
    product.dest = dest;
    product.menuFolder = choices.menuFolder ? *choices.menuFolder : package.menuFolder;
    product.choices = choices;
    if (installed) {
        RunTestHook(world, dest);
        product.user = ParseWineRegistry(ReadProgramOutput(world.Prefix() / "user.reg"));
        product.machine = ParseWineRegistry(ReadProgramOutput(world.Prefix() / "system.reg"));
        report.installed = FindAdded(before, TakeSnapshot(world.Prefix(), dest));
        CheckFiles(report, package, product);
        CheckShortcuts(report, package, product);
        CheckRegistry(report, package, product);
        CheckUninstallLog(report, package, product);
        if (command.uninstall != "no") {
            const RemovalRun removal{FindUninstallKey(package, product), watch, command.shots, command.timeout};
            if (command.uninstall == "ui")
                RemoveAsUser(report, world, removal);
            else
                RemoveQuietly(report, world, removal);
            report.removalRan = true;
            const PrefixSnapshot afterRemoval = TakeSnapshot(world.Prefix(), dest);
            report.leftovers = FindAdded(before, afterRemoval);
            // The other way round: what was there before the installation and is gone now was
            // not the product's to take.
            for (const std::string& entry : FindAdded(afterRemoval, before))
                report.Fail("removal", "took what was there before the installation: " + entry);
        }
    }

    ThrowIfStopped();  // a stop between the processes ends the run as one during them does
    std::cout << FormatReportText(report);
    return report.Failed() ? 1 : 0;
}

}  // namespace

int RunTry(const TryCommand& command)
{
    // The report replaces whatever has its name, as the pictures do; never the Setup.exe.
    OutputGuard(command.json, "name another file with --json").Check(command.setup, "the Setup.exe being tried");
    TryReport report;
    report.setup = command.setup.string();
    if (command.json.empty())
        return RunTryInto(command, report);
    // An earlier run's report must never stand for this one, so until this run has its own the
    // file says it failed: also when the run is refused, fails or is stopped by a signal.
    report.error = "the run did not finish";
    WriteJsonReport(command.json, report);
    report.error.clear();
    try {
        const int code = RunTryInto(command, report);
        WriteJsonReport(command.json, report);
        return code;
    } catch (const std::exception& error) {
        report.error = error.what();
        WriteJsonReport(command.json, report);
        throw;
    }
}

}  // namespace quillset
