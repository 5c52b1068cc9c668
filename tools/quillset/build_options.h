// The build command's options for the compression level and the stream cache, and how they
// and the environment choose the cache that a build uses.
#pragma once

#include <CLI/CLI.hpp>

#include "commands.h"
#include "stream_cache.h"

namespace quillset {

// Refuses a count that is not written in decimal digits alone: the readers of numbers would
// also take "+2", " 2" or, for unsigned ones, "0x10".
CLI::Validator MakePlainNumberCheck();

// --level N, --best, --no-cache and --cache-limit SIZE on the build subcommand.
void AddCompressionOptions(CLI::App& build, BuildCommand& command);

// No cache with --no-cache, a limit of 0 or no folder to put it in; else the default folder
// (FindDefaultCacheFolder) with the limit from --cache-limit, else QUILLSET_CACHE_LIMIT, else
// DEFAULT_CACHE_LIMIT. Throws std::runtime_error for a malformed QUILLSET_CACHE_LIMIT.
CacheSettings ResolveCacheSettings(const BuildCommand& command);

}  // namespace quillset
