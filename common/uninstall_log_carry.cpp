// What installing again into a folder carries over from the log that the new one replaces:
// the earlier installation's entries, shortcuts and keys that this one did not make again.
#include "common/uninstall_log_carry.h"

#include "common/memory.h"
#include "common/text.h"
#include "common/uninstall_log_walks.h"

// A log's bytes and where they end; positions are offsets into them, and 0 stands for none,
// since a file list never starts at a log's very beginning.
struct ListBytes {
    const unsigned char* bytes;
    uint32_t end;
};

// The position after the NUL of the name that starts at `at`, or 0 when none ends in the list.
static uint32_t SkipName(const ListBytes* list, uint32_t at)
{
    while (at < list->end && list->bytes[at])
        ++at;
    return at < list->end ? at + 1 : 0;
}

// The position after the record at `at`, a directory with its whole level; 0 for damage.
static uint32_t SkipRecord(const ListBytes* list, uint32_t at)
{
    uint32_t open = 0;
    do {
        if (!at || at >= list->end)
            return 0;
        unsigned char kind = list->bytes[at];
        if (kind == LOG_END) {
            if (!open)
                return 0;
            --open;
            ++at;
            continue;
        }
        if (kind != LOG_FILE && kind != LOG_DIRECTORY)
            return 0;
        at = SkipName(list, at + 1);
        if (kind == LOG_DIRECTORY)
            ++open;
    } while (open);
    return at;
}

// The position after the LOG_END of the level that starts at `at`; 0 for damage.
static uint32_t SkipLevel(const ListBytes* list, uint32_t at)
{
    while (at && at < list->end && list->bytes[at] != LOG_END)
        at = SkipRecord(list, at);
    return at && at < list->end ? at + 1 : 0;
}

static int IsSameName(const char* first, const char* second)
{
    size_t length = GetTextLength(first);
    return GetTextLength(second) == length && HasPrefixIgnoringCase(first, second, length);
}

// The record named `name` of the level that starts at `at` (0: no level), or 0 for none.
static uint32_t FindRecord(const ListBytes* list, uint32_t at, const char* name)
{
    while (at && at < list->end && list->bytes[at] != LOG_END) {
        if (IsSameName((const char*)list->bytes + at + 1, name))
            return at;
        at = SkipRecord(list, at);
    }
    return 0;
}

// Appends the new level at `at` merged with the earlier level at `earlierAt` (0: none), with
// its LOG_END; returns the position after the new level, or 0 for damage.
static uint32_t MergeLevel(UninstallLog* log, const ListBytes* fresh, uint32_t at,
                           const ListBytes* earlier, uint32_t earlierAt)
{
    uint32_t levelEnd = SkipLevel(fresh, at);
    if (!levelEnd)
        return 0;
    uint32_t earlierEnd = earlierAt ? SkipLevel(earlier, earlierAt) : 0;
    if (!earlierAt || (earlierEnd && earlierEnd - earlierAt == levelEnd - at &&
                       !CompareBytes(earlier->bytes + earlierAt, fresh->bytes + at,
                                     levelEnd - at))) {
        (void)AppendToLog(log, fresh->bytes + at, (int32_t)(levelEnd - at)); // shows at the save
        return levelEnd;
    }
    uint32_t levelStart = at;
    while (fresh->bytes[at] != LOG_END) {
        uint32_t next = SkipRecord(fresh, at);
        if (!next)
            return 0;
        if (fresh->bytes[at] == LOG_DIRECTORY) {
            const char* name = (const char*)fresh->bytes + at + 1;
            uint32_t contents = SkipName(fresh, at + 1);
            (void)AppendToLog(log, fresh->bytes + at, (int32_t)(contents - at));
            uint32_t match = FindRecord(earlier, earlierAt, name);
            uint32_t earlierContents =
                match && earlier->bytes[match] == LOG_DIRECTORY ? SkipName(earlier, match + 1) : 0;
            if (MergeLevel(log, fresh, contents, earlier, earlierContents) != next)
                return 0;
        } else {
            (void)AppendToLog(log, fresh->bytes + at, (int32_t)(next - at));
        }
        at = next;
    }
    // The earlier installation's entries of this level that this one did not make again.
    for (uint32_t entry = earlierAt; entry && earlier->bytes[entry] != LOG_END;) {
        uint32_t next = SkipRecord(earlier, entry);
        if (!next)
            return 0;
        if (!FindRecord(fresh, levelStart, (const char*)earlier->bytes + entry + 1))
            (void)AppendToLog(log, earlier->bytes + entry, (int32_t)(next - entry));
        entry = next;
    }
    (void)AppendLogByte(log, LOG_END);
    return levelEnd;
}

int CarryEarlierFiles(UninstallLog* log, const UninstallPlan* earlier)
{
    uint32_t listStart = GetLogHeaderField(log, LOG_FILE_LIST);
    if (log->logRequested != log->logLength || !listStart || listStart >= log->logLength)
        return 0;
    // The whole log is copied, so that positions in the copy are the log's own.
    uint32_t logLength = log->logLength;
    unsigned char* copy = (unsigned char*)MemAlloc(logLength);
    if (!copy)
        return 0;
    CopyBytes(copy, log->buffer, logLength);
    ListBytes fresh = {copy, logLength};
    ListBytes earlierList = {earlier->log, earlier->logSize};
    log->logLength = log->logRequested = listStart;
    int merged = MergeLevel(log, &fresh, listStart, &earlierList, earlier->fileList) == logLength;
    if (!merged || log->logRequested != log->logLength) {
        merged = 0;
        log->logLength = log->logRequested = listStart;
        (void)AppendToLog(log, copy + listStart, (int32_t)(logLength - listStart)); // it fit before
    }
    MemFree(copy);
    return merged;
}

// True when the texts between `position` and `end` of the log buffer hold `path`.
static int ListHoldsText(const unsigned char* buffer, uint32_t position, uint32_t end,
                         const char* path)
{
    while (position < end) {
        const char* text = (const char*)buffer + position;
        if (IsSameName(text, path))
            return 1;
        position += (uint32_t)GetTextLength(text) + 1;
    }
    return 0;
}

void CarryEarlierShortcuts(UninstallLog* log, const UninstallPlan* earlier,
                           int (*isPresent)(const char* path))
{
    uint32_t listStart = GetLogHeaderField(log, LOG_SHORTCUT_LIST);
    TextListWalk walk;
    BeginShortcutWalk(&walk, earlier);
    while (NextShortcut(&walk)) {
        if (!ListHoldsText(log->buffer, listStart, log->logLength, walk.text) &&
            isPresent(walk.text))
            (void)AppendToLog(log, walk.text, LOG_WHOLE_TEXT); // a loss shows at the save
    }
}

// True when the registry records between `position` and `end` of the log buffer hold `key`
// under `root`.
static int ListHoldsKey(const unsigned char* buffer, uint32_t position, uint32_t end, int root,
                        const char* key)
{
    while (position < end) {
        const char* text = (const char*)buffer + position + 1;
        if (buffer[position] == root && IsSameName(text, key))
            return 1;
        position += (uint32_t)GetTextLength(text) + 2;
    }
    return 0;
}

void CarryEarlierRegistryKeys(UninstallLog* log, const UninstallPlan* earlier,
                              int (*isOwned)(int root, const char* key))
{
    uint32_t listStart = GetLogHeaderField(log, LOG_REGISTRY_LIST);
    TextListWalk walk;
    BeginRegistryWalk(&walk, earlier);
    while (NextRegistryKey(&walk)) {
        if (!ListHoldsKey(log->buffer, listStart, log->logLength, walk.root, walk.text) &&
            isOwned(walk.root, walk.text))
            AppendRegistryRecord(log, (unsigned char)walk.root, walk.text);
    }
}
