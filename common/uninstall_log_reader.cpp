// The one reader of "uninst.dat", into a removal plan. Every offset, text, folder record and list is checked
// here, in full, so that a damaged log is refused before the first thing is removed.
#include "common/uninstall_log_reader.h"

#include "common/byte_order.h"
#include "common/path_routines.h"
#include "common/uninstall_log_walks.h"

static uint32_t ReadField(const UninstallPlan* plan, LogHeaderField field)
{
    return ReadU32(plan->log + field);
}

// An offset that points past the header and into the file.
static int IsBodyOffset(const UninstallPlan* plan, uint32_t offset)
{
    return offset >= LOG_HEADER_SIZE && offset < plan->logSize;
}

// The text that `field` points to, shorter than `limit`; 0 or an LOG_FAULT_ id. An absent text
// (offset 0) is refused unless `optional`.
static LogFault ReadText(const UninstallPlan* plan, LogHeaderField field, uint32_t limit, int optional,
                         const char** text)
{
    uint32_t offset = ReadField(plan, field);
    *text = 0;
    if (!offset && optional)
        return LOG_FAULT_NONE;
    if (!IsBodyOffset(plan, offset))
        return LOG_FAULT_BAD_OFFSET;
    int32_t length = MeasureLogText(plan, offset);
    if (length < 0 || (uint32_t)length >= limit)
        return LOG_FAULT_BAD_TEXT;
    *text = (const char*)plan->log + offset;
    return LOG_FAULT_NONE;
}

// A folder record: its existing length must end at the drive root or at a separator inside
// the path, so that trimming stops at a whole directory that was there before.
static LogFault ReadFolder(const UninstallPlan* plan, LogHeaderField field, int optional,
                           LogFolder* folder)
{
    uint32_t offset = ReadField(plan, field);
    folder->existingLength = 0;
    folder->path = 0;
    if (!offset && optional)
        return LOG_FAULT_NONE;
    if (!IsBodyOffset(plan, offset) || plan->logSize - offset <= LOG_FOLDER_HEAD)
        return LOG_FAULT_BAD_OFFSET;
    int32_t length = MeasureLogText(plan, offset + LOG_FOLDER_HEAD);
    if (length < 0)
        return LOG_FAULT_BAD_TEXT;
    if (length >= PATH_SIZE)
        return LOG_FAULT_PATH_TOO_LONG;
    const char* path = (const char*)plan->log + offset + LOG_FOLDER_HEAD;
    uint32_t existing = ReadU32(plan->log + offset);
    // The root (a drive's or a share's) is taken to exist; past it the part that existed ends
    // between names. Only the Start Menu can be on a share, redirected there: the wizard
    // installs into a drive's folder.
    size_t root = MeasurePathRoot(path, (uint32_t)length);
    if (!IsPlainAbsolutePath(path, (uint32_t)length) || existing < root ||
        existing > (uint32_t)length)
        return LOG_FAULT_BAD_FOLDER;
    if (field == LOG_DESTINATION_RECORD && root != DRIVE_ROOT_LENGTH)
        return LOG_FAULT_BAD_FOLDER;
    if (existing != root && existing != (uint32_t)length && !IsSeparator(path[existing]))
        return LOG_FAULT_BAD_FOLDER;
    folder->existingLength = existing;
    folder->path = path;
    return LOG_FAULT_NONE;
}

static LogFault CheckFileList(UninstallPlan* plan)
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

static LogFault CheckShortcutList(UninstallPlan* plan)
{
    TextListWalk walk;
    BeginShortcutWalk(&walk, plan);
    while (NextShortcut(&walk))
        ++plan->shortcutCount;
    return walk.error;
}

static LogFault CheckRegistryList(UninstallPlan* plan)
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
static LogFault ReadTexts(UninstallPlan* plan)
{
    const uint32_t anyLength = 0xFFFFFFFF;
    LogFault error = ReadText(plan, LOG_NOTICE, anyLength, 0, &plan->notice);
    if (!error)
        error = ReadText(plan, LOG_SHORT_NAME, anyLength, 0, &plan->shortName);
    if (!error)
        error = ReadText(plan, LOG_DISPLAY_NAME, anyLength, 0, &plan->displayName);
    if (!error)
        error = ReadText(plan, LOG_EVENT_NAME, PATH_SIZE, 1, &plan->eventName);
    if (!error)
        error = ReadText(plan, LOG_UNINSTALL_COMMAND, PATH_SIZE, 1,
                         &plan->uninstallCommand);
    return error;
}

static LogFault ReadListOffsets(UninstallPlan* plan)
{
    plan->fileList = ReadField(plan, LOG_FILE_LIST);
    plan->shortcutList = ReadField(plan, LOG_SHORTCUT_LIST);
    plan->registryList = ReadField(plan, LOG_REGISTRY_LIST);
    if (!IsBodyOffset(plan, plan->fileList) || !IsBodyOffset(plan, plan->shortcutList) ||
        !IsBodyOffset(plan, plan->registryList))
        return LOG_FAULT_BAD_OFFSET;
    return LOG_FAULT_NONE;
}

static LogFault ReadPlan(const unsigned char* log, uint32_t size, UninstallPlan* plan)
{
    ClearPlan(plan, log, size);
    if (size < LOG_HEADER_SIZE || ReadField(plan, LOG_FILE_SIZE) != size)
        return LOG_FAULT_WRONG_SIZE;
    LogFault error = ReadTexts(plan);
    if (!error)
        error = ReadFolder(plan, LOG_DESTINATION_RECORD, 0, &plan->destination);
    if (!error)
        error = ReadFolder(plan, LOG_MENU_RECORD, 1, &plan->menuFolder);
    if (!error)
        error = ReadListOffsets(plan);
    if (!error)
        error = CheckFileList(plan);
    if (!error)
        error = CheckShortcutList(plan);
    if (!error)
        error = CheckRegistryList(plan);
    plan->removalSteps = ReadField(plan, LOG_REMOVAL_STEPS);
    return error;
}

LogFault ReadUninstallLog(const unsigned char* log, uint32_t size, UninstallPlan* plan)
{
    LogFault error = ReadPlan(log, size, plan);
    // A refused log is freed by the caller, while the plan may still be read (the uninstaller's
    // message captions take the product's name from it): it must not point into that log.
    if (error)
        ClearPlan(plan, 0, 0);
    return error;
}
