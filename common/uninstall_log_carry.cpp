// What installing again into a folder carries over from the log that the new one replaces:
// the earlier installation's entries, shortcuts and keys that this one did not make again.
#include "common/uninstall_log_carry.h"

#include "common/memory.h"
#include "common/path_routines.h"
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
    return !CompareIgnoringCase(first, second);
}

static const char* GetRecordName(const ListBytes* list, uint32_t at)
{
    return (const char*)list->bytes + at + 1;
}

// One level's records, sorted by name, so that finding a name costs a binary search rather
// than a walk: a folder of thousands of files is compared in a blink.
struct LevelIndex {
    uint32_t* records;
    uint32_t count;
};

static int IsNameBefore(const ListBytes* list, uint32_t first, uint32_t second)
{
    return CompareIgnoringCase(GetRecordName(list, first), GetRecordName(list, second)) < 0;
}

// The heap sort's step: moves the record at `root` down below larger ones.
static void SiftDown(const ListBytes* list, uint32_t* records, uint32_t root, uint32_t count)
{
    for (uint32_t child; (child = 2 * root + 1) < count; root = child) {
        if (child + 1 < count && IsNameBefore(list, records[child], records[child + 1]))
            ++child;
        if (!IsNameBefore(list, records[root], records[child]))
            return;
        uint32_t swap = records[root];
        records[root] = records[child];
        records[child] = swap;
    }
}

// Indexes the level at `at`, which SkipLevel has found sound; 0 when memory ran out.
static int IndexLevel(const ListBytes* list, uint32_t at, LevelIndex* index)
{
    index->count = 0;
    for (uint32_t record = at; list->bytes[record] != LOG_END; record = SkipRecord(list, record))
        ++index->count;
    index->records = (uint32_t*)MemAlloc(index->count ? index->count * sizeof(uint32_t) : 1);
    if (!index->records)
        return 0;
    uint32_t count = 0;
    for (uint32_t record = at; list->bytes[record] != LOG_END; record = SkipRecord(list, record))
        index->records[count++] = record;
    for (uint32_t root = count / 2; root-- > 0;)
        SiftDown(list, index->records, root, count);
    for (uint32_t end = count; end > 1;) {
        uint32_t swap = index->records[0];
        index->records[0] = index->records[--end];
        index->records[end] = swap;
        SiftDown(list, index->records, 0, end);
    }
    return 1;
}

// The indexed record named `name`, or 0 for none.
static uint32_t FindIndexed(const ListBytes* list, const LevelIndex* index, const char* name)
{
    uint32_t low = 0;
    uint32_t high = index->count;
    while (low < high) {
        uint32_t middle = low + (high - low) / 2;
        int order = CompareIgnoringCase(GetRecordName(list, index->records[middle]), name);
        if (!order)
            return index->records[middle];
        if (order < 0)
            low = middle + 1;
        else
            high = middle;
    }
    return 0;
}

// The number of files in the record at `at`, a directory's whole level included.
static uint32_t CountFiles(const ListBytes* list, uint32_t at)
{
    uint32_t end = SkipRecord(list, at);
    uint32_t files = 0;
    while (at < end) {
        unsigned char kind = list->bytes[at];
        files += kind == LOG_FILE;
        at = kind == LOG_END ? at + 1 : SkipName(list, at + 1);
    }
    return files;
}

struct MergeWork {
    UninstallLog* log;
    const ListBytes* fresh;
    const ListBytes* earlier;
    int (*isPresent)(const char* path);
    char path[PATH_SIZE];           // the level's directory, then an entry's path
    uint32_t carriedFiles;
};

// Puts `name` after the level's directory in work->path; its old length, or 0 when too long.
static size_t EnterName(MergeWork* work, const char* name)
{
    size_t length = GetTextLength(work->path);
    if (!AppendPath(work->path, name))
        return 0;
    return length;
}

// Appends the new level at `at` merged with the earlier level at `earlierAt` (0: none), with
// its LOG_END; returns the position after the new level, or 0 for damage or want of memory.
static uint32_t MergeLevel(MergeWork* work, uint32_t at, uint32_t earlierAt)
{
    const ListBytes* fresh = work->fresh;
    const ListBytes* earlier = work->earlier;
    uint32_t levelEnd = SkipLevel(fresh, at);
    uint32_t earlierEnd = earlierAt ? SkipLevel(earlier, earlierAt) : 0;
    if (!levelEnd || (earlierAt && !earlierEnd))
        return 0;
    if (!earlierAt || (earlierEnd - earlierAt == levelEnd - at &&
                       !CompareBytes(earlier->bytes + earlierAt, fresh->bytes + at,
                                     levelEnd - at))) {
        (void)AppendToLog(work->log, fresh->bytes + at, (int32_t)(levelEnd - at)); // checked last
        return levelEnd;
    }
    LevelIndex freshIndex = {0, 0};
    LevelIndex earlierIndex = {0, 0};
    uint32_t result = 0;
    if (IndexLevel(fresh, at, &freshIndex) && IndexLevel(earlier, earlierAt, &earlierIndex)) {
        result = levelEnd;
        for (uint32_t record = at; result && fresh->bytes[record] != LOG_END;) {
            uint32_t next = SkipRecord(fresh, record);
            if (fresh->bytes[record] != LOG_DIRECTORY) {
                (void)AppendToLog(work->log, fresh->bytes + record, (int32_t)(next - record));
                record = next;
                continue;
            }
            const char* name = GetRecordName(fresh, record);
            uint32_t contents = SkipName(fresh, record + 1);
            (void)AppendToLog(work->log, fresh->bytes + record, (int32_t)(contents - record));
            uint32_t match = FindIndexed(earlier, &earlierIndex, name);
            uint32_t earlierContents =
                match && earlier->bytes[match] == LOG_DIRECTORY ? SkipName(earlier, match + 1) : 0;
            size_t levelLength = EnterName(work, name);
            if (!levelLength || MergeLevel(work, contents, earlierContents) != next)
                result = 0;
            else
                work->path[levelLength] = 0;
            record = next;
        }
        // The earlier installation's entries of this level that this one did not make again
        // and that are still there.
        for (uint32_t record = earlierAt; result && earlier->bytes[record] != LOG_END;) {
            uint32_t next = SkipRecord(earlier, record);
            const char* name = GetRecordName(earlier, record);
            size_t levelLength = EnterName(work, name);
            if (levelLength && !FindIndexed(fresh, &freshIndex, name) &&
                work->isPresent(work->path)) {
                (void)AppendToLog(work->log, earlier->bytes + record, (int32_t)(next - record));
                work->carriedFiles += CountFiles(earlier, record);
            }
            if (levelLength)
                work->path[levelLength] = 0;
            record = next;
        }
        if (result)
            (void)AppendLogByte(work->log, LOG_END);
    }
    MemFree(freshIndex.records);
    MemFree(earlierIndex.records);
    return result;
}

int CarryEarlierFiles(UninstallLog* log, const UninstallPlan* earlier, const char* destination,
                      int (*isPresent)(const char* path))
{
    uint32_t listStart = GetLogHeaderField(log, LOG_FILE_LIST);
    if (log->logRequested != log->logLength || !listStart || listStart >= log->logLength)
        return 0;
    MergeWork* work = (MergeWork*)MemAlloc(sizeof(MergeWork));
    // The whole log is copied, so that positions in the copy are the log's own.
    uint32_t logLength = log->logLength;
    unsigned char* copy = work ? (unsigned char*)MemAlloc(logLength) : 0;
    if (!copy || !CopyTextBounded(work->path, PATH_SIZE, destination)) {
        MemFree(copy);
        MemFree(work);
        return 0;
    }
    CopyBytes(copy, log->buffer, logLength);
    ListBytes fresh = {copy, logLength};
    ListBytes earlierList = {earlier->log, earlier->logSize};
    work->log = log;
    work->fresh = &fresh;
    work->earlier = &earlierList;
    work->isPresent = isPresent;
    work->carriedFiles = 0;
    log->logLength = log->logRequested = listStart;
    int merged = MergeLevel(work, listStart, earlier->fileList) == logLength &&
                 log->logRequested == log->logLength;
    if (merged) {
        // Each carried file is one more step of the removal's progress.
        SetLogHeaderField(log, LOG_REMOVAL_STEPS,
                          GetLogHeaderField(log, LOG_REMOVAL_STEPS) + work->carriedFiles);
    } else {
        log->logLength = log->logRequested = listStart;
        (void)AppendToLog(log, copy + listStart, (int32_t)(logLength - listStart)); // it fit before
    }
    MemFree(copy);
    MemFree(work);
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
    uint32_t carried = 0;
    while (NextShortcut(&walk)) {
        if (ListHoldsText(log->buffer, listStart, log->logLength, walk.text) ||
            !isPresent(walk.text))
            continue;
        (void)AppendToLog(log, walk.text, LOG_WHOLE_TEXT); // a loss shows at the save
        ++carried;
    }
    // Each carried link is one more step of the removal's progress.
    SetLogHeaderField(log, LOG_REMOVAL_STEPS, GetLogHeaderField(log, LOG_REMOVAL_STEPS) + carried);
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
