// Message boxes from the string table, with the product's name put into their "%s", and the
// list of items that could not be removed.
#include "messages.h"

#include "common/format.h"
#include "common/text.h"
#include "resource.h"
#include "uninstall_state.h"

static const char LIST_MORE[] = "...\r\n";

static void LoadMessage(UINT id, char* buffer)
{
    if (!LoadStringA(uninstall.module, id, buffer, STRING_SIZE))
        buffer[0] = 0;
}

static int ShowText(const char* text, UINT flags)
{
    char caption[STRING_SIZE];
    LoadMessage(flags & MB_ICONERROR ? IDS_ERROR_CAPTION : IDS_CAPTION, caption);
    char title[STRING_SIZE];
    const char* name = uninstall.plan.displayName;
    (void)FormatText(title, sizeof(title), caption, name ? name : ""); // a cut title still reads
    HWND owner = uninstall.progressWindow;
    return MessageBoxA(owner, text, title, flags | MB_SETFOREGROUND);
}

int ShowMessage(UINT id, const char* argument, UINT flags)
{
    if (uninstall.commandLine.silent)
        return IDOK;
    char format[STRING_SIZE];
    char text[MESSAGE_SIZE];
    LoadMessage(id, format);
    (void)FormatText(text, sizeof(text), format, argument); // a cut message still reads
    return ShowText(text, flags);
}

void NoteFailure(const char* path)
{
    ++uninstall.failureCount;
    uint32_t length = uninstall.failureLength;
    uint32_t needed = (uint32_t)GetTextLength(path) + 2;
    // Room is kept for the "..." line that says the list goes on.
    if (length + needed + sizeof(LIST_MORE) > FAILURE_LIST_SIZE) {
        if (!uninstall.failureListCut) {
            CopyBytes(uninstall.failures + length, LIST_MORE, sizeof(LIST_MORE));
            uninstall.failureLength = length + sizeof(LIST_MORE) - 1;
            uninstall.failureListCut = 1;
        }
        return;
    }
    CopyBytes(uninstall.failures + length, path, needed - 2);
    CopyBytes(uninstall.failures + length + needed - 2, "\r\n", 3);
    uninstall.failureLength = length + needed;
}

void NoteScheduledRemoval(const char* path)
{
    char format[STRING_SIZE];
    char line[STRING_SIZE + PATH_SIZE];
    LoadMessage(IDS_REMOVED_AT_RESTART, format);
    (void)FormatText(line, sizeof(line), format, path); // a cut line still names the file
    NoteFailure(line);
}

void ShowClosingMessage(void)
{
    if (uninstall.commandLine.silent)
        return;
    const char* name = uninstall.plan.shortName;
    if (!uninstall.failureCount) {
        (void)ShowMessage(IDS_REMOVED, name, MB_ICONINFORMATION | MB_OK); // only OK to press
        return;
    }
    char format[STRING_SIZE];
    char text[MESSAGE_SIZE];
    LoadMessage(IDS_NOT_ALL_REMOVED, format);
    (void)FormatText(text, sizeof(text), format, name); // the list follows in any case
    uint32_t length = (uint32_t)GetTextLength(text);
    (void)CopyTextBounded(text + length, sizeof(text) - length, uninstall.failures); // bounded
    (void)ShowText(text, MB_ICONWARNING | MB_OK); // only OK to press
}
