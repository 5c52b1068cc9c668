// The try run's Xvfb display and its cookie. Xvfb without -auth serves every local client, as
// its socket is open to all; with one, only those that present the cookie.
#include "try_display.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/random.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <thread>
#include <vector>

namespace quillset {
namespace fs = std::filesystem;
namespace {

constexpr int FIRST_DISPLAY = 200;
constexpr int DISPLAY_LIMIT = 400;
constexpr std::size_t COOKIE_SIZE = 16;
constexpr const char* COOKIE_PROTOCOL = "MIT-MAGIC-COOKIE-1";
// An entry for any address, so that the cookie serves the local socket whatever the host is
// called.
constexpr std::uint16_t FAMILY_WILD = 0xFFFF;

// A field of an Xauthority entry: its length as a big-endian u16, then its bytes.
void AppendField(std::vector<std::uint8_t>& entry, const void* bytes, std::size_t size)
{
    entry.push_back(static_cast<std::uint8_t>(size >> 8));
    entry.push_back(static_cast<std::uint8_t>(size));
    const auto* begin = static_cast<const std::uint8_t*>(bytes);
    entry.insert(entry.end(), begin, begin + size);
}

}  // namespace

void WriteDisplayCookie(const fs::path& authority, int number)
{
    std::array<std::uint8_t, COOKIE_SIZE> cookie{};
    if (getrandom(cookie.data(), cookie.size(), 0) != static_cast<ssize_t>(cookie.size()))
        throw std::runtime_error(std::string("cannot make a cookie for the display: ") + std::strerror(errno));
    std::vector<std::uint8_t> entry = {FAMILY_WILD >> 8, FAMILY_WILD & 0xFF};
    AppendField(entry, "", 0);
    const std::string display = std::to_string(number);
    AppendField(entry, display.data(), display.size());
    AppendField(entry, COOKIE_PROTOCOL, std::strlen(COOKIE_PROTOCOL));
    AppendField(entry, cookie.data(), cookie.size());

    const int file = ::open(authority.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (file < 0)
        throw std::runtime_error("cannot write " + authority.string() + ": " + std::strerror(errno));
    const bool written = ::write(file, entry.data(), entry.size()) == static_cast<ssize_t>(entry.size());
    const int writeError = errno;
    if (::close(file) != 0 || !written)
        throw std::runtime_error("cannot write " + authority.string() + ": " +
                                 std::strerror(written ? errno : writeError));
}

PrivateDisplay StartPrivateDisplay(const fs::path& folder)
{
    PrivateDisplay started;
    started.authority = folder / "Xauthority";
    for (int number = FIRST_DISPLAY; number < DISPLAY_LIMIT && started.name.empty(); ++number) {
        const std::string lock = "/tmp/.X" + std::to_string(number) + "-lock";
        const std::string socket = "/tmp/.X11-unix/X" + std::to_string(number);
        if (fs::exists(lock) || fs::exists(socket))
            continue;
        WriteDisplayCookie(started.authority, number);
        const pid_t pid = fork();
        if (pid < 0)
            throw std::runtime_error(std::string("cannot start Xvfb: ") + std::strerror(errno));
        if (pid == 0) {
            setpgid(0, 0);
            // Should the tool itself be killed, the display goes with it.
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            const int null = open("/dev/null", O_RDWR);
            dup2(null, 0);
            dup2(null, 1);
            dup2(null, 2);
            const std::string name = ":" + std::to_string(number);
            execlp("Xvfb", "Xvfb", name.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp", "-auth",
                   started.authority.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        // Another run may take the same number at once; the display is ours only when the
        // lock file names this Xvfb.
        for (int wait = 0; wait < 100; ++wait) {
            if (waitpid(pid, nullptr, WNOHANG) == pid)
                break;
            std::ifstream in(lock);
            int owner = 0;
            if (fs::exists(socket) && (in >> owner) && owner == pid) {
                started.name = ":" + std::to_string(number);
                started.pid = pid;
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        if (started.name.empty() && waitpid(pid, nullptr, WNOHANG) == 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    }
    if (started.name.empty())
        throw std::runtime_error("no Xvfb display could be started");
    return started;
}

void EndPrivateDisplay(PrivateDisplay& display)
{
    if (display.pid > 0) {
        kill(display.pid, SIGTERM);
        waitpid(display.pid, nullptr, 0);
    }
    display.pid = -1;
    display.name.clear();
}

}  // namespace quillset
