// The uninstall log in memory: the growing byte buffer, its 48-byte header and the records
// that the install steps append. Freestanding, so the native tests build the same bytes.
#pragma once

#include <stddef.h>
#include <stdint.h>

// Byte offsets of the log header's u32 fields.
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

enum {
    LOG_HEADER_SIZE = 48,
    LOG_GROWTH = 4096,              // spare bytes on each growth, so small appends rarely move it
    LOG_WHOLE_TEXT = -1,            // count of AppendToLog: the text at `data` with its NUL
};

// Record bytes of the file list, and the registry roots of the registry list.
enum {
    LOG_END = 0x00,
    LOG_DIRECTORY = 0x01,
    LOG_FILE = 0x02,
    LOG_ROOT_LOCAL_MACHINE = 1,
    LOG_ROOT_CURRENT_USER = 2,
};

struct UninstallLog {
    unsigned char* buffer;          // null until the first append
    uint32_t logLength;
    uint32_t logCapacity;
    uint32_t logRequested;          // counts failed appends too, so a loss shows at the save
    unsigned char header[LOG_HEADER_SIZE];
};

// Appends `count` bytes, or with LOG_WHOLE_TEXT the text at `data` and its NUL. False when the
// buffer could not grow; the log is then unchanged but for `logRequested`.
int AppendToLog(UninstallLog* log, const void* data, int32_t count);

int AppendLogByte(UninstallLog* log, unsigned char value);

void ClearLogHeader(UninstallLog* log);

void SetLogHeaderField(UninstallLog* log, LogHeaderField field, uint32_t value);

uint32_t GetLogHeaderField(const UninstallLog* log, LogHeaderField field);

// Notes the current length as the start of the section that `field` names.
void NoteLogSection(UninstallLog* log, LogHeaderField field);

// The header placeholder and the package's texts: notice, short and display name, and the
// event name and uninstall command line when the package has them.
void AppendLogPrologue(UninstallLog* log, const unsigned char* package);

// A folder record: the length of the part that existed before, then the path and its NUL.
void AppendFolderRecord(UninstallLog* log, LogHeaderField field, uint32_t existingLength,
                        const char* path);

// A registry record: the root code, then the key path relative to that root and its NUL.
void AppendRegistryRecord(UninstallLog* log, unsigned char root, const char* keyPath);

// Completes the bytes for writing: the file size into the header and the header over the
// buffer's start. False when an append was lost, so the log must not be written.
int SealLog(UninstallLog* log);

// Returns the buffer to the heap and empties the log.
void FreeLog(UninstallLog* log);
