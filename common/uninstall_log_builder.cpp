// The uninstall log in memory: the growing byte buffer, its 48-byte header and the records
// that the install steps append. Freestanding, so the native tests build the same bytes.
#include "common/uninstall_log_builder.h"

#include "common/byte_order.h"
#include "common/memory.h"
#include "common/text.h"
#include "package/package_layout.h"

int AppendToLog(UninstallLog* log, const void* data, int32_t count)
{
    uint32_t size = count == LOG_WHOLE_TEXT ? (uint32_t)GetTextLength((const char*)data) + 1
                                            : (uint32_t)count;
    log->logRequested += size;
    if (log->logLength + size > log->logCapacity) {
        uint32_t capacity = log->logLength + size + LOG_GROWTH;
        unsigned char* grown = (unsigned char*)MemRealloc(log->buffer, capacity);
        if (!grown)
            return 0;
        log->buffer = grown;
        log->logCapacity = capacity;
    }
    CopyBytes(log->buffer + log->logLength, data, size);
    log->logLength += size;
    return 1;
}

int AppendLogByte(UninstallLog* log, unsigned char value)
{
    return AppendToLog(log, &value, 1);
}

void ClearLogHeader(UninstallLog* log)
{
    FillBytes(log->header, 0, LOG_HEADER_SIZE);
}

void SetLogHeaderField(UninstallLog* log, LogHeaderField field, uint32_t value)
{
    WriteU32(log->header + field, value);
}

uint32_t GetLogHeaderField(const UninstallLog* log, LogHeaderField field)
{
    return ReadU32(log->header + field);
}

void CutLog(UninstallLog* log, uint32_t length)
{
    if (length >= log->logLength)
        return;
    // Only what is dropped leaves the count, so a lost append is never forgotten.
    log->logRequested -= log->logLength - length;
    log->logLength = length;
}

void NoteLogSection(UninstallLog* log, LogHeaderField field)
{
    SetLogHeaderField(log, field, log->logLength);
}

static void AppendPackageText(UninstallLog* log, LogHeaderField field, const unsigned char* package,
                              uint32_t offset)
{
    NoteLogSection(log, field);
    (void)AppendToLog(log, package + offset, LOG_WHOLE_TEXT); // a loss shows at the save
}

void AppendLogPrologue(UninstallLog* log, const unsigned char* package)
{
    (void)AppendToLog(log, log->header, LOG_HEADER_SIZE); // placeholder, overwritten at the save
    // Offset 0 reads as the empty text of the header's zero bytes, so the notice is always there.
    AppendPackageText(log, LOG_NOTICE, package, ReadHeaderField(package, FIELD_NOTICE));
    AppendPackageText(log, LOG_SHORT_NAME, package, ReadHeaderField(package, FIELD_SHORT_NAME));
    AppendPackageText(log, LOG_DISPLAY_NAME, package,
                      ReadHeaderField(package, FIELD_DISPLAY_NAME));
    uint32_t eventName = ReadHeaderField(package, FIELD_EVENT_NAME);
    if (eventName)
        AppendPackageText(log, LOG_EVENT_NAME, package, eventName);
    uint32_t uninstallEntry = ReadHeaderField(package, FIELD_UNINSTALL_ENTRY);
    if (uninstallEntry)
        AppendPackageText(log, LOG_UNINSTALL_COMMAND, package, uninstallEntry + RUN_ENTRY_HEAD);
}

void AppendFolderRecord(UninstallLog* log, LogHeaderField field, uint32_t existingLength,
                        const char* path)
{
    unsigned char length[LOG_FOLDER_HEAD];
    WriteU32(length, existingLength);
    NoteLogSection(log, field);
    (void)AppendToLog(log, length, sizeof(length)); // a loss shows at the save
    (void)AppendToLog(log, path, LOG_WHOLE_TEXT);
}

void AppendRegistryRecord(UninstallLog* log, unsigned char root, const char* keyPath)
{
    (void)AppendLogByte(log, root); // a loss shows at the save
    (void)AppendToLog(log, keyPath, LOG_WHOLE_TEXT);
}

int SealLog(UninstallLog* log)
{
    if (log->logRequested != log->logLength || log->logLength < LOG_HEADER_SIZE)
        return 0;
    SetLogHeaderField(log, LOG_FILE_SIZE, log->logLength);
    CopyBytes(log->buffer, log->header, LOG_HEADER_SIZE);
    return 1;
}

void FreeLog(UninstallLog* log)
{
    MemFree(log->buffer);
    log->buffer = 0;
    log->logLength = 0;
    log->logCapacity = 0;
    log->logRequested = 0;
}
