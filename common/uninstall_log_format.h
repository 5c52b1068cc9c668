// The layout of the uninstall log "uninst.dat": header fields, record bytes and registry roots.
// The wizard's builder writes it and the one reader checks it; both take these names from here.
#pragma once

#include <stdint.h>

// Byte offsets of the log header's little-endian u32 fields.
enum LogHeaderField {
    LOG_FILE_SIZE = 0,
    LOG_NOTICE = 4,
    LOG_EVENT_NAME = 8,             // 0: the package has none
    LOG_SHORT_NAME = 12,
    LOG_DISPLAY_NAME = 16,
    LOG_DESTINATION_RECORD = 20,
    LOG_MENU_RECORD = 24,           // 0: no Start Menu folder was made
    LOG_FILE_LIST = 28,
    LOG_REGISTRY_LIST = 32,
    LOG_SHORTCUT_LIST = 36,
    LOG_UNINSTALL_COMMAND = 40,     // 0: the package has no uninstall command entry
    LOG_REMOVAL_STEPS = 44,
};

// The log's file name in the destination directory, where the uninstaller looks for it.
static const char UNINSTALL_LOG_NAME[] = "uninst.dat";

// The ending of every shortcut: the installation gives it to the links it saves, and a
// shortcut list that holds a path without it is read as damaged.
static const char LINK_EXTENSION[] = ".lnk";

enum {
    LOG_HEADER_SIZE = 48,
    LOG_FOLDER_HEAD = 4,            // a folder record's existing length, before its path
};

// Record bytes of the file list, and the registry roots of the registry list.
enum {
    LOG_END = 0x00,
    LOG_DIRECTORY = 0x01,
    LOG_FILE = 0x02,
    LOG_ROOT_LOCAL_MACHINE = 1,
    LOG_ROOT_CURRENT_USER = 2,
};
