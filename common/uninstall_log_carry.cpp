// What installing again into a folder carries over from the log that the new one replaces:
// the earlier installation's shortcuts that this one did not make again.
#include "common/uninstall_log_carry.h"

#include "common/text.h"
#include "common/uninstall_log_walks.h"

// True when the texts between `position` and `end` of the log buffer hold `path`.
static int ListHoldsText(const unsigned char* buffer, uint32_t position, uint32_t end,
                         const char* path)
{
    size_t length = GetTextLength(path);
    while (position < end) {
        const char* text = (const char*)buffer + position;
        size_t textLength = GetTextLength(text);
        if (textLength == length && HasPrefixIgnoringCase(text, path, length))
            return 1;
        position += (uint32_t)textLength + 1;
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
        if (!ListHoldsText(log->buffer, listStart, log->logLength, walk.text) && isPresent(walk.text))
            (void)AppendToLog(log, walk.text, LOG_WHOLE_TEXT); // a loss shows at the save
    }
}
