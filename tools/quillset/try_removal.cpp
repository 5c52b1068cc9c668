// Both removals run under the same deadline as the installation and picture a hanging one; the
// watch prints every box it answered, which is read back into the report.
#include "try_removal.h"

#include <functional>
#include <optional>
#include <sstream>

#include "file_io.h"
#include "text_encoding.h"
#include "try_driver_output.h"
#include "try_scenario.h"
#include "try_snapshot.h"

namespace quillset {
namespace fs = std::filesystem;
namespace {

std::optional<std::string> FindCommand(const RemovalRun& run, const char* name)
{
    if (!run.uninstallKey)
        return std::nullopt;
    const auto value = run.uninstallKey->find(name);
    if (value == run.uninstallKey->end())
        return std::nullopt;
    return DescribeRegistryData(value->second);
}

std::function<void()> PictureOnTimeout(TryReport& report, const WineWorld& world, const RemovalRun& run)
{
    return [&report, &world, shots = run.shots.empty() ? fs::current_path() : run.shots] {
        fs::create_directories(shots);
        if (world.SaveScreen(shots / "uninstall-timeout.png"))
            report.pictures.push_back((shots / "uninstall-timeout.png").string());
    };
}

std::string DescribeTimeout(const std::string& commandLine, double timeout)
{
    return commandLine + " did not end within " + std::to_string(static_cast<int>(timeout)) + " s";
}

}  // namespace

std::vector<std::string> SplitCommand(const std::string& commandLine)
{
    std::vector<std::string> words = {FindProgramOfCommand(commandLine)};
    std::size_t rest = commandLine.starts_with('"') ? commandLine.find('"', 1) : commandLine.find(' ');
    if (rest == std::string::npos)
        return words;
    std::istringstream tail(commandLine.substr(rest + 1));
    for (std::string word; tail >> word;)
        words.push_back(word);
    return words;
}

void RemoveQuietly(TryReport& report, WineWorld& world, const RemovalRun& run)
{
    const auto commandLine = FindCommand(run, "QuietUninstallString");
    if (!commandLine) {
        report.Pass("removal", "the Uninstall key has no QuietUninstallString: removing as a user");
        RemoveAsUser(report, world, run);
        return;
    }
    // The registry holds the command in the package's code page; Wine takes its arguments in UTF-8.
    std::vector<std::string> words = SplitCommand(*commandLine);
    for (std::string& word : words)
        word = DecodeWindows1252(word);
    const ProcessResult result = world.RunWine(words, world.Folder() / "uninstall.log", run.timeout,
                                               PictureOnTimeout(report, world, run));
    if (result.programsEnded)
        report.Pass("removal", DescribeEndedPrograms("the removal"));
    if (result.timedOut)
        report.Fail("removal", DescribeTimeout(*commandLine, run.timeout));
    else if (result.exitCode != 0)
        report.Fail("removal", *commandLine + " ended with exit code " + std::to_string(result.exitCode));
    else
        report.Pass("removal", *commandLine + " ended with exit code 0");
}

void RemoveAsUser(TryReport& report, WineWorld& world, const RemovalRun& run)
{
    const auto commandLine = FindCommand(run, "UninstallString");
    if (!commandLine) {
        report.Fail("removal", "the Uninstall key has no UninstallString: the product cannot be removed");
        return;
    }
    const fs::path output = world.Folder() / "uninstall-watch.log";
    const ProcessResult result = world.RunWine({run.watch.string(), "answer", DecodeWindows1252(*commandLine)},
                                               output, run.timeout, PictureOnTimeout(report, world, run));
    const WatchOutcome watched = ReadWatchOutput(ReadProgramOutput(output));
    if (result.programsEnded)
        report.Pass("removal", DescribeEndedPrograms("the removal"));
    for (const std::string& question : watched.questions)
        report.Pass("removal", "it asked \"" + question + "\", answered Yes");
    for (const std::string& message : watched.messages) {
        // A box before any question is a refusal to start, not the closing message.
        if (watched.questions.empty())
            report.Fail("removal", "it said \"" + message + "\" without asking to remove the product");
        else
            report.Pass("removal", "it said \"" + message + "\", answered OK");
    }
    if (result.timedOut) {
        report.Fail("removal", DescribeTimeout(*commandLine, run.timeout));
        return;
    }
    if (!watched.exitCode) {
        report.Fail("removal", *commandLine + " could not be run: " +
                                   (watched.failure.empty() ? "the uninstaller watch printed nothing" : watched.failure));
        return;
    }
    if (watched.questions.empty() && watched.messages.empty())
        report.Fail("removal", *commandLine + " asked nothing and said nothing");
    else if (!watched.questions.empty() && watched.messages.empty())
        report.Fail("removal", *commandLine + " said nothing after the removal");
    if (*watched.exitCode != 0)
        report.Fail("removal", *commandLine + " ended with exit code " + std::to_string(*watched.exitCode));
    else
        report.Pass("removal", *commandLine + " ended with exit code 0");
}

}  // namespace quillset
