// Uninstall logs written by hand for the reader's tests: header fields set by name, sections
// appended byte by byte, and the sample installation's complete log.
#pragma once

#include <cstdint>
#include <string>

#include "common/uninstall_log_reader.h"

std::string U32(uint32_t value);

struct LogBytes {
    std::string bytes = std::string(LOG_HEADER_SIZE, '\0');

    void SetField(LogHeaderField field, uint32_t value);
    // Notes the current length in `field`, then appends `section` as it is.
    void AddSection(LogHeaderField field, const std::string& section);
    // Notes the current length in `field`, then appends the text and its NUL.
    void AddText(LogHeaderField field, const std::string& text);
    void AddFolder(LogHeaderField field, uint32_t existingLength, const std::string& path);
    // The bytes with the file size field set to their length.
    std::string Sealed() const;
};

// A log with every section: both folder records, a nested file list, one shortcut and both
// registry keys. `fileList`, `shortcuts` and `registry` replace those sections when given.
std::string BuildLog(const std::string& fileList = "", const std::string& shortcuts = "",
                     const std::string& registry = "");
