// Steps on message boxes: their caption, text, owner, buttons and default button, and the
// answer a user gives by pressing one of them.
#include <algorithm>

#include "scenario.h"
#include "step_helpers.h"
#include "steps.h"
#include "tree_items.h"

namespace {

// The open dialog of Setup.exe other than its frame (message box, folder picker).
std::string WaitForDialog(Session& session, HWND& dialog)
{
    return WaitFor(session, [&]() -> std::string {
        DWORD processId = session.setup.dwProcessId;
        if (!processId)
            return "Setup.exe has not been started";
        dialog = FindOtherDialog(processId, FindFrame(processId));
        if (!dialog)
            return IsRunning(session.setup) ? "no dialog is open" : "Setup.exe has ended";
        return "";
    });
}

// The open message box of Setup.exe (a dialog with the message text control).
std::string WaitForMessageBox(Session& session, HWND& box)
{
    return WaitFor(session, [&]() -> std::string {
        DWORD processId = session.setup.dwProcessId;
        if (!processId)
            return "Setup.exe has not been started";
        box = FindOtherDialog(processId, FindFrame(processId));
        if (!box)
            return IsRunning(session.setup) ? "no message box is open" : "Setup.exe has ended";
        if (!GetDlgItem(box, ID_MESSAGE_TEXT))
            return "a " + DescribeDialog(box) + " is open, not a message box";
        return "";
    });
}

std::vector<int> ListShownAnswers(HWND box)
{
    std::vector<int> answers;
    for (int id = IDOK; id <= IDNO; ++id) {
        HWND button = GetDlgItem(box, id);
        if (button && IsWindowVisible(button))
            answers.push_back(id);
    }
    return answers;
}

std::string NameAnswers(const std::vector<int>& answers)
{
    std::string names;
    for (int id : answers)
        names += std::string(names.empty() ? "" : " ") + NameAnswer(id);
    return names.empty() ? "none" : names;
}

} // namespace

std::string ExpectMessage(Session& session, const Arguments& args)
{
    HWND box = nullptr;
    std::string problem = WaitForMessageBox(session, box);
    if (!problem.empty())
        return problem;
    std::string caption = ReadText(box);
    std::string text = ReadText(GetDlgItem(box, ID_MESSAGE_TEXT));
    if (caption != args[0] || text != args[1])
        return "the open message box is " + QuoteText(caption) + ": " + QuoteText(text);
    HWND frame = FindFrame(session.setup.dwProcessId);
    HWND owner = GetWindow(box, GW_OWNER);
    if (frame && owner != frame)
        return "the message box is not owned by the wizard frame";
    return "";
}

std::string ExpectMessageButtons(Session& session, const Arguments& args)
{
    std::vector<int> wanted;
    for (const std::string& name : args) {
        int id = ParseAnswerName(name);
        if (!id)
            return "no such message box button: " + name;
        wanted.push_back(id);
    }
    std::sort(wanted.begin(), wanted.end());
    HWND box = nullptr;
    std::string problem = WaitForMessageBox(session, box);
    if (!problem.empty())
        return problem;
    std::vector<int> shown = ListShownAnswers(box);
    return shown == wanted ? "" : "the message box offers " + NameAnswers(shown);
}

std::string ExpectMessageDefault(Session& session, const Arguments& args)
{
    int wanted = ParseAnswerName(args[0]);
    if (!wanted)
        return "no such message box button: " + args[0];
    HWND box = nullptr;
    std::string problem = WaitForMessageBox(session, box);
    if (!problem.empty())
        return problem;
    // The default button is drawn as one (BS_DEFPUSHBUTTON); Enter presses it.
    std::vector<int> defaults;
    for (int id : ListShownAnswers(box)) {
        if ((GetWindowLongA(GetDlgItem(box, id), GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
            defaults.push_back(id);
    }
    if (defaults.size() != 1)
        return "the message box has " + std::to_string(defaults.size()) + " default buttons: " + NameAnswers(defaults);
    return defaults[0] == wanted ? "" : std::string("the default button is ") + NameAnswer(defaults[0]);
}

std::string ExpectNoMessage(Session& session, const Arguments&)
{
    std::string problem = Settle(session);
    if (!problem.empty())
        return problem;
    DWORD processId = session.setup.dwProcessId;
    HWND other = processId ? FindOtherDialog(processId, FindFrame(processId)) : nullptr;
    return other ? "a " + DescribeDialog(other) + " is open" : "";
}

std::string ExpectDialog(Session& session, const Arguments& args)
{
    HWND dialog = nullptr;
    std::string problem = WaitForDialog(session, dialog);
    if (!problem.empty())
        return problem;
    std::string caption = ReadText(dialog);
    if (caption != args[0])
        return "the open dialog is " + QuoteText(caption);
    if (GetWindow(dialog, GW_OWNER) != FindFrame(session.setup.dwProcessId))
        return "the dialog is not owned by the wizard frame";
    std::string seen;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (ReadClass(child) != "Static" || !IsWindowVisible(child))
            continue;
        std::string text = ReadText(child);
        if (text == args[1])
            return "";
        seen += "\n    " + QuoteText(text);
    }
    return "no text of the dialog reads so; they read:" + seen;
}

std::string PickFolder(Session& session, const Arguments& args)
{
    HWND dialog = nullptr;
    std::string problem = WaitForDialog(session, dialog);
    if (!problem.empty())
        return problem;
    HWND tree = FindWindowExA(dialog, nullptr, "SysTreeView32", nullptr);
    if (!tree)
        return "the open " + DescribeDialog(dialog) + " has no folder tree";
    return SelectTreePath(session.setup.hProcess, tree, args[0]);
}

std::string Answer(Session& session, const Arguments& args)
{
    int id = ParseAnswerName(args[0]);
    if (!id)
        return "no such button: " + args[0];
    HWND box = nullptr;
    std::string problem = WaitForDialog(session, box);
    if (!problem.empty())
        return problem;
    HWND button = GetDlgItem(box, id);
    if (!button || !IsWindowVisible(button))
        return "the dialog offers " + NameAnswers(ListShownAnswers(box)) + ", not " + args[0];
    SendWithoutWaiting(session, button, BM_CLICK, 0, 0);
    problem = WaitFor(session, [&]() -> std::string {
        return IsWindow(box) && IsWindowVisible(box) ? "the dialog is still open" : "";
    });
    return problem.empty() ? Settle(session) : problem;
}
