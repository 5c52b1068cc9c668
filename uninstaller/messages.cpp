// Message boxes from the string table, with the product's name put into their "%s", and the
// lists of items that could not be removed and of folders that stay for the user's files.
#include "messages.h"

#include "common/format.h"
#include "common/path_routines.h"
#include "common/text.h"
#include "resource.h"
#include "uninstall_state.h"

static const char LIST_MORE[] = "...\r\n";

// A message box grows to its longest line and its number of lines: a list of long paths, each
// a word that does not wrap, would take it past the screen's edges, and its OK button with it.
enum {
    LISTED_PATH_LENGTH = 96,        // characters of a path in a list, its last name kept
    LIST_ITEMS_SHOWN = 8,           // items of a list before "..."
};

static void LoadMessage(UINT id, char* buffer)
{
    if (!LoadStringA(uninstall.module, id, buffer, STRING_SIZE))
        buffer[0] = 0;
}

static int ShowText(const char* text, UINT flags)
{
    char caption[STRING_SIZE];
    // MB_ICONWARNING shares a bit with MB_ICONERROR: the icon is compared whole.
    LoadMessage((flags & MB_ICONMASK) == MB_ICONERROR ? IDS_ERROR_CAPTION : IDS_CAPTION, caption);
    char title[STRING_SIZE];
    const char* name = uninstall.plan.displayName;
    (void)FormatText(title, sizeof(title), caption, name ? name : ""); // a cut title still reads
    HWND owner = uninstall.progressWindow;
    return MessageBoxA(owner, text, title, flags | MB_SETFOREGROUND);
}

int ShowMessage(UINT id, const char* argument, UINT flags)
{
    if (uninstall.commandLine.silent)
        return (flags & MB_TYPEMASK) == MB_YESNO ? IDYES : IDOK;
    char format[STRING_SIZE];
    char text[MESSAGE_SIZE];
    LoadMessage(id, format);
    (void)FormatText(text, sizeof(text), format, argument); // a cut message still reads
    return ShowText(text, flags);
}

static void AddToList(ItemList* list, const char* item)
{
    ++list->count;
    uint32_t length = list->length;
    uint32_t needed = (uint32_t)GetTextLength(item) + 2;
    // Room is kept for the "..." line that says the list goes on.
    if (list->count > LIST_ITEMS_SHOWN || length + needed + sizeof(LIST_MORE) > ITEM_LIST_SIZE) {
        if (!list->cut) {
            CopyBytes(list->text + length, LIST_MORE, sizeof(LIST_MORE));
            list->length = length + sizeof(LIST_MORE) - 1;
            list->cut = 1;
        }
        return;
    }
    CopyBytes(list->text + length, item, needed - 2);
    CopyBytes(list->text + length + needed - 2, "\r\n", 3);
    list->length = length + needed;
}

static void AddPathToList(ItemList* list, const char* path)
{
    char shown[LISTED_PATH_LENGTH + 1];
    CompactPathText(shown, path, LISTED_PATH_LENGTH);
    AddToList(list, shown);
}

void NoteFailure(const char* path)
{
    AddPathToList(&uninstall.failures, path);
}

void NoteKeptFolder(const char* path)
{
    AddPathToList(&uninstall.keptFolders, path);
}

// Adds `item` to the failures with string `id` saying what became of it.
static void NoteFailureAs(UINT id, const char* item)
{
    char format[STRING_SIZE];
    char shown[LISTED_PATH_LENGTH + 1];
    char line[STRING_SIZE + LISTED_PATH_LENGTH];
    LoadMessage(id, format);
    CompactPathText(shown, item, LISTED_PATH_LENGTH);
    (void)FormatText(line, sizeof(line), format, shown); // a cut line still names the item
    AddToList(&uninstall.failures, line);
}

void NoteScheduledRemoval(const char* path)
{
    NoteFailureAs(IDS_REMOVED_AT_RESTART, path);
}

void NoteCommandNotRun(const char* commandLine)
{
    NoteFailureAs(IDS_COMMAND_NOT_RUN, commandLine);
}

// Appends string `id`, with the product's name in its "%s", to `text`.
static void AppendMessageText(char* text, UINT id)
{
    char format[STRING_SIZE];
    LoadMessage(id, format);
    uint32_t length = (uint32_t)GetTextLength(text);
    (void)FormatText(text + length, MESSAGE_SIZE - length, format, uninstall.plan.shortName);
}

// Appends string `id` and then `list` to `text`.
static void AppendListText(char* text, UINT id, const ItemList* list)
{
    AppendMessageText(text, id);
    uint32_t length = (uint32_t)GetTextLength(text);
    (void)CopyTextBounded(text + length, MESSAGE_SIZE - length, list->text); // bounded
}

void ShowClosingMessage(void)
{
    if (uninstall.commandLine.silent)
        return;
    const ItemList* failures = &uninstall.failures;
    // While items are left, the folders that hold them are not kept for the user's files: such
    // folders are named by the run that removes the rest.
    const ItemList* kept = uninstall.itemsLeft ? NULL : &uninstall.keptFolders;
    int keptCount = kept ? kept->count : 0;
    if (!failures->count && !keptCount) {
        (void)ShowMessage(IDS_REMOVED, uninstall.plan.shortName, MB_ICONINFORMATION | MB_OK);
        return;
    }
    char text[MESSAGE_SIZE] = "";
    if (failures->count)
        AppendListText(text, IDS_NOT_ALL_REMOVED, failures);
    if (keptCount)
        AppendListText(text, failures->count ? IDS_FOLDERS_KEPT : IDS_REMOVED_KEEPING, kept);
    if (uninstall.itemsLeft)
        AppendMessageText(text, IDS_REMOVE_AGAIN);
    (void)ShowText(text, (failures->count ? MB_ICONWARNING : MB_ICONINFORMATION) | MB_OK);
}
