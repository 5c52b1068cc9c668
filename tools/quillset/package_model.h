// A setup package in memory, ready to be laid out: texts in Windows-1252, entries with their
// show modes, and the compressed streams of the wizard library, the texts and the files.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quillset {

// A zlib stream and the size of what it decodes to.
struct PackedStream {
    std::vector<std::uint8_t> bytes;
    std::uint32_t size = 0;
};

struct ShortcutRecord {
    std::string name;
    std::string target;
    std::string workingDir;
    std::uint8_t showMode = 0;
    bool startMenu = true;
};

struct RunRecord {
    std::string commandLine;
    std::string workingDir;
    std::uint8_t showMode = 0;
    bool wait = false;
};

struct TreeItem {
    std::string name;
    std::uint32_t attributes = 0;     // with 0x10 for a directory
    std::uint64_t lastWriteTime = 0;  // files only
    PackedStream data;                // files only; empty bytes for an empty file
    std::vector<TreeItem> children;   // directories only

    bool IsDirectory() const { return (attributes & 0x10) != 0; }
};

struct PackageModel {
    std::string shortName;
    std::string displayName;
    std::string installDir;
    std::string menuFolder;
    std::optional<std::string> eventName;
    std::optional<std::string> notice;
    std::vector<ShortcutRecord> shortcuts;       // the Start Menu list, in order
    std::optional<std::size_t> desktopShortcut;  // indexes into `shortcuts`
    std::optional<std::size_t> quickLaunchShortcut;
    std::optional<std::size_t> startupShortcut;
    std::optional<RunRecord> launch;
    std::optional<RunRecord> postInstall;
    std::optional<RunRecord> uninstall;
    PackedStream wizard;
    std::optional<PackedStream> infoBefore;
    std::optional<PackedStream> infoAfter;
    std::vector<TreeItem> files;  // top level, in installation order
};

}  // namespace quillset
