// Splits and runs the signing command with posix_spawnp, no shell in between, so that no file
// name or manifest text is ever parsed twice; its output is kept in a file, shown on failure.
#include "code_signing.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <thread>

#include "file_io.h"
#include "pe_image.h"
#include "pe_signature.h"
#include "signer_certificate.h"
#include "stop_signals.h"

extern char** environ;

namespace quillset {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view SHELL_SPECIAL = "|&;<>()$`*?";
// A signed program is a few kilobytes larger than the unsigned one; the bound only keeps a
// runaway command from filling memory.
constexpr std::uint64_t MAX_SIGNED_SIZE = std::uint64_t{1} << 32;
// Of a chatty command's output, the end says why it failed.
constexpr std::streamoff MAX_SHOWN_OUTPUT = 16 * 1024;

[[noreturn]] void Refuse(const std::string& message)
{
    throw std::invalid_argument(message);
}

[[noreturn]] void RefuseSpecial(char c, std::string_view where)
{
    Refuse(std::string("the signing command has an unquoted ") + c + std::string(where) +
           "; no shell runs it, so the character would not do what it does in a shell: quote it, "
           "or run a shell explicitly, as in sh -c '... \"$1\" \"$2\"' sh {in} {out}");
}

// A private folder for the copies and the output, removed with what the command left in it.
class SigningFolder {
public:
    SigningFolder()
    {
        std::error_code error;
        const fs::path parent = fs::temp_directory_path(error);
        if (error) {
            const char* named = std::getenv("TMPDIR");
            throw std::runtime_error("cannot make a temporary folder for signing: " + error.message() +
                                     (named ? std::string(" (TMPDIR is \"") + named + "\")" : std::string()) +
                                     "; set TMPDIR to a folder that can be written");
        }
        std::string pattern = (fs::absolute(parent) / "quillset-sign.XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("cannot make a temporary folder for signing in " + parent.string() + ": " +
                                     std::strerror(errno));
        path = pattern;
    }
    ~SigningFolder()
    {
        std::error_code ignored;  // nothing more can be done about a folder that will not go
        fs::remove_all(path, ignored);
    }
    SigningFolder(const SigningFolder&) = delete;
    SigningFolder& operator=(const SigningFolder&) = delete;
    fs::path path;
};

// The end of the command's output, each line indented, for a message.
std::string ReadShownOutput(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary | std::ios::ate);
    const std::streamoff size = in ? static_cast<std::streamoff>(in.tellg()) : 0;
    if (size <= 0)
        return "; it printed nothing";
    in.seekg(std::max<std::streamoff>(0, size - MAX_SHOWN_OUTPUT));
    std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    std::string shown = size > MAX_SHOWN_OUTPUT ? "; the end of its output:\n  ..." : "; its output:";
    for (std::size_t at = 0; at <= text.size();) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        shown += "\n  " + text.substr(at, end - at);
        at = end + 1;
    }
    return shown;
}

struct CommandResult {
    int spawnError = 0;  // errno of a program that could not be started
    int status = 0;      // of waitpid
    int stopSignal = 0;  // a stop signal that came to the tool while the command ran
};

// How often the wait looks for a stop signal, and how long a stopped command may take to end.
constexpr auto STOP_POLL = std::chrono::milliseconds(50);
constexpr auto STOP_GRACE = std::chrono::seconds(5);

// Ends the command's process group, with SIGKILL if SIGTERM does not do it in time.
void EndCommand(pid_t child, int& status)
{
    ::kill(-child, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + STOP_GRACE;
    while (::waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() >= deadline) {
            ::kill(-child, SIGKILL);
            ::waitpid(child, &status, 0);
            return;
        }
        std::this_thread::sleep_for(STOP_POLL);
    }
}

// Runs `words` in `folder` with standard input from /dev/null and no terminal (a command that
// asks for a password must not hang the build) and standard output and error into `log`.
CommandResult RunCommand(const std::vector<std::string>& words, const fs::path& folder, const fs::path& log)
{
    std::vector<char*> argv;
    for (const std::string& word : words)
        argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    // A session of its own: no controlling terminal, so that a prompt on /dev/tty fails instead
    // of stopping the command for good, and a process group led by the command, so that a stop
    // ends it with whatever it started.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    const StopSignalWatch watch;
    pid_t child = 0;
    CommandResult result;
    result.spawnError = ::posix_spawnp(&child, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (result.spawnError != 0)
        return result;
    while (true) {
        const pid_t ended = ::waitpid(child, &result.status, WNOHANG);
        if (ended == child)
            break;
        if (ended < 0 && errno != EINTR)
            throw std::runtime_error(std::string("cannot wait for the signing command: ") +
                                     std::strerror(errno));
        if (GetStopSignal() != 0) {
            EndCommand(child, result.status);
            break;
        }
        std::this_thread::sleep_for(STOP_POLL);
    }
    result.stopSignal = GetStopSignal();
    return result;
}

}  // namespace

std::vector<std::string> SplitCommandWords(std::string_view text)
{
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == ' ' || c == '\t') {
            if (inWord)
                words.push_back(std::move(word));
            word.clear();
            inWord = false;
            continue;
        }
        if (c == '\n')
            Refuse("the signing command spans lines, which a shell would run as commands of their own; "
                   "write it on one line");
        if (c == '\\') {
            if (i + 1 == text.size())
                Refuse("the signing command ends in a backslash, which escapes nothing");
            if (text[++i] != '\n') {  // a backslash before a line end joins the lines
                word += text[i];
                inWord = true;
            }
            continue;
        }
        if (!inWord && (c == '#' || c == '~'))
            RefuseSpecial(c, " at the start of a word");
        inWord = true;
        if (c == '\'') {
            const std::size_t close = text.find('\'', i + 1);
            if (close == std::string_view::npos)
                Refuse("a single quote in the signing command is not closed");
            word.append(text.substr(i + 1, close - i - 1));
            i = close;
        } else if (c == '"') {
            for (++i;; ++i) {
                if (i == text.size())
                    Refuse("a double quote in the signing command is not closed");
                const char quoted = text[i];
                if (quoted == '"')
                    break;
                if (quoted == '\\' && i + 1 < text.size() && std::string_view("\"\\$`\n").find(text[i + 1]) !=
                                                                  std::string_view::npos) {
                    if (text[++i] != '\n')
                        word += text[i];
                    continue;
                }
                if (quoted == '$' || quoted == '`')
                    RefuseSpecial(quoted, " in double quotes, which a shell would expand");
                word += quoted;
            }
        } else if (SHELL_SPECIAL.find(c) != std::string_view::npos) {
            RefuseSpecial(c, "");
        } else {
            word += c;
        }
    }
    if (inWord)
        words.push_back(std::move(word));
    return words;
}

SigningCommand ParseSigningCommand(std::string_view text, const fs::path& folder)
{
    SigningCommand command{SplitCommandWords(text), fs::absolute(folder)};
    if (command.words.empty())
        Refuse("the signing command is empty");
    const auto names = [&](std::string_view placeholder) {
        return std::ranges::any_of(command.words, [&](const std::string& word) {
            return word.find(placeholder) != std::string::npos;
        });
    };
    const std::string& program = command.words.front();
    if (program.find(SIGNING_INPUT) != std::string::npos || program.find(SIGNING_OUTPUT) != std::string::npos)
        Refuse("the signing command's first word, the program it runs, cannot hold {in} or {out}");
    if (!names(SIGNING_INPUT))
        Refuse("the signing command does not name the file to sign: write {in} where its path goes");
    if (!names(SIGNING_OUTPUT))
        Refuse("the signing command does not name the signed file: write {out} where its path goes");
    return command;
}

std::vector<fs::path> ListNamedFiles(const SigningCommand& command)
{
    std::vector<fs::path> files;
    for (const std::string& word : command.words) {
        if (word.find(SIGNING_INPUT) != std::string::npos || word.find(SIGNING_OUTPUT) != std::string::npos)
            continue;
        std::vector<std::string_view> names{word};
        if (const std::size_t equals = word.find('='); equals != std::string::npos)
            names.push_back(std::string_view(word).substr(equals + 1));
        for (const std::string_view name : names) {
            std::error_code error;
            const fs::path file = name.empty() ? fs::path() : command.folder / name;
            if (!file.empty() && fs::is_regular_file(file, error))
                files.push_back(file);
        }
    }
    return files;
}

std::vector<std::string> ReplacePlaceholders(const std::vector<std::string>& words, std::string_view input,
                                             std::string_view output)
{
    std::vector<std::string> replaced;
    for (const std::string_view word : words) {
        std::string text;
        for (std::size_t at = 0; at < word.size();) {
            if (word.substr(at).starts_with(SIGNING_INPUT)) {
                text += input;
                at += SIGNING_INPUT.size();
            } else if (word.substr(at).starts_with(SIGNING_OUTPUT)) {
                text += output;
                at += SIGNING_OUTPUT.size();
            } else {
                text += word[at++];
            }
        }
        replaced.push_back(std::move(text));
    }
    return replaced;
}

std::vector<std::uint8_t> SignImage(const SigningCommand& command, std::span<const std::uint8_t> image,
                                    std::string_view fileName)
{
    const SigningFolder folder;
    // Each copy keeps the program's own name, for a signer that looks at it.
    const fs::path input = folder.path / "unsigned" / fileName;
    const fs::path output = folder.path / "signed" / fileName;
    fs::create_directory(input.parent_path());
    fs::create_directory(output.parent_path());
    WriteFileAtomically(input, image);
    const fs::path log = folder.path / "output.txt";

    const std::vector<std::string> words =
        ReplacePlaceholders(command.words, input.string(), output.string());
    const CommandResult result = RunCommand(words, command.folder, log);
    const std::string what = "the signing command '" + words.front() + "'";
    const std::string file = std::string(fileName);
    if (result.spawnError != 0)
        throw SigningError(
            "cannot run " + what + " to sign " + file + ": " + std::strerror(result.spawnError), 127);
    // The signing folder goes as this unwinds, and the tool exits as the signal would have it.
    if (result.stopSignal != 0)
        throw SigningError("stopped by signal " + std::to_string(result.stopSignal) + " while " + what +
                               " signed " + file + "; the command was ended and its files removed",
                           128 + result.stopSignal);
    if (WIFSIGNALED(result.status))
        throw SigningError(what + " was ended by signal " + std::to_string(WTERMSIG(result.status)) +
                               " while it signed " + file + ReadShownOutput(log),
                           128 + WTERMSIG(result.status));
    const int exitCode = WIFEXITED(result.status) ? WEXITSTATUS(result.status) : 1;
    if (exitCode != 0)
        throw SigningError(what + " failed with exit code " + std::to_string(exitCode) + " while it signed " +
                               file + ReadShownOutput(log),
                           exitCode);
    std::error_code error;
    if (!fs::is_regular_file(output, error))
        throw SigningError(what + " succeeded but wrote no signed " + file + " where {out} named it" +
                               ReadShownOutput(log),
                           1);
    std::vector<std::uint8_t> signedImage = ReadWholeFile(output, MAX_SIGNED_SIZE);
    PeSignature signature;
    try {
        signature = FindPeSignature(ReadPeImage(signedImage), signedImage);
    } catch (const PeFormatError& problem) {
        throw SigningError(what + " wrote a signed " + file + " that is no valid PE image (" +
                               problem.what() + ")" + ReadShownOutput(log),
                           1);
    }
    // Verifiers refuse such a file, or accept bytes that nobody signed; inspect fails on it.
    if (signature.state == PeSignature::State::Damaged || signature.trailingBytes != 0)
        throw SigningError(what + " wrote a " + file + " whose signature is unsound (" +
                               DescribePeSignature(signature) + ")" + ReadShownOutput(log),
                           1);
    // A command that exits 0 without signing, as a copy does, would ship an unsigned program.
    if (signature.state == PeSignature::State::Unsigned)
        throw SigningError(what + " succeeded but left " + file + " unsigned: what it wrote at {out} carries "
                                  "no signature" + ReadShownOutput(log),
                           1);
    // The signature covers whatever the command wrote, so neither inspect nor a verifier would
    // notice a program that it changed on the way: one for another machine, or a DLL.
    std::optional<std::uint64_t> change;
    try {
        change = FindChangeBeyondSignature(image, signedImage);
    } catch (const std::runtime_error& problem) {
        throw SigningError("cannot compare the signed " + file + " with the program given to " + what + ": " +
                               problem.what(),
                           1);
    }
    if (change)
        throw SigningError(what + " wrote a " + file + " that differs from the program it was given at byte " +
                               std::to_string(*change) + ": a signer may add a signature, its directory entry "
                               "and the checksum, and change nothing else" + ReadShownOutput(log),
                           1);
    // A signature that Windows refuses tells users the program is not the vendor's, on every
    // machine; signers such as osslsigncode sign with any certificate they are given.
    const auto signedData = std::span<const std::uint8_t>(signedImage).subspan(signature.signedDataOffset,
                                                                               signature.signedDataSize);
    if (std::optional<std::string> problem = FindUnusableSigner(signedData, std::time(nullptr)))
        throw SigningError(what + " signed " + file + ", but Windows would refuse the signature: " + *problem, 1);
    return signedImage;
}

}  // namespace quillset
