// The three commands of the quillset tool, separated from option parsing so that each is a
// plain function of its settings: build, embed and inspect.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "compression.h"

namespace quillset {

struct BuildCommand {
    std::filesystem::path manifest;
    std::filesystem::path output;  // empty: Setup.exe, or package.bin with `raw`
    std::filesystem::path stub;    // empty: the default beside the tool
    std::filesystem::path wizard;  // empty: the default beside the tool
    std::filesystem::path uninstaller;  // empty: the default beside the tool
    bool raw = false;
    unsigned threads = 1;
    std::optional<std::string> sign;  // --sign: replaces the manifest's [signing] command
    int level = DEFAULT_LEVEL;
    bool noCache = false;
    std::string cacheLimit;  // empty: QUILLSET_CACHE_LIMIT or the default
};

struct EmbedCommand {
    std::filesystem::path package;
    std::filesystem::path output;  // empty: Setup.exe
    std::filesystem::path stub;
};

// Each returns the process exit code; errors are thrown as std::exception with a message.
int RunBuild(const BuildCommand& command);
int RunEmbed(const EmbedCommand& command);
int RunInspect(const std::filesystem::path& file);

}  // namespace quillset
