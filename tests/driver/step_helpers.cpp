// Helpers shared by the step routines: names of buttons and answers, the settled wizard,
// and the description of an unexpected dialog.
#include "step_helpers.h"

#include "scenario.h"

namespace {

struct NamedId {
    const char* name;
    int id;
};

const NamedId BUTTONS[] = {{"back", ID_BACK}, {"next", ID_NEXT}, {"cancel", ID_CANCEL}, {"finish", ID_CANCEL}};
const NamedId ANSWERS[] = {{"ok", IDOK}, {"cancel", IDCANCEL}, {"abort", IDABORT}, {"retry", IDRETRY},
                           {"ignore", IDIGNORE}, {"yes", IDYES}, {"no", IDNO}};

} // namespace

bool ParseId(const std::string& text, int& id)
{
    if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    id = std::stoi(text);
    return true;
}

int ParseButtonName(const std::string& name)
{
    for (const NamedId& button : BUTTONS) {
        if (name == button.name)
            return button.id;
    }
    return 0;
}

int ParseAnswerName(const std::string& name)
{
    for (const NamedId& answer : ANSWERS) {
        if (name == answer.name)
            return answer.id;
    }
    return 0;
}

const char* NameAnswer(int id)
{
    for (const NamedId& answer : ANSWERS) {
        if (id == answer.id)
            return answer.name;
    }
    return "?";
}

std::string DescribeDialog(HWND dialog)
{
    std::string description = "dialog " + QuoteText(ReadText(dialog));
    if (HWND text = GetDlgItem(dialog, ID_MESSAGE_TEXT))
        description = "message box " + QuoteText(ReadText(dialog)) + ": " + QuoteText(ReadText(text));
    return description;
}

std::string ProbeWizard(Session& session, WizardView& view)
{
    DWORD processId = session.setup.dwProcessId;
    if (!processId)
        return "Setup.exe has not been started";
    view = ReadWizard(processId);
    if (HWND other = FindOtherDialog(processId, view.frame))
        return "a " + DescribeDialog(other) + " is open";
    if (!view.frame)
        return IsRunning(session.setup) ? "Setup.exe shows no wizard frame" : "Setup.exe has ended";
    if (!IsWindowVisible(view.frame))
        return "the wizard frame is hidden";
    if (view.pageWindows != 1)
        return "the frame holds " + std::to_string(view.pageWindows) + " page windows";
    // A page that is still being made or taken down reads as none of the wizard's: acting on
    // it would race the page change that the step before started.
    if (view.kind == PageKind::Unknown)
        return "the frame shows a page that is none of the wizard's";
    return "";
}

std::string WaitForWizard(Session& session, WizardView& view,
                          const std::function<std::string(const WizardView&)>& check)
{
    std::string pending = Settle(session);
    if (!pending.empty())
        return pending;
    return WaitFor(session, [&]() -> std::string {
        std::string problem = ProbeWizard(session, view);
        if (problem.empty() && check)
            problem = check(view);
        return problem;
    });
}

HWND FindPageControl(const WizardView& view, int id)
{
    if (view.page) {
        if (HWND control = GetDlgItem(view.page, id))
            return control;
    }
    return view.frame ? GetDlgItem(view.frame, id) : nullptr;
}

std::string CheckButtonState(HWND button, const std::string& name)
{
    if (!button)
        return "there is no " + name + " control";
    if (!IsWindowVisible(button))
        return name + " is hidden";
    if (!IsWindowEnabled(button))
        return name + " is disabled";
    return "";
}

bool BringToFront(HWND frame)
{
    if (GetForegroundWindow() == frame)
        return true;
    (void)SetForegroundWindow(frame); // checked by the next look at the foreground
    return false;
}

HWND ReadFocus(HWND frame)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(frame, nullptr), &info))
        return nullptr;
    return info.hwndFocus;
}

std::string DescribeWindow(HWND window)
{
    if (!window)
        return "nothing";
    return std::to_string(GetDlgCtrlID(window)) + " " + ReadClass(window) + " " + QuoteText(ReadText(window));
}
