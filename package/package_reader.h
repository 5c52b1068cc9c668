// Bounded readers for the entries and records of a setup package.
// Each refuses (returns null or 0) an item that does not lie wholly before `end`.
#pragma once

#include "package/package_layout.h"

struct ShortcutEntry {
    uint16_t length;            // bytes of the whole entry, head included
    int8_t showMode;            // show-mode index, signed as stored
    uint8_t startMenuFlag;
    const char* name;
    const char* target;
    const char* workingDir;
};

struct RunEntry {
    int8_t showMode;
    uint8_t waitFlag;
    const char* commandLine;
    const char* workingDir;
};

enum TreeRecordKind { TREE_RECORD_END, TREE_RECORD_FILE, TREE_RECORD_DIRECTORY };

struct TreeRecord {
    TreeRecordKind kind;
    uint32_t attributes;
    uint32_t packedSize;        // file records only; 0 for an empty file's data
    uint32_t size;              // file records only
    uint64_t lastWriteTime;     // FILETIME, file records only
    const char* name;           // null for the end marker
    const unsigned char* data;  // file records: the zlib stream; null when size is 0
};

// The NUL that ends the text at `at`, or null when there is none before `end`.
const char* FindTextEnd(const char* at, const unsigned char* end);

// The text at `offset` of the package, or null when it does not end inside the package.
const char* ReadPackageText(const unsigned char* package, const unsigned char* end, uint32_t offset);

// A shortcut entry at `at`; returns the position of the next list entry, or null when the
// entry is malformed. A list terminator (length 0) yields `at + 2` with `entry->length` 0.
const unsigned char* ReadShortcutEntry(const unsigned char* at, const unsigned char* end,
                                       ShortcutEntry* entry);

// A shortcut entry referenced singly (Desktop, Quick Launch, Startup): its length and Start Menu
// flag are not consulted, so its texts need only end before `end`. Returns 1, or 0 when not.
int ReadSingleShortcutEntry(const unsigned char* at, const unsigned char* end, ShortcutEntry* entry);

// A shortcut entry of a package already checked whole, which needs no bounds: a list entry,
// whose next one it returns, or one referenced singly. A list's terminator is no entry: the
// caller stops at a length of 0 (ReadU16) before reading one.
const unsigned char* ReadTrustedShortcutEntry(const unsigned char* at, ShortcutEntry* entry);

// A run entry at `at`; returns 1, or 0 when its two texts do not end before `end`.
int ReadRunEntry(const unsigned char* at, const unsigned char* end, RunEntry* entry);

// One file-tree record at `at`; returns the position after it (for a directory, the position
// of its first contained record), or null when the record does not fit before `end`.
const unsigned char* ReadTreeRecord(const unsigned char* at, const unsigned char* end,
                                    TreeRecord* record);

// ReadTreeRecord for a package already checked whole, whose records need no bounds.
const unsigned char* ReadTrustedTreeRecord(const unsigned char* at, TreeRecord* record);

// The Win32 show command of a show-mode index, or -1 for an index outside 0..3.
int GetShowCommand(int8_t showMode);
