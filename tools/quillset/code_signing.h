// The vendor's signing command: split into words like a shell would, but run without one, once
// for each program that users run, on temporary copies named by the placeholders {in} and {out}.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace quillset {

inline constexpr std::string_view SIGNING_INPUT = "{in}";
inline constexpr std::string_view SIGNING_OUTPUT = "{out}";

struct SigningCommand {
    std::vector<std::string> words;  // the program and its arguments, placeholders unreplaced
    std::filesystem::path folder;    // where it runs: relative paths in it start here
};

// A signing command that ran but did not sign; `exitCode` is the command's own when it failed,
// so that a build script sees it, and 1 otherwise.
class SigningError : public std::runtime_error {
public:
    SigningError(const std::string& message, int exitCode)
        : std::runtime_error(message), exitCode(exitCode) {}
    int exitCode;
};

// The words of `text`: blanks separate them; '...' keeps everything literally, "..." all but
// \" and \\, and a backslash outside quotes keeps the next character. Throws
// std::invalid_argument for an open quote, a trailing backslash, or an unquoted character that
// a shell would treat specially (| & ; < > ( ) $ ` * ? and a leading # or ~), since no shell
// runs the command and the vendor would not get what such a character asks for.
std::vector<std::string> SplitCommandWords(std::string_view text);

// SplitCommandWords, and then the placeholders: {in} and {out} must each appear, and not as
// the program. Throws std::invalid_argument saying what is wrong.
SigningCommand ParseSigningCommand(std::string_view text, const std::filesystem::path& folder);

// The existing files that the command's words name, each word as it stands and the value
// after an option's '=' (-key=key.pem), taken from the command's folder: a key, a certificate,
// a password file. A build's output must not replace them.
std::vector<std::filesystem::path> ListNamedFiles(const SigningCommand& command);

// `words` with every {in} and {out} replaced by the paths.
std::vector<std::string> ReplacePlaceholders(const std::vector<std::string>& words, std::string_view input,
                                             std::string_view output);

// Runs `command` on a copy of `image` called `fileName` in a private temporary folder, which is
// removed afterwards whatever happens, and returns what the command wrote. Throws SigningError,
// with the command's output, when it exits non-zero, writes no file, writes no PE image, or
// writes one whose signature is missing, damaged or followed by bytes.
std::vector<std::uint8_t> SignImage(const SigningCommand& command, std::span<const std::uint8_t> image,
                                    std::string_view fileName);

}  // namespace quillset
