// The setup package layout: header fields by byte offset, entry and record shapes, end marker.
// Shared by the launcher, the wizard library and the quillset tool; freestanding, no runtime.
#pragma once

#include <stdint.h>

#include "common/byte_order.h"

// Package header: 28 little-endian u32 fields; each constant is the field's byte offset.
enum PackageField : uint32_t {
    FIELD_TOTAL_SIZE = 8,               // sum of all file sizes
    FIELD_FILE_COUNT = 12,              // number of file records
    FIELD_SHORT_NAME = 16,              // offset of the short product name
    FIELD_DISPLAY_NAME = 20,            // offset of the name with version
    FIELD_WIZARD_OFFSET = 24,           // zlib stream of the wizard library
    FIELD_WIZARD_PACKED_SIZE = 28,
    FIELD_WIZARD_SIZE = 32,
    FIELD_INFO_BEFORE_OFFSET = 36,      // information text before installing; 0 = none
    FIELD_INFO_BEFORE_PACKED_SIZE = 40,
    FIELD_INFO_BEFORE_SIZE = 44,
    FIELD_INFO_AFTER_OFFSET = 48,       // information text after installing; 0 = none
    FIELD_INFO_AFTER_PACKED_SIZE = 52,
    FIELD_INFO_AFTER_SIZE = 56,
    FIELD_INSTALL_DIR = 60,             // default install directory (folder variables)
    FIELD_MENU_FOLDER = 64,             // default Start Menu folder
    FIELD_NOTICE = 68,
    FIELD_EVENT_NAME = 72,              // 0 = no running-program check
    FIELD_FILE_TREE = 76,               // never 0
    FIELD_MENU_LIST = 80,               // Start Menu list of shortcut entries
    FIELD_LAUNCH_ENTRY_COPY = 84,       // not read; builders repeat the launch entry here
    FIELD_DESKTOP_SHORTCUT = 88,
    FIELD_QUICK_LAUNCH_SHORTCUT = 92,
    FIELD_STARTUP_SHORTCUT = 96,
    FIELD_LAUNCH_ENTRY = 100,
    FIELD_POST_INSTALL_ENTRY = 104,
    FIELD_UNINSTALL_ENTRY = 108,
};

static const uint32_t TREE_END_MARKER = 0xFFFFFFFFu;

// The launcher carries the package as its raw-data resource (RT_RCDATA) of this id.
enum {
    PACKAGE_RESOURCE_ID = 1,
    PACKAGE_RESOURCE_TYPE = 10,         // RT_RCDATA
};

// The uninstaller's file name at the top of the tree, the product's registered uninstall command.
static const char UNINSTALLER_NAME[] = "uninst.exe";
// File attribute bits of tree records, the values Windows gives them.
static const uint32_t ATTRIBUTE_READONLY = 0x01;
static const uint32_t ATTRIBUTE_HIDDEN = 0x02;
static const uint32_t ATTRIBUTE_SYSTEM = 0x04;
static const uint32_t ATTRIBUTE_DIRECTORY = 0x10;
static const uint32_t ATTRIBUTE_ARCHIVE = 0x20;
static const uint32_t ATTRIBUTE_NORMAL = 0x80;

enum {
    PACKAGE_HEADER_SIZE = 112,
    PACKAGE_HEADER_FIELDS = 28,
    FILE_RECORD_HEAD = 20,              // attributes, packed size, size, last-write time
    DIRECTORY_RECORD_HEAD = 4,          // attributes
    SHORTCUT_ENTRY_HEAD = 4,            // length u16, show mode, Start Menu flag
    SHORTCUT_SHOW_MODE_AT = 2,          // bytes of a shortcut entry
    SHORTCUT_MENU_FLAG_AT = 3,
    RUN_ENTRY_HEAD = 2,                 // show mode, wait flag
    RUN_SHOW_MODE_AT = 0,               // bytes of a run entry
    RUN_WAIT_FLAG_AT = 1,
    SHOW_MODE_COUNT = 4,
};

// Show-mode index 0..3 of shortcut and run entries, as the ShowWindow command it stands for.
static const int SHOW_MODE_COMMANDS[SHOW_MODE_COUNT] = {
    1,  // SW_SHOWNORMAL
    2,  // SW_SHOWMINIMIZED
    3,  // SW_SHOWMAXIMIZED
    0,  // SW_HIDE
};

inline uint32_t ReadHeaderField(const unsigned char* package, PackageField field)
{
    return ReadU32(package + field);
}
