// The uninstall log in memory: the growing byte buffer, its 48-byte header and the records
// that the install steps append. Freestanding, so the native tests build the same bytes.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "common/uninstall_log_format.h"

enum {
    LOG_GROWTH = 4096,              // spare bytes on each growth, so small appends rarely move it
    LOG_WHOLE_TEXT = -1,            // count of AppendToLog: the text at `data` with its NUL
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

// Drops the bytes from `length` on, as if they had never been appended; a loss among the
// appends before the cut still shows at the save, and so does one among the dropped.
void CutLog(UninstallLog* log, uint32_t length);

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
