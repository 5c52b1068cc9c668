// Walks over the lists of a read plan: the file list in removal order, the shortcut paths and
// the registry keys, each entry checked as it is reached. Freestanding.
#include "plan_walks.h"

#include "resource.h"

static const char LINK_SUFFIX[] = ".lnk";
static const char KEY_BASE[] = "Software\\Microsoft\\Windows\\CurrentVersion\\";
static const char* const PRODUCT_KEY_FOLDERS[] = {"Uninstall\\", "App Paths\\"};

static int IsSeparator(char c)
{
    return c == '\\' || c == '/';
}

static char LowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? (char)(c - 'A' + 'a') : c;
}

// Length of `prefix` when `text` starts with it, ASCII case ignored; else 0.
static uint32_t MatchPrefix(const char* text, const char* prefix)
{
    uint32_t length = 0;
    for (; prefix[length]; ++length)
        if (LowerAscii(text[length]) != LowerAscii(prefix[length]))
            return 0;
    return length;
}

int32_t MeasureLogText(const UninstallPlan* plan, uint32_t offset)
{
    for (uint32_t at = offset; at < plan->logSize; ++at)
        if (!plan->log[at])
            return (int32_t)(at - offset);
    return -1;
}

// True when the `length` characters at `name` form a plain name.
static int IsPlainComponent(const char* name, uint32_t length)
{
    if (!length)
        return 0;
    if (name[0] == '.' && (length == 1 || (length == 2 && name[1] == '.')))
        return 0;
    for (uint32_t i = 0; i < length; ++i)
        if (IsSeparator(name[i]) || name[i] == ':')
            return 0;
    return 1;
}

int IsPlainName(const char* name)
{
    uint32_t length = 0;
    while (name[length])
        ++length;
    return IsPlainComponent(name, length);
}

int IsPlainAbsolutePath(const char* path, uint32_t length)
{
    if (length < 3 || length >= PLAN_PATH_SIZE)
        return 0;
    if (LowerAscii(path[0]) < 'a' || LowerAscii(path[0]) > 'z' || path[1] != ':' ||
        !IsSeparator(path[2]))
        return 0;
    // A doubled separator inside the path names the same folder, and the wizard takes a
    // destination typed so; one right after the root or at the end does not pass.
    if (IsSeparator(path[3]))
        return 0;
    uint32_t start = 3;
    while (start < length) {
        uint32_t end = start;
        while (end < length && !IsSeparator(path[end]))
            ++end;
        if (end == length - 1 || (end > start && !IsPlainComponent(path + start, end - start)))
            return 0;
        start = end + 1;
    }
    return 1;
}

void BeginFileListWalk(FileListWalk* walk, const UninstallPlan* plan)
{
    walk->plan = plan;
    walk->position = plan->fileList;
    walk->depth = 0;
    walk->cutPending = 0;
    walk->finished = 0;
    walk->error = 0;
    uint32_t length = 0;
    for (; plan->destination.path[length] && length + 1 < PLAN_PATH_SIZE; ++length)
        walk->path[length] = plan->destination.path[length];
    walk->path[length] = 0;
    walk->pathLength = length;
}

static int StopWalk(FileListWalk* walk, uint32_t error)
{
    walk->error = error;
    walk->finished = 1;
    return 0;
}

// Takes the last name off the path; the drive root keeps its separator.
static void CutLastName(FileListWalk* walk)
{
    uint32_t length = walk->pathLength;
    while (length > 3 && !IsSeparator(walk->path[length - 1]))
        --length;
    if (length > 3)
        --length;
    walk->pathLength = length;
    walk->path[length] = 0;
}

// Puts the record's name at the end of the path; 0 with the walk stopped when it cannot.
static int PutRecordName(FileListWalk* walk)
{
    int32_t length = MeasureLogText(walk->plan, walk->position);
    if (length < 0)
        return StopWalk(walk, IDS_LOG_BAD_TEXT);
    const char* name = (const char*)walk->plan->log + walk->position;
    if (!IsPlainComponent(name, (uint32_t)length))
        return StopWalk(walk, IDS_LOG_BAD_NAME);
    uint32_t at = walk->pathLength;
    int needsSeparator = !IsSeparator(walk->path[at - 1]);
    if (at + needsSeparator + (uint32_t)length >= PLAN_PATH_SIZE)
        return StopWalk(walk, IDS_LOG_PATH_TOO_LONG);
    if (needsSeparator)
        walk->path[at++] = '\\';
    for (int32_t i = 0; i <= length; ++i)
        walk->path[at + i] = name[i];
    walk->pathLength = at + (uint32_t)length;
    walk->position += (uint32_t)length + 1;
    return 1;
}

int NextRemovalEntry(FileListWalk* walk, RemovalKind* kind)
{
    if (walk->finished)
        return 0;
    if (walk->cutPending) {
        CutLastName(walk);
        walk->cutPending = 0;
    }
    const UninstallPlan* plan = walk->plan;
    for (;;) {
        if (walk->position >= plan->logSize)
            return StopWalk(walk, IDS_LOG_BAD_FILE_LIST);
        unsigned char record = plan->log[walk->position++];
        if (record == RECORD_END) {
            if (!walk->depth) {
                walk->finished = 1;
                return 0;
            }
            --walk->depth;
            *kind = REMOVE_DIRECTORY;
            walk->cutPending = 1;
            return 1;
        }
        if (record != RECORD_FILE && record != RECORD_DIRECTORY)
            return StopWalk(walk, IDS_LOG_BAD_FILE_LIST);
        if (!PutRecordName(walk))
            return 0;
        if (record == RECORD_FILE) {
            *kind = REMOVE_FILE;
            walk->cutPending = 1;
            return 1;
        }
        ++walk->depth;
    }
}

static void BeginTextWalk(TextListWalk* walk, const UninstallPlan* plan, uint32_t position)
{
    walk->plan = plan;
    walk->position = position;
    walk->error = 0;
    walk->finished = 0;
    walk->root = 0;
    walk->text = 0;
}

static int StopTextWalk(TextListWalk* walk, uint32_t error)
{
    walk->error = error;
    walk->finished = 1;
    return 0;
}

void BeginShortcutWalk(TextListWalk* walk, const UninstallPlan* plan)
{
    BeginTextWalk(walk, plan, plan->shortcutList);
}

static int HasLinkSuffix(const char* path, uint32_t length)
{
    uint32_t suffixLength = sizeof(LINK_SUFFIX) - 1;
    return length > suffixLength && MatchPrefix(path + length - suffixLength, LINK_SUFFIX);
}

int NextShortcut(TextListWalk* walk)
{
    if (walk->finished)
        return 0;
    int32_t length = MeasureLogText(walk->plan, walk->position);
    if (length < 0)
        return StopTextWalk(walk, IDS_LOG_BAD_TEXT);
    if (!length) {
        walk->finished = 1;
        return 0;
    }
    const char* path = (const char*)walk->plan->log + walk->position;
    if (length >= PLAN_PATH_SIZE)
        return StopTextWalk(walk, IDS_LOG_PATH_TOO_LONG);
    if (!IsPlainAbsolutePath(path, (uint32_t)length) || !HasLinkSuffix(path, (uint32_t)length))
        return StopTextWalk(walk, IDS_LOG_BAD_SHORTCUT);
    walk->text = path;
    walk->position += (uint32_t)length + 1;
    return 1;
}

void BeginRegistryWalk(TextListWalk* walk, const UninstallPlan* plan)
{
    BeginTextWalk(walk, plan, plan->registryList);
}

// Only the product's own entries below the Uninstall and App Paths keys may be deleted: a
// damaged log must not name a key that other software owns.
static int IsProductKey(const char* key, uint32_t length)
{
    uint32_t base = MatchPrefix(key, KEY_BASE);
    if (!base)
        return 0;
    for (const char* folder : PRODUCT_KEY_FOLDERS) {
        uint32_t matched = MatchPrefix(key + base, folder);
        if (!matched)
            continue;
        uint32_t start = base + matched;
        if (start >= length || key[length - 1] == '\\')
            return 0;
        for (uint32_t i = start; i < length; ++i)
            if (key[i] == '\\' && (i == start || key[i - 1] == '\\'))
                return 0;
        return 1;
    }
    return 0;
}

int NextRegistryKey(TextListWalk* walk)
{
    if (walk->finished)
        return 0;
    const UninstallPlan* plan = walk->plan;
    if (walk->position >= plan->logSize)
        return StopTextWalk(walk, IDS_LOG_BAD_TEXT);
    unsigned char root = plan->log[walk->position];
    if (root == RECORD_END) {
        walk->finished = 1;
        return 0;
    }
    if (root != ROOT_LOCAL_MACHINE && root != ROOT_CURRENT_USER)
        return StopTextWalk(walk, IDS_LOG_BAD_REGISTRY);
    int32_t length = MeasureLogText(plan, walk->position + 1);
    if (length < 0)
        return StopTextWalk(walk, IDS_LOG_BAD_TEXT);
    const char* key = (const char*)plan->log + walk->position + 1;
    if (length >= PLAN_KEY_SIZE || !IsProductKey(key, (uint32_t)length))
        return StopTextWalk(walk, IDS_LOG_BAD_REGISTRY);
    walk->root = root;
    walk->text = key;
    walk->position += (uint32_t)length + 2;
    return 1;
}
