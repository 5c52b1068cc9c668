// Parsing and checking of the level and cache options; a bad value is refused with what the
// option accepts, before anything is read.
#include "build_options.h"

#include <cstdlib>
#include <iostream>
#include <stdexcept>

namespace quillset {

CLI::Validator MakePlainNumberCheck()
{
    return CLI::Validator(
        [](const std::string& value) -> std::string {
            if (!value.empty() && value.find_first_not_of("0123456789") == std::string::npos)
                return {};
            return "write the number in decimal digits alone, not \"" + value + "\"";
        },
        "");
}

void AddCompressionOptions(CLI::App& build, BuildCommand& command)
{
    CLI::Option* level =
        build.add_option("--level", command.level,
                         "Compression level of the product's files, 1 (fastest) to 12 (smallest); default " +
                             std::to_string(DEFAULT_LEVEL));
    level->check(MakePlainNumberCheck());
    level->check(CLI::Validator(
        [](const std::string& value) -> std::string {
            std::size_t used = 0;
            int parsed = 0;
            try {
                parsed = std::stoi(value, &used);
            } catch (const std::exception&) {
                used = 0;
            }
            if (used == value.size() && parsed >= MIN_LEVEL && parsed <= BEST_LEVEL)
                return {};
            return "the level is a whole number from 1 (fastest) to 12 (smallest), not \"" + value + "\"";
        },
        "1..12"));
    build.add_flag_callback(
             "--best", [&command] { command.level = BEST_LEVEL; }, "The smallest package: --level 12")
        ->excludes(level);
    build.add_flag("--no-cache", command.noCache,
                   "Compress every file, without reading or writing the stream cache "
                   "($XDG_CACHE_HOME/quillset, else ~/.cache/quillset)");
    build.add_option("--cache-limit", command.cacheLimit,
                     "Size the stream cache is trimmed to, oldest first, like 512M or 2G "
                     "(default: $QUILLSET_CACHE_LIMIT, else 1G)")
        ->check(CLI::Validator(
            [](const std::string& value) -> std::string {
                try {
                    ParseCacheLimit(value);
                } catch (const std::invalid_argument& error) {
                    return error.what();
                }
                return {};
            },
            "SIZE"));
}

CacheSettings ResolveCacheSettings(const BuildCommand& command)
{
    if (command.noCache)
        return {};
    CacheSettings settings;
    if (!command.cacheLimit.empty()) {
        settings.limit = ParseCacheLimit(command.cacheLimit);
    } else if (const char* limit = std::getenv("QUILLSET_CACHE_LIMIT"); limit && *limit) {
        try {
            settings.limit = ParseCacheLimit(limit);
        } catch (const std::invalid_argument& error) {
            throw std::runtime_error(std::string("QUILLSET_CACHE_LIMIT: ") + error.what());
        }
    }
    if (settings.limit == 0)
        return {};
    const std::optional<std::filesystem::path> folder = FindDefaultCacheFolder();
    if (!folder) {
        std::cerr << "quillset: warning: neither XDG_CACHE_HOME nor HOME is set, so the build uses no "
                     "stream cache\n";
        return {};
    }
    settings.folder = *folder;
    return settings;
}

}  // namespace quillset
