// Reads "uninst.dat" into a removal plan. Every offset, text, folder record and list is checked
// here, in full, so that a damaged log is refused before the first thing is removed.
#include "plan_walks.h"
#include "resource.h"
#include "uninstall_plan.h"

static uint32_t ReadLogU32(const unsigned char* at)
{
    return (uint32_t)at[0] | ((uint32_t)at[1] << 8) | ((uint32_t)at[2] << 16) |
           ((uint32_t)at[3] << 24);
}

static uint32_t ReadField(const UninstallPlan* plan, LogField field)
{
    return ReadLogU32(plan->log + field);
}

// An offset that points past the header and into the file.
static int IsBodyOffset(const UninstallPlan* plan, uint32_t offset)
{
    return offset >= LOG_HEADER_BYTES && offset < plan->logSize;
}

// The text that `field` points to, shorter than `limit`; 0 or an IDS_LOG_ id. An absent text
// (offset 0) is refused unless `optional`.
static uint32_t ReadText(const UninstallPlan* plan, LogField field, uint32_t limit, int optional,
                         const char** text)
{
    uint32_t offset = ReadField(plan, field);
    *text = 0;
    if (!offset && optional)
        return 0;
    if (!IsBodyOffset(plan, offset))
        return IDS_LOG_BAD_OFFSET;
    int32_t length = MeasureLogText(plan, offset);
    if (length < 0 || (uint32_t)length >= limit)
        return IDS_LOG_BAD_TEXT;
    *text = (const char*)plan->log + offset;
    return 0;
}

// A folder record: its existing length must end at the drive root or at a separator inside
// the path, so that trimming stops at a whole directory that was there before.
static uint32_t ReadFolder(const UninstallPlan* plan, LogField field, int optional,
                           LogFolder* folder)
{
    uint32_t offset = ReadField(plan, field);
    folder->existingLength = 0;
    folder->path = 0;
    if (!offset && optional)
        return 0;
    if (!IsBodyOffset(plan, offset) || plan->logSize - offset <= 4)
        return IDS_LOG_BAD_OFFSET;
    int32_t length = MeasureLogText(plan, offset + 4);
    if (length < 0)
        return IDS_LOG_BAD_TEXT;
    if (length >= PLAN_PATH_SIZE)
        return IDS_LOG_PATH_TOO_LONG;
    const char* path = (const char*)plan->log + offset + 4;
    uint32_t existing = ReadLogU32(plan->log + offset);
    if (!IsPlainAbsolutePath(path, (uint32_t)length) || existing < 3 ||
        existing > (uint32_t)length)
        return IDS_LOG_BAD_FOLDER;
    if (existing != 3 && existing != (uint32_t)length && path[existing] != '\\' &&
        path[existing] != '/')
        return IDS_LOG_BAD_FOLDER;
    folder->existingLength = existing;
    folder->path = path;
    return 0;
}

static uint32_t CheckFileList(UninstallPlan* plan)
{
    FileListWalk walk;
    RemovalKind kind;
    BeginFileListWalk(&walk, plan);
    while (NextRemovalEntry(&walk, &kind)) {
        if (kind == REMOVE_FILE)
            ++plan->fileCount;
        else
            ++plan->directoryCount;
    }
    return walk.error;
}

static uint32_t CheckShortcutList(UninstallPlan* plan)
{
    TextListWalk walk;
    BeginShortcutWalk(&walk, plan);
    while (NextShortcut(&walk))
        ++plan->shortcutCount;
    return walk.error;
}

static uint32_t CheckRegistryList(UninstallPlan* plan)
{
    TextListWalk walk;
    BeginRegistryWalk(&walk, plan);
    while (NextRegistryKey(&walk))
        ++plan->registryKeyCount;
    return walk.error;
}

static void ClearPlan(UninstallPlan* plan, const unsigned char* log, uint32_t size)
{
    plan->log = log;
    plan->logSize = size;
    plan->notice = 0;
    plan->shortName = 0;
    plan->displayName = 0;
    plan->eventName = 0;
    plan->uninstallCommand = 0;
    plan->destination.existingLength = 0;
    plan->destination.path = 0;
    plan->menuFolder.existingLength = 0;
    plan->menuFolder.path = 0;
    plan->fileList = 0;
    plan->shortcutList = 0;
    plan->registryList = 0;
    plan->fileCount = 0;
    plan->directoryCount = 0;
    plan->shortcutCount = 0;
    plan->registryKeyCount = 0;
    plan->removalSteps = 0;
}

// The product texts have no length limit of their own (the tool sets none); they are only
// shown, through formatting that cuts them at its buffers.
static uint32_t ReadTexts(UninstallPlan* plan)
{
    const uint32_t anyLength = 0xFFFFFFFF;
    uint32_t error = ReadText(plan, LOG_FIELD_NOTICE, anyLength, 0, &plan->notice);
    if (!error)
        error = ReadText(plan, LOG_FIELD_SHORT_NAME, anyLength, 0, &plan->shortName);
    if (!error)
        error = ReadText(plan, LOG_FIELD_DISPLAY_NAME, anyLength, 0, &plan->displayName);
    if (!error)
        error = ReadText(plan, LOG_FIELD_EVENT_NAME, PLAN_PATH_SIZE, 1, &plan->eventName);
    if (!error)
        error = ReadText(plan, LOG_FIELD_UNINSTALL_COMMAND, PLAN_PATH_SIZE, 1,
                         &plan->uninstallCommand);
    return error;
}

static uint32_t ReadListOffsets(UninstallPlan* plan)
{
    plan->fileList = ReadField(plan, LOG_FIELD_FILE_LIST);
    plan->shortcutList = ReadField(plan, LOG_FIELD_SHORTCUT_LIST);
    plan->registryList = ReadField(plan, LOG_FIELD_REGISTRY_LIST);
    if (!IsBodyOffset(plan, plan->fileList) || !IsBodyOffset(plan, plan->shortcutList) ||
        !IsBodyOffset(plan, plan->registryList))
        return IDS_LOG_BAD_OFFSET;
    return 0;
}

uint32_t ReadUninstallLog(const unsigned char* log, uint32_t size, UninstallPlan* plan)
{
    ClearPlan(plan, log, size);
    if (size < LOG_HEADER_BYTES || ReadField(plan, LOG_FIELD_FILE_SIZE) != size)
        return IDS_LOG_WRONG_SIZE;
    uint32_t error = ReadTexts(plan);
    if (!error)
        error = ReadFolder(plan, LOG_FIELD_DESTINATION, 0, &plan->destination);
    if (!error)
        error = ReadFolder(plan, LOG_FIELD_MENU_FOLDER, 1, &plan->menuFolder);
    if (!error)
        error = ReadListOffsets(plan);
    if (!error)
        error = CheckFileList(plan);
    if (!error)
        error = CheckShortcutList(plan);
    if (!error)
        error = CheckRegistryList(plan);
    plan->removalSteps = ReadField(plan, LOG_FIELD_REMOVAL_STEPS);
    return error;
}
