// Reads back a Windows shell link (.lnk) from its bytes: the show command, the target's local
// path from the LinkInfo block and the working directory from the string data.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace quillset {

struct ShellLink {
    bool ok = false;
    std::string problem;         // why the bytes are no readable link
    std::uint32_t showCommand = 0;
    std::string localBasePath;   // empty when the link has no LinkInfo with a local path
    std::string workingDir;      // empty when the link stores none
};

// Every offset and length is checked against the bytes, so any input is safe.
ShellLink ParseShellLink(std::span<const std::uint8_t> bytes);

}  // namespace quillset
