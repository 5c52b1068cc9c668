// The private Xvfb display of a try run: a free display number, served only to clients that
// hold the run's cookie, so that no other user of the machine can watch or drive the wizard.
#pragma once

#include <filesystem>
#include <string>

namespace quillset {

struct PrivateDisplay {
    std::string name;                 // ":N", or empty when none was started
    std::filesystem::path authority;  // the Xauthority file with the display's cookie
    int pid = -1;                     // the Xvfb process
};

// Writes a fresh random cookie for display `number` to `authority` (mode 0600), in the
// Xauthority format that Xvfb's -auth and the clients' XAUTHORITY read.
void WriteDisplayCookie(const std::filesystem::path& authority, int number);

// Starts Xvfb on the first free display from :200 on, with its cookie in `folder`/Xauthority.
// Throws std::runtime_error when no display could be started.
PrivateDisplay StartPrivateDisplay(const std::filesystem::path& folder);

// Ends the display's server, if one was started.
void EndPrivateDisplay(PrivateDisplay& display);

}  // namespace quillset
