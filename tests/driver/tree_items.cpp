// Tree-view messages carry pointers, which the system does not carry across processes: the
// item record and its text buffer are placed in memory lent inside the picker's process.
#include "tree_items.h"

#include <commctrl.h>

#include <vector>

#include "scenario.h"
#include "wizard_windows.h"

namespace {

const int ITEM_TEXT_SIZE = 260;

LRESULT SendToTree(HWND tree, UINT message, WPARAM wParam, LPARAM lParam)
{
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(tree, message, wParam, lParam, SMTO_NORMAL, SEND_TIMEOUT_MS, &result))
        return 0;
    return (LRESULT)result;
}

std::string ReadItemText(HANDLE process, HWND tree, HTREEITEM item)
{
    SIZE_T size = sizeof(TVITEMA) + ITEM_TEXT_SIZE;
    char* remote = static_cast<char*>(VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    if (!remote)
        return "";
    TVITEMA record = {};
    record.mask = TVIF_TEXT | TVIF_HANDLE;
    record.hItem = item;
    record.pszText = remote + sizeof(TVITEMA);
    record.cchTextMax = ITEM_TEXT_SIZE;
    char text[ITEM_TEXT_SIZE] = {};
    if (WriteProcessMemory(process, remote, &record, sizeof(record), nullptr) &&
        SendToTree(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(remote)))
        (void)ReadProcessMemory(process, remote + sizeof(TVITEMA), text, sizeof(text) - 1, nullptr);
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    return text;
}

} // namespace

std::string SelectTreePath(HANDLE process, HWND tree, const std::string& path)
{
    HTREEITEM level = reinterpret_cast<HTREEITEM>(SendToTree(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
    HTREEITEM chosen = nullptr;
    for (size_t at = 0; at <= path.size();) {
        size_t end = path.find('|', at);
        if (end == std::string::npos)
            end = path.size();
        std::string name = path.substr(at, end - at);
        std::string seen;
        chosen = nullptr;
        for (HTREEITEM item = level; item;
             item = reinterpret_cast<HTREEITEM>(SendToTree(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item)))) {
            std::string text = ReadItemText(process, tree, item);
            if (text == name) {
                chosen = item;
                break;
            }
            seen += (seen.empty() ? "" : ", ") + QuoteText(text);
        }
        if (!chosen)
            return "the folder picker shows no " + QuoteText(name) + " there, only " + (seen.empty() ? "nothing" : seen);
        SendToTree(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(chosen));
        level = reinterpret_cast<HTREEITEM>(SendToTree(tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(chosen)));
        at = end + 1;
    }
    if (!SendToTree(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(chosen)))
        return "the folder picker did not select " + QuoteText(path);
    return "";
}
