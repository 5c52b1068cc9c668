// The one reader of the uninstall log: every text, folder record and list of "uninst.dat"
// checked before anything is removed. Freestanding: no runtime, no heap.
#pragma once

#include <stdint.h>

#include "common/uninstall_log_format.h"

// Why a log is refused; each names one kind of damage, so that every refusal can say what.
enum LogFault {
    LOG_FAULT_NONE = 0,
    LOG_FAULT_WRONG_SIZE,           // the file is not the size its header records
    LOG_FAULT_BAD_OFFSET,           // a part lies outside the file
    LOG_FAULT_BAD_TEXT,             // a text is not ended or is too long
    LOG_FAULT_BAD_FOLDER,           // a folder record is not a complete path
    LOG_FAULT_BAD_FILE_LIST,        // the file list is incomplete or unbalanced
    LOG_FAULT_BAD_NAME,             // a file-list name is not a plain name
    LOG_FAULT_PATH_TOO_LONG,
    LOG_FAULT_BAD_SHORTCUT,         // a shortcut is not a complete .lnk path
    LOG_FAULT_BAD_REGISTRY,         // a key is not one of the product's own entries
};

// A created folder tree: the path, and how many leading characters of it existed before.
struct LogFolder {
    uint32_t existingLength;
    const char* path;               // null when the log has no such record
};

// Points into the log bytes, which must outlive the plan.
struct UninstallPlan {
    const unsigned char* log;
    uint32_t logSize;
    const char* notice;
    const char* shortName;
    const char* displayName;
    const char* eventName;          // null: no running-program check
    const char* uninstallCommand;   // null: nothing to run, folder variables unexpanded
    LogFolder destination;
    LogFolder menuFolder;
    uint32_t fileList;              // offsets of the three lists
    uint32_t shortcutList;
    uint32_t registryList;
    uint32_t fileCount;
    uint32_t directoryCount;
    uint32_t shortcutCount;
    uint32_t registryKeyCount;
    uint32_t removalSteps;
};

// Checks the whole log and fills `plan`. Returns LOG_FAULT_NONE, or the reason the log is
// refused; the plan is then empty and points into nothing.
LogFault ReadUninstallLog(const unsigned char* log, uint32_t size, UninstallPlan* plan);
