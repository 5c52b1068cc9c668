// Walks over the lists of a read plan: the file list in removal order, the shortcut paths and
// the registry keys, each entry checked as it is reached. Freestanding.
#include "common/uninstall_log_walks.h"

#include "common/registry_keys.h"
#include "common/text.h"

int32_t MeasureLogText(const UninstallPlan* plan, uint32_t offset)
{
    for (uint32_t at = offset; at < plan->logSize; ++at)
        if (!plan->log[at])
            return (int32_t)(at - offset);
    return -1;
}

void BeginFileListWalk(FileListWalk* walk, const UninstallPlan* plan)
{
    walk->plan = plan;
    walk->position = plan->fileList;
    walk->depth = 0;
    walk->cutPending = 0;
    walk->finished = 0;
    walk->error = LOG_FAULT_NONE;
    uint32_t length = 0;
    for (; plan->destination.path[length] && length + 1 < PATH_SIZE; ++length)
        walk->path[length] = plan->destination.path[length];
    walk->path[length] = 0;
    walk->pathLength = length;
}

static int StopWalk(FileListWalk* walk, LogFault error)
{
    walk->error = error;
    walk->finished = 1;
    return 0;
}

// Takes the last name off the path; the drive root keeps its separator.
static void CutLastName(FileListWalk* walk)
{
    walk->pathLength = (uint32_t)CutToParentFolder(walk->path, walk->pathLength, DRIVE_ROOT_LENGTH);
}

// Puts the record's name at the end of the path; 0 with the walk stopped when it cannot.
static int PutRecordName(FileListWalk* walk)
{
    int32_t length = MeasureLogText(walk->plan, walk->position);
    if (length < 0)
        return StopWalk(walk, LOG_FAULT_BAD_TEXT);
    const char* name = (const char*)walk->plan->log + walk->position;
    if (!IsPlainComponent(name, (uint32_t)length))
        return StopWalk(walk, LOG_FAULT_BAD_NAME);
    uint32_t at = walk->pathLength;
    int needsSeparator = !IsSeparator(walk->path[at - 1]);
    if (at + needsSeparator + (uint32_t)length >= PATH_SIZE)
        return StopWalk(walk, LOG_FAULT_PATH_TOO_LONG);
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
            return StopWalk(walk, LOG_FAULT_BAD_FILE_LIST);
        unsigned char record = plan->log[walk->position++];
        if (record == LOG_END) {
            if (!walk->depth) {
                walk->finished = 1;
                return 0;
            }
            --walk->depth;
            *kind = REMOVE_DIRECTORY;
            walk->cutPending = 1;
            return 1;
        }
        if (record != LOG_FILE && record != LOG_DIRECTORY)
            return StopWalk(walk, LOG_FAULT_BAD_FILE_LIST);
        if (!PutRecordName(walk))
            return 0;
        if (record == LOG_FILE) {
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
    walk->error = LOG_FAULT_NONE;
    walk->finished = 0;
    walk->root = 0;
    walk->text = 0;
}

static int StopTextWalk(TextListWalk* walk, LogFault error)
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
    uint32_t suffixLength = sizeof(LINK_EXTENSION) - 1;
    return length > suffixLength &&
           HasPrefixIgnoringCase(path + length - suffixLength, LINK_EXTENSION, suffixLength);
}

int NextShortcut(TextListWalk* walk)
{
    if (walk->finished)
        return 0;
    int32_t length = MeasureLogText(walk->plan, walk->position);
    if (length < 0)
        return StopTextWalk(walk, LOG_FAULT_BAD_TEXT);
    if (!length) {
        walk->finished = 1;
        return 0;
    }
    const char* path = (const char*)walk->plan->log + walk->position;
    if (length >= PATH_SIZE)
        return StopTextWalk(walk, LOG_FAULT_PATH_TOO_LONG);
    // A link is a file below its root: "\\\\server\\x.lnk" would be a share.
    if (!IsPlainAbsolutePath(path, (uint32_t)length) || !HasLinkSuffix(path, (uint32_t)length) ||
        MeasurePathRoot(path, (uint32_t)length) == (uint32_t)length)
        return StopTextWalk(walk, LOG_FAULT_BAD_SHORTCUT);
    walk->text = path;
    walk->position += (uint32_t)length + 1;
    return 1;
}

void BeginRegistryWalk(TextListWalk* walk, const UninstallPlan* plan)
{
    BeginTextWalk(walk, plan, plan->registryList);
}

int NextRegistryKey(TextListWalk* walk)
{
    if (walk->finished)
        return 0;
    const UninstallPlan* plan = walk->plan;
    if (walk->position >= plan->logSize)
        return StopTextWalk(walk, LOG_FAULT_BAD_TEXT);
    unsigned char root = plan->log[walk->position];
    if (root == LOG_END) {
        walk->finished = 1;
        return 0;
    }
    if (root != LOG_ROOT_LOCAL_MACHINE && root != LOG_ROOT_CURRENT_USER)
        return StopTextWalk(walk, LOG_FAULT_BAD_REGISTRY);
    int32_t length = MeasureLogText(plan, walk->position + 1);
    if (length < 0)
        return StopTextWalk(walk, LOG_FAULT_BAD_TEXT);
    const char* key = (const char*)plan->log + walk->position + 1;
    if (length >= KEY_PATH_SIZE || !IsProductKeyPath(key, (uint32_t)length))
        return StopTextWalk(walk, LOG_FAULT_BAD_REGISTRY);
    walk->root = root;
    walk->text = key;
    walk->position += (uint32_t)length + 2;
    return 1;
}
