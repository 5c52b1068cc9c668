// Processes under a deadline and the prefix copies of a try run. The template is made once
// per user under the cache folder, with a lock so that concurrent runs make one.
#include "try_wine.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "stream_cache.h"
#include "try_display.h"

extern char** environ;

namespace quillset {
namespace fs = std::filesystem;
namespace {

// While the world is closed, a second signal must not stop the cleaning up.
bool closing = false;

// The server lingers a few seconds after its last program; this much is always granted.
constexpr double MIN_SERVER_WAIT_SECONDS = 10;
constexpr double SERVER_END_SECONDS = 30;  // for a server told to end
constexpr const char* RUN_FOLDER_PREFIX = "quillset-try.";
constexpr const char* RUN_LOCK = "run.lock";

// Changed whenever the template is made differently, so that an older one is not used.
constexpr const char* TEMPLATE_NAME = "prefix-win32-v3";

bool IsOnPath(const std::string& program)
{
    const char* path = std::getenv("PATH");
    std::string list = path ? path : "/usr/bin:/bin";
    for (std::size_t start = 0; start <= list.size();) {
        const std::size_t end = std::min(list.find(':', start), list.size());
        const fs::path candidate = fs::path(list.substr(start, end - start)) / program;
        if (access(candidate.c_str(), X_OK) == 0)
            return true;
        start = end + 1;
    }
    return false;
}

// The builds' cache folder; without one (no HOME either), one in /tmp.
fs::path FindCacheFolder()
{
    return FindDefaultCacheFolder().value_or(fs::path("/tmp") / ".cache" / "quillset");
}

// `temporary` is the run's own TMPDIR: Wine may keep the prefix's server folder there (see
// RemoveServerFolder), and in the system's folder those would stay after the run, one for
// every run's copy of the prefix.
std::vector<std::string> MakeEnvironment(const fs::path& prefix, const PrivateDisplay& display,
                                         const fs::path& temporary)
{
    std::vector<std::string> environment;
    for (char** entry = environ; *entry; ++entry) {
        const std::string_view item = *entry;
        const std::string_view name = item.substr(0, item.find('='));
        if (name != "WINEPREFIX" && name != "WINEARCH" && name != "DISPLAY" && name != "WINEDEBUG" &&
            name != "WINEDLLOVERRIDES" && name != "WINESERVER" && name != "WAYLAND_DISPLAY" && name != "TMPDIR" &&
            name != "XAUTHORITY")
            environment.emplace_back(item);
    }
    environment.push_back("WINEPREFIX=" + prefix.string());
    environment.push_back("WINEARCH=win32");
    environment.push_back("DISPLAY=" + display.name);
    if (!display.authority.empty())
        environment.push_back("XAUTHORITY=" + display.authority.string());
    environment.push_back("WINEDEBUG=-all");
    environment.push_back("WINEDLLOVERRIDES=mscoree,mshtml=;winemenubuilder.exe=d");
    environment.push_back("TMPDIR=" + temporary.string());
    return environment;
}

// The last line that a failed step wrote to the template's log from `from` on: most often all
// that says why, such as a Wine loader that this machine's kernel will not start.
std::string ReadLastLogLine(const fs::path& log, std::uintmax_t from)
{
    constexpr std::uintmax_t TAIL_READ = 4096;
    constexpr std::size_t MAX_LINE = 300;
    std::error_code error;
    const std::uintmax_t size = fs::file_size(log, error);
    if (error || size <= from)
        return "";
    const std::uintmax_t start = std::max(from, size > TAIL_READ ? size - TAIL_READ : 0);
    std::ifstream in(log, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(start));
    std::string tail(static_cast<std::size_t>(size - start), '\0');
    in.read(tail.data(), static_cast<std::streamsize>(tail.size()));
    tail.resize(static_cast<std::size_t>(in.gcount()));
    while (!tail.empty() && std::isspace(static_cast<unsigned char>(tail.back())))
        tail.pop_back();
    const std::size_t lineStart = tail.find_last_of('\n');
    std::string line = lineStart == std::string::npos ? tail : tail.substr(lineStart + 1);
    if (line.size() > MAX_LINE)
        line = line.substr(0, MAX_LINE) + "...";
    return line;
}

// Makes the template in a folder of its own beside `target`, then renames it into place, so
// that a half-made template is never used.
void BuildTemplate(const fs::path& target, const fs::path& building, const PrivateDisplay& display,
                   const fs::path& temporary)
{
    const auto environment = MakeEnvironment(building, display, temporary);
    const fs::path log = target.parent_path() / "template.log";
    auto run = [&](const std::vector<std::string>& argv) {
        std::error_code noLog;  // the first step makes it
        const std::uintmax_t logged = fs::file_size(log, noLog);
        if (RunProcess(argv, environment, log, 300).exitCode != 0) {
            const std::string said = ReadLastLogLine(log, noLog ? 0 : logged);
            throw WineBroken("making the Wine prefix failed at '" + argv[0] + " " +
                             (argv.size() > 1 ? argv[1] : "") + "'" + (said.empty() ? "" : ": " + said) +
                             "; see " + log.string());
        }
    };
    run({"wineboot", "--init"});
    run({"wineserver", "--wait"});
    // Wine links the profile's Desktop, Documents, Templates and the like to the user's own
    // home; an installation must not write there, so these become plain folders of the prefix.
    ReplaceOutsideLinks(building / "drive_c", building);
    for (const auto& user : fs::directory_iterator(building / "drive_c" / "users")) {
        if (user.is_directory())
            fs::create_directories(user.path() / "AppData" / "Roaming" / "Microsoft" / "Internet Explorer" /
                                   "Quick Launch");
    }
    // Without a window manager Wine waits for one whenever a window is hidden.
    run({"wine", "reg", "add", "HKCU\\Software\\Wine\\X11 Driver", "/v", "Managed", "/d", "N", "/f"});
    // Windows has these keys from the start; a fresh Wine prefix makes them only when a
    // program first writes below them, and a removal rightly leaves them.
    run({"wine", "reg", "add", "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall", "/f"});
    run({"wine", "reg", "add", "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths", "/f"});
    run({"wineserver", "--wait"});
    fs::rename(building, target);
}

// A template stopped or failed half-way goes with its server, not to be left in the cache.
void MakeTemplate(const fs::path& target, const PrivateDisplay& display, const fs::path& temporary)
{
    const fs::path building = target.string() + ".building";
    fs::remove_all(building);
    fs::create_directories(building);
    try {
        BuildTemplate(target, building, display, temporary);
    } catch (...) {
        closing = true;  // the server is ended even after a stop signal; the run ends anyway
        const auto environment = MakeEnvironment(building, display, temporary);
        RunProcess({"wineserver", "--kill"}, environment, {}, SERVER_END_SECONDS);
        RunProcess({"wineserver", "--wait"}, environment, {}, SERVER_END_SECONDS);
        std::error_code ignored;  // a folder that will not go is only space lost
        fs::remove_all(building, ignored);
        throw;
    }
}

// Takes the template lock, waiting for a run that makes the template; a stop while waiting
// ends the wait without touching the template.
int LockTemplate(const fs::path& lockPath)
{
    const int lockFile = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (lockFile < 0)
        throw std::runtime_error(std::string("cannot open ") + lockPath.string() + ": " + std::strerror(errno));
    while (flock(lockFile, LOCK_EX) != 0) {
        const int error = errno;
        if (error == EINTR && GetStopSignal() == 0)
            continue;
        close(lockFile);
        if (error == EINTR)
            throw TryStopped(GetStopSignal());
        throw std::runtime_error(std::string("cannot lock ") + lockPath.string() + ": " + std::strerror(error));
    }
    return lockFile;
}

}  // namespace

void ReplaceOutsideLinks(const fs::path& root, const fs::path& within)
{
    const fs::path inside = fs::absolute(within).lexically_normal();
    std::vector<fs::path> outside;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
        if (!it->is_symlink())
            continue;
        fs::path target = fs::read_symlink(it->path());
        if (target.is_relative())
            target = it->path().parent_path() / target;
        const fs::path normal = fs::absolute(target).lexically_normal();
        const auto [end, unused] = std::mismatch(inside.begin(), inside.end(), normal.begin(), normal.end());
        if (end != inside.end())
            outside.push_back(it->path());
    }
    for (const fs::path& link : outside) {
        std::error_code error;
        const bool file = fs::is_regular_file(link, error);  // a link to a file keeps a copy of it
        const fs::path copy = link.string() + ".copy";
        if (file)
            fs::copy_file(link, copy, fs::copy_options::overwrite_existing);
        fs::remove(link);
        if (file)
            fs::rename(copy, link);
        else
            fs::create_directory(link);
    }
}

ProcessResult RunProcess(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
                         const fs::path& output, double timeoutSeconds, const std::function<void()>& onTimeout)
{
    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    std::vector<char*> env;
    for (const std::string& item : environment)
        env.push_back(const_cast<char*>(item.c_str()));
    env.push_back(nullptr);

    const pid_t pid = fork();
    if (pid < 0)
        throw std::runtime_error("cannot start " + argv[0]);
    if (pid == 0) {
        setpgid(0, 0);
        const int in = open("/dev/null", O_RDONLY);
        const int out = output.empty() ? open("/dev/null", O_WRONLY)
                                       : open(output.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        dup2(in, 0);
        dup2(out, 1);
        dup2(out, 2);
        execvpe(args[0], args.data(), env.data());
        _exit(127);
    }
    setpgid(pid, pid);
    ProcessResult result;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutSeconds);
    int status = 0;
    while (true) {
        const pid_t ended = waitpid(pid, &status, WNOHANG);
        if (ended == pid)
            break;
        if (std::chrono::steady_clock::now() >= deadline) {
            result.timedOut = true;
            // A stop during the picture still ends the process group waited for.
            try {
                if (onTimeout)
                    onTimeout();
            } catch (...) {
                kill(-pid, SIGKILL);
                waitpid(pid, &status, 0);
                throw;
            }
            kill(-pid, SIGKILL);
            waitpid(pid, &status, 0);
            return result;
        }
        if (GetStopSignal() != 0 && !closing) {
            kill(-pid, SIGKILL);
            waitpid(pid, &status, 0);
            throw TryStopped(GetStopSignal());
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}

void ThrowIfStopped()
{
    if (GetStopSignal() != 0)
        throw TryStopped(GetStopSignal());
}

TryStopped::TryStopped(int signal)
    : std::runtime_error("stopped by signal " + std::to_string(signal) +
                         "; the run's display, Wine server and prefix are removed"),
      signal(signal)
{
}

std::optional<std::string> FindMissingTools()
{
    std::vector<std::string> packages;
    if (!IsOnPath("wine") || !IsOnPath("wineserver") || !IsOnPath("wineboot"))
        packages.push_back("wine");
    const bool loader = access("/usr/lib/wine/wine", X_OK) == 0 || IsOnPath("wine-stable") ||
                        access("/usr/lib/i386-linux-gnu/wine/i386-windows/kernel32.dll", R_OK) == 0;
    if (!loader)
        packages.push_back("wine32:i386 (after dpkg --add-architecture i386 && apt-get update)");
    if (!IsOnPath("Xvfb"))
        packages.push_back("xvfb");
    if (!IsOnPath("convert"))
        packages.push_back("imagemagick");
    if (!IsOnPath("xwd"))
        packages.push_back("x11-apps");
    if (packages.empty())
        return std::nullopt;
    std::string message = "quillset try needs Wine with its 32-bit loader, Xvfb, xwd and ImageMagick; install:";
    for (const std::string& package : packages)
        message += " " + package;
    return message;
}

namespace {

// Debian's Wine puts a prefix's server folder, server-DEVICE-INODE of the prefix in hex, in
// /run/user/UID/wine when the login made /run/user/UID, and in TMPDIR (the run's) otherwise.
// The one in /run/user stays after the server, and each run's prefix copy is a new inode.
void RemoveServerFolder(const fs::path& prefix)
{
    struct stat status { };
    if (::stat(prefix.c_str(), &status) != 0)
        return;
    std::ostringstream name;
    name << "server-" << std::hex << static_cast<unsigned long long>(status.st_dev) << "-"
         << static_cast<unsigned long long>(status.st_ino);
    std::error_code ignored;  // none there is the usual case
    fs::remove_all(fs::path("/run/user") / std::to_string(::getuid()) / "wine" / name.str(), ignored);
}

}  // namespace

void RemoveAbandonedRuns(const fs::path& parent)
{
    std::error_code error;
    std::vector<fs::path> folders;
    for (const auto& entry : fs::directory_iterator(parent, error)) {
        if (entry.path().filename().string().starts_with(RUN_FOLDER_PREFIX) && !entry.is_symlink(error) &&
            entry.is_directory(error))
            folders.push_back(entry.path());
    }
    for (const fs::path& folder : folders) {
        struct stat status { };
        if (::lstat(folder.c_str(), &status) != 0 || status.st_uid != ::getuid())
            continue;
        const int lock = ::open((folder / RUN_LOCK).c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        if (lock < 0)
            continue;
        if (::flock(lock, LOCK_EX | LOCK_NB) == 0) {
            const fs::path prefix = folder / "prefix";
            if (fs::exists(prefix / "system.reg", error)) {
                RunProcess({"wineserver", "--kill"}, MakeEnvironment(prefix, {}, folder / "tmp"), {},
                           SERVER_END_SECONDS);
                RemoveServerFolder(prefix);
            }
            fs::remove_all(folder, error);  // what cannot be removed is tried again by the next run
        }
        (void)::close(lock);  // only read
    }
}

WineWorld::WineWorld()
{
    stopWatch_.emplace();
    const char* tmp = std::getenv("TMPDIR");
    // Absolute, as Wine takes only an absolute prefix.
    const fs::path parent = fs::absolute(tmp && *tmp ? tmp : "/tmp");
    RemoveAbandonedRuns(parent);
    std::string pattern = (parent / (std::string(RUN_FOLDER_PREFIX) + "XXXXXX")).string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error(std::string("cannot make the run's folder in ") + parent.string() + ": " +
                                 std::strerror(errno) + " (set TMPDIR to a folder that can be written)");
    folder_ = pattern;
    // Locked before it takes its name, so that no other run ever finds it unlocked.
    const fs::path newLock = folder_ / (std::string(RUN_LOCK) + ".new");
    runLock_ = ::open(newLock.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (runLock_ < 0 || ::flock(runLock_, LOCK_EX | LOCK_NB) != 0 ||
        ::rename(newLock.c_str(), (folder_ / RUN_LOCK).c_str()) != 0) {
        const std::string reason = std::strerror(errno);
        Close();
        throw std::runtime_error("cannot lock the run's folder " + pattern + ": " + reason);
    }
    prefix_ = folder_ / "prefix";
    temporary_ = folder_ / "tmp";
    std::error_code error;
    if (!fs::create_directory(temporary_, error)) {
        Close();
        throw std::runtime_error("cannot make a temporary folder: " + error.message());
    }

    try {
        display_ = StartPrivateDisplay(folder_);
    } catch (const std::exception&) {
        Close();
        throw;
    }

    try {
        const fs::path cache = FindCacheFolder();
        std::error_code made;
        fs::create_directories(cache, made);
        if (made)
            throw std::runtime_error("cannot make " + cache.string() + ", the folder of try's Wine template: " +
                                     made.message() + "; set XDG_CACHE_HOME to a folder you can write");
        const fs::path templatePrefix = cache / TEMPLATE_NAME;
        const int lockFile = LockTemplate(cache / "template.lock");
        try {
            if (!fs::exists(templatePrefix / "system.reg"))
                MakeTemplate(templatePrefix, display_, temporary_);
        } catch (...) {
            close(lockFile);
            throw;
        }
        close(lockFile);
        fs::copy(templatePrefix, prefix_, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    } catch (const std::exception&) {
        Close();
        throw;
    }
}

WineWorld::~WineWorld() { Close(); }

void WineWorld::Close()
{
    closing = true;
    if (fs::exists(prefix_)) {
        RunProcess({"wineserver", "--kill"}, Environment(), {}, SERVER_END_SECONDS);
        RunProcess({"wineserver", "--wait"}, Environment(), {}, SERVER_END_SECONDS);
        RemoveServerFolder(prefix_);
    }
    EndPrivateDisplay(display_);
    std::error_code ignored;
    if (!folder_.empty())
        fs::remove_all(folder_, ignored);
    folder_.clear();
    if (runLock_ >= 0)
        (void)::close(runLock_);  // its file is gone with the folder
    runLock_ = -1;
    stopWatch_.reset();
    closing = false;
}

std::vector<std::string> WineWorld::Environment() const
{
    return MakeEnvironment(prefix_, display_, temporary_);
}

bool WineWorld::WaitForServer(double seconds)
{
    if (!RunProcess({"wineserver", "--wait"}, Environment(), {}, seconds).timedOut)
        return true;
    // The registry is read next: the server saves it only as it ends.
    RunProcess({"wineserver", "--kill"}, Environment(), {}, SERVER_END_SECONDS);
    RunProcess({"wineserver", "--wait"}, Environment(), {}, SERVER_END_SECONDS);
    return false;
}

ProcessResult WineWorld::RunWine(const std::vector<std::string>& args, const fs::path& output,
                                 double timeoutSeconds, const std::function<void()>& onTimeout)
{
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::string> argv = {"wine"};
    argv.insert(argv.end(), args.begin(), args.end());
    ProcessResult result = RunProcess(argv, Environment(), output, timeoutSeconds, onTimeout);
    if (result.timedOut) {
        RunProcess({"wineserver", "--kill"}, Environment(), {}, SERVER_END_SECONDS);
        WaitForServer(SERVER_END_SECONDS);
        return result;
    }
    const double spent = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    result.programsEnded = !WaitForServer(std::max(timeoutSeconds - spent, MIN_SERVER_WAIT_SECONDS));
    return result;
}

bool WineWorld::SaveScreen(const fs::path& png) const
{
    const fs::path dump = folder_ / "screen.xwd";
    std::vector<std::string> environment = Environment();
    if (RunProcess({"xwd", "-root", "-silent", "-out", dump.string()}, environment, {}, 20).exitCode != 0)
        return false;
    return RunProcess({"convert", dump.string(), "-strip", "png:" + png.string()}, environment, {}, 30).exitCode == 0;
}

std::optional<fs::path> WineWorld::ToUnixPath(const std::string& windowsPath) const
{
    if (windowsPath.size() < 3 || (windowsPath[0] != 'C' && windowsPath[0] != 'c') || windowsPath[1] != ':')
        return std::nullopt;
    std::string rest = windowsPath.substr(3);
    std::replace(rest.begin(), rest.end(), '\\', '/');
    return prefix_ / "drive_c" / rest;
}

std::string WineWorld::ToWinePath(const fs::path& file)
{
    std::string path = "Z:" + fs::absolute(file).lexically_normal().string();
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

}  // namespace quillset
