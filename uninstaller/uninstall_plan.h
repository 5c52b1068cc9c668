// The uninstall log read into a removal plan: every text, folder record and list of
// "uninst.dat" checked before anything is removed. Freestanding: no runtime, no heap.
#pragma once

#include <stdint.h>

enum {
    PLAN_PATH_SIZE = 260,           // characters of every file path, NUL included
    PLAN_KEY_SIZE = 512,            // characters of a registry key path, NUL included
    LOG_HEADER_BYTES = 48,
};

// Byte offsets of the log header's u32 fields.
enum LogField {
    LOG_FIELD_FILE_SIZE = 0,
    LOG_FIELD_NOTICE = 4,
    LOG_FIELD_EVENT_NAME = 8,
    LOG_FIELD_SHORT_NAME = 12,
    LOG_FIELD_DISPLAY_NAME = 16,
    LOG_FIELD_DESTINATION = 20,
    LOG_FIELD_MENU_FOLDER = 24,
    LOG_FIELD_FILE_LIST = 28,
    LOG_FIELD_REGISTRY_LIST = 32,
    LOG_FIELD_SHORTCUT_LIST = 36,
    LOG_FIELD_UNINSTALL_COMMAND = 40,
    LOG_FIELD_REMOVAL_STEPS = 44,
};

enum {
    RECORD_END = 0x00,
    RECORD_DIRECTORY = 0x01,
    RECORD_FILE = 0x02,
    ROOT_LOCAL_MACHINE = 1,
    ROOT_CURRENT_USER = 2,
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

// Checks the whole log and fills `plan`. Returns 0, or the string id (IDS_LOG_) of the
// reason the log is refused; the plan is then not to be used.
uint32_t ReadUninstallLog(const unsigned char* log, uint32_t size, UninstallPlan* plan);

// True for a single path component that stays in its directory: not empty, "." or "..",
// without a separator or a drive colon.
int IsPlainName(const char* name);
