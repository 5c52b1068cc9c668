// Bounded readers for the entries and records of a setup package.
// Freestanding: no runtime routines, so the launcher, the wizard and the tool share it.
#include "package/package_reader.h"

#include "common/text.h"

const char* FindTextEnd(const char* at, const unsigned char* end)
{
    const unsigned char* cursor = (const unsigned char*)at;
    while (cursor < end) {
        if (*cursor == 0)
            return (const char*)cursor;
        ++cursor;
    }
    return 0;
}

const char* ReadPackageText(const unsigned char* package, const unsigned char* end, uint32_t offset)
{
    if (offset >= (uint32_t)(end - package))
        return 0;
    const char* text = (const char*)package + offset;
    return FindTextEnd(text, end) ? text : 0;
}

// The head and the three texts of a shortcut entry, each text ending before `limit`.
static int ReadShortcutFields(const unsigned char* at, const unsigned char* limit,
                              ShortcutEntry* entry)
{
    entry->showMode = (int8_t)at[SHORTCUT_SHOW_MODE_AT];
    entry->startMenuFlag = at[SHORTCUT_MENU_FLAG_AT];
    entry->name = (const char*)at + SHORTCUT_ENTRY_HEAD;
    const char* nameEnd = FindTextEnd(entry->name, limit);
    if (!nameEnd)
        return 0;
    entry->target = nameEnd + 1;
    const char* targetEnd = FindTextEnd(entry->target, limit);
    if (!targetEnd)
        return 0;
    entry->workingDir = targetEnd + 1;
    return FindTextEnd(entry->workingDir, limit) != 0;
}

const unsigned char* ReadShortcutEntry(const unsigned char* at, const unsigned char* end,
                                       ShortcutEntry* entry)
{
    if (end - at < 2)
        return 0;
    entry->length = ReadU16(at);
    if (entry->length == 0)
        return at + 2;
    if (entry->length < SHORTCUT_ENTRY_HEAD || entry->length > end - at)
        return 0;

    // In a list, the three texts must end inside the entry's own length.
    const unsigned char* entryEnd = at + entry->length;
    return ReadShortcutFields(at, entryEnd, entry) ? entryEnd : 0;
}

int ReadSingleShortcutEntry(const unsigned char* at, const unsigned char* end, ShortcutEntry* entry)
{
    if (end - at < SHORTCUT_ENTRY_HEAD)
        return 0;
    entry->length = ReadU16(at);
    return ReadShortcutFields(at, end, entry);
}

int ReadRunEntry(const unsigned char* at, const unsigned char* end, RunEntry* entry)
{
    if (end - at < RUN_ENTRY_HEAD)
        return 0;
    entry->showMode = (int8_t)at[RUN_SHOW_MODE_AT];
    entry->waitFlag = at[RUN_WAIT_FLAG_AT];
    entry->commandLine = (const char*)at + RUN_ENTRY_HEAD;
    const char* commandEnd = FindTextEnd(entry->commandLine, end);
    if (!commandEnd)
        return 0;
    entry->workingDir = commandEnd + 1;
    return FindTextEnd(entry->workingDir, end) != 0;
}

const unsigned char* ReadTrustedShortcutEntry(const unsigned char* at, ShortcutEntry* entry)
{
    entry->length = ReadU16(at);
    entry->showMode = (int8_t)at[SHORTCUT_SHOW_MODE_AT];
    entry->startMenuFlag = at[SHORTCUT_MENU_FLAG_AT];
    entry->name = (const char*)at + SHORTCUT_ENTRY_HEAD;
    entry->target = entry->name + GetTextLength(entry->name) + 1;
    entry->workingDir = entry->target + GetTextLength(entry->target) + 1;
    return at + entry->length;
}

const unsigned char* ReadTrustedTreeRecord(const unsigned char* at, TreeRecord* record)
{
    record->attributes = ReadU32(at);
    record->packedSize = 0;
    record->size = 0;
    record->lastWriteTime = 0;
    record->name = 0;
    record->data = 0;
    if (record->attributes == TREE_END_MARKER) {
        record->kind = TREE_RECORD_END;
        return at + 4;
    }
    if (record->attributes & ATTRIBUTE_DIRECTORY) {
        record->kind = TREE_RECORD_DIRECTORY;
        record->name = (const char*)at + DIRECTORY_RECORD_HEAD;
        return (const unsigned char*)record->name + GetTextLength(record->name) + 1;
    }
    record->kind = TREE_RECORD_FILE;
    record->size = ReadU32(at + 8);
    record->lastWriteTime = ReadU64(at + 12);
    record->name = (const char*)at + FILE_RECORD_HEAD;
    const unsigned char* data = (const unsigned char*)record->name + GetTextLength(record->name) + 1;
    // An empty file carries no data, whatever its packed-size field says.
    if (record->size == 0)
        return data;
    record->packedSize = ReadU32(at + 4);
    record->data = data;
    return data + record->packedSize;
}

const unsigned char* ReadTreeRecord(const unsigned char* at, const unsigned char* end,
                                    TreeRecord* record)
{
    if (end - at < 4)
        return 0;
    uint32_t attributes = ReadU32(at);
    if (attributes != TREE_END_MARKER) {
        int isFile = !(attributes & ATTRIBUTE_DIRECTORY);
        if (isFile && end - at < FILE_RECORD_HEAD)
            return 0;
        const char* nameEnd =
            FindTextEnd((const char*)at + (isFile ? FILE_RECORD_HEAD : DIRECTORY_RECORD_HEAD), end);
        if (!nameEnd)
            return 0;
        const unsigned char* data = (const unsigned char*)nameEnd + 1;
        if (isFile && ReadU32(at + 8) && ReadU32(at + 4) > (uint32_t)(end - data))
            return 0;
    }
    return ReadTrustedTreeRecord(at, record);
}

int GetShowCommand(int8_t showMode)
{
    if (showMode < 0 || showMode >= (int)SHOW_MODE_COUNT)
        return -1;
    return SHOW_MODE_COMMANDS[showMode];
}
