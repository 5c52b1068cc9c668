// A small builder of setup packages for the install tests: header fields, texts, shortcut and
// run entries and file-tree records, laid out as the package format has them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "package/package_layout.h"

struct TestPackage {
    std::vector<unsigned char> bytes = std::vector<unsigned char>(PACKAGE_HEADER_SIZE, 0);

    void SetField(PackageField field, uint32_t value);
    uint32_t AddText(const std::string& text);
    // A shortcut entry; returns its offset.
    uint32_t AddShortcut(const std::string& name, const std::string& target,
                         const std::string& workingDir, bool startMenu);
    void EndShortcutList();
    // A run entry; returns its offset.
    uint32_t AddRunEntry(const std::string& commandLine, const std::string& workingDir);
    void AddFile(const std::string& name, uint32_t attributes, const std::string& packed,
                 uint32_t size, uint64_t lastWriteTime);
    void AddDirectory(const std::string& name, uint32_t attributes);
    void EndLevel();
    const unsigned char* data() const { return bytes.data(); }

private:
    void AddU32(uint32_t value);
};
