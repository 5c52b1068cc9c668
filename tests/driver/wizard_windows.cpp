// Finds the wizard's windows in another process and tells its pages apart by their control
// ids; texts are read with WM_GETTEXT, which the system carries across processes.
#include "wizard_windows.h"

#include <vector>

namespace {

struct PageName {
    PageKind kind;
    const char* name;
};
const PageName PAGE_NAMES[] = {
    {PageKind::None, "none"},         {PageKind::Welcome, "welcome"},
    {PageKind::Info, "info"},         {PageKind::Destination, "destination"},
    {PageKind::StartMenu, "startmenu"}, {PageKind::Ready, "ready"},
    {PageKind::Installing, "installing"}, {PageKind::Finish, "finish"},
    {PageKind::Unknown, "unknown"},
};

struct WindowSearch {
    DWORD processId;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM context)
{
    WindowSearch* search = reinterpret_cast<WindowSearch*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->processId)
        search->found.push_back(window);
    return TRUE;
}

std::vector<HWND> ListTopLevel(DWORD processId)
{
    WindowSearch search{processId, {}};
    EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool IsDialog(HWND window)
{
    return ReadClass(window) == "#32770";
}

bool Has(HWND parent, int id)
{
    return GetDlgItem(parent, id) != nullptr;
}

// Whether a static of the page starts with the text. A static that does not answer, as one of
// a page being destroyed, leaves it unknown: its text may well have been the one looked for.
enum class Finding { No, Yes, Unknown };

Finding FindStaticStarting(HWND parent, const std::string& start)
{
    Finding finding = Finding::No;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (ReadClass(child) != "Static")
            continue;
        std::string text;
        if (!TryReadText(child, text))
            finding = Finding::Unknown;
        else if (text.compare(0, start.size(), start) == 0)
            return Finding::Yes;
    }
    return finding;
}

PageKind ClassifyPage(HWND page)
{
    if (Has(page, ID_LAUNCH) && Has(page, ID_HEADER_TITLE) && HasBitmap(page))
        return PageKind::Finish;
    if (Has(page, ID_WELCOME_TITLE) && Has(page, ID_WELCOME_TEXT) && HasBitmap(page))
        return PageKind::Welcome;
    if (Has(page, ID_PHASE) && Has(page, ID_FILE) && Has(page, ID_PROGRESS))
        return PageKind::Installing;
    if (Has(page, ID_PATH_EDIT) && Has(page, ID_BROWSE) && Has(page, ID_NO_MENU_FOLDER) &&
        Has(page, ID_DESKTOP_ICON) && Has(page, ID_QUICK_LAUNCH_ICON) && Has(page, ID_STARTUP_ICON))
        return PageKind::StartMenu;
    if (Has(page, ID_PATH_EDIT) && Has(page, ID_REQUIRED_SPACE) && Has(page, ID_BROWSE))
        return PageKind::Destination;
    HWND text = GetDlgItem(page, ID_INFO_TEXT);
    if (text && ReadClass(text) == "Edit") {
        LONG style = GetWindowLongA(text, GWL_STYLE);
        if ((style & ES_MULTILINE) && (style & ES_READONLY)) {
            switch (FindStaticStarting(page, "Click Install")) {
            case Finding::Yes:
                return PageKind::Ready;
            case Finding::No:
                return PageKind::Info;
            case Finding::Unknown:
                break;
            }
        }
    }
    return PageKind::Unknown;
}

bool IsHeaderBand(HWND child)
{
    return Has(child, ID_HEADER_TITLE) && Has(child, ID_INFO_TEXT) &&
           ReadClass(GetDlgItem(child, ID_INFO_TEXT)) == "Static";
}

} // namespace

// A static control showing a bitmap that is loaded.
bool HasBitmap(HWND parent)
{
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (ReadClass(child) != "Static")
            continue;
        LONG style = GetWindowLongA(child, GWL_STYLE);
        if ((style & SS_TYPEMASK) != SS_BITMAP)
            continue;
        DWORD_PTR image = 0;
        if (SendMessageTimeoutA(child, STM_GETIMAGE, IMAGE_BITMAP, 0, SMTO_NORMAL, SEND_TIMEOUT_MS,
                                &image) && image)
            return true;
    }
    return false;
}

const char* NamePageKind(PageKind kind)
{
    for (const PageName& entry : PAGE_NAMES) {
        if (entry.kind == kind)
            return entry.name;
    }
    return "?";
}

bool ParsePageKind(const std::string& name, PageKind& kind)
{
    for (const PageName& entry : PAGE_NAMES) {
        if (name == entry.name) {
            kind = entry.kind;
            return true;
        }
    }
    return false;
}

HWND FindFrame(DWORD processId)
{
    for (HWND window : ListTopLevel(processId)) {
        if (IsDialog(window) && Has(window, ID_NEXT) && Has(window, ID_BACK))
            return window;
    }
    return nullptr;
}

HWND FindOtherDialog(DWORD processId, HWND frame)
{
    for (HWND window : ListTopLevel(processId)) {
        if (window != frame && IsWindowVisible(window) && IsDialog(window))
            return window;
    }
    return nullptr;
}

HWND FindShownWindow(DWORD processId)
{
    for (HWND window : ListTopLevel(processId)) {
        if (IsWindowVisible(window))
            return window;
    }
    return nullptr;
}

DWORD FindWindowThread(DWORD processId)
{
    std::vector<HWND> windows = ListTopLevel(processId);
    return windows.empty() ? 0 : GetWindowThreadProcessId(windows.front(), nullptr);
}

bool HasVisibleWindow(DWORD processId)
{
    return FindShownWindow(processId) != nullptr;
}

WizardView ReadWizard(DWORD processId)
{
    WizardView view;
    view.frame = FindFrame(processId);
    if (!view.frame)
        return view;
    for (HWND child = GetWindow(view.frame, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!IsDialog(child) || !IsWindowVisible(child))
            continue;
        if (IsHeaderBand(child)) {
            view.header = child;
            continue;
        }
        ++view.pageWindows;
        view.page = child;
    }
    if (view.pageWindows != 1) {
        view.page = nullptr;
        return view;
    }
    view.kind = ClassifyPage(view.page);
    return view;
}

bool TryReadText(HWND window, std::string& text)
{
    char buffer[8192];
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXT, sizeof(buffer), reinterpret_cast<LPARAM>(buffer),
                             SMTO_NORMAL, SEND_TIMEOUT_MS, &length))
        return false;
    text.assign(buffer, length < sizeof(buffer) ? length : sizeof(buffer) - 1);
    return true;
}

std::string ReadText(HWND window)
{
    std::string text;
    return TryReadText(window, text) ? text : "<no answer to WM_GETTEXT>";
}

bool ReadCheck(HWND box, bool& checked)
{
    DWORD_PTR state = 0;
    if (!SendMessageTimeoutA(box, BM_GETCHECK, 0, 0, SMTO_NORMAL, SEND_TIMEOUT_MS, &state))
        return false;
    checked = state == BST_CHECKED;
    return true;
}

std::string ReadClass(HWND window)
{
    char name[64];
    int length = GetClassNameA(window, name, sizeof(name));
    return std::string(name, length > 0 ? length : 0);
}

HWND FindControl(HWND parent, int id)
{
    if (HWND direct = GetDlgItem(parent, id))
        return direct;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (IsDialog(child) && IsWindowVisible(child)) {
            if (HWND inner = FindControl(child, id))
                return inner;
        }
    }
    return nullptr;
}

std::string ListControls(HWND parent)
{
    std::string list;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!list.empty())
            list += ", ";
        list += std::to_string(GetDlgCtrlID(child)) + " " + ReadClass(child);
    }
    return list.empty() ? "no controls" : list;
}
