// Expectations on the wizard frame and its pages: which page is shown and where, texts,
// buttons, focus and control states, each waited for within the timeout.
#include <windows.h>
#include <commctrl.h>

#include <cstdlib>

#include "scenario.h"
#include "step_helpers.h"
#include "steps.h"

namespace {

bool HasHeaderBand(PageKind kind)
{
    return kind != PageKind::Welcome && kind != PageKind::Finish;
}

RECT ReadClientRect(HWND window, HWND frame)
{
    RECT area;
    GetWindowRect(window, &area);
    MapWindowPoints(nullptr, frame, reinterpret_cast<POINT*>(&area), 2);
    return area;
}

std::string DescribeRect(const RECT& area)
{
    return "x " + std::to_string(area.left) + ", y " + std::to_string(area.top) + ", w " +
           std::to_string(area.right - area.left) + ", h " + std::to_string(area.bottom - area.top);
}

// The header band on top across the frame, the page below it down to the separator line.
std::string CheckPageLayout(const WizardView& view)
{
    RECT client;
    GetClientRect(view.frame, &client);
    HWND separator = GetDlgItem(view.frame, ID_SEPARATOR);
    if (!separator)
        return "the frame has no separator line 1014";
    int pageBottom = ReadClientRect(separator, view.frame).top;
    int headerHeight = 0;
    if (HasHeaderBand(view.kind)) {
        if (!view.header)
            return "no header band above the page";
        RECT band = ReadClientRect(view.header, view.frame);
        RECT bandClient;
        GetClientRect(view.header, &bandClient);
        headerHeight = bandClient.bottom;
        if (band.left != 0 || band.top != 0 || band.right != client.right || band.bottom - band.top != headerHeight)
            return "the header band lies at " + DescribeRect(band) + " in a client area " +
                   std::to_string(client.right) + " wide";
    } else if (view.header) {
        return "a header band is shown above the page";
    }
    RECT page = ReadClientRect(view.page, view.frame);
    RECT expected = {0, headerHeight, client.right, pageBottom};
    if (!EqualRect(&page, &expected))
        return "the page lies at " + DescribeRect(page) + ", not " + DescribeRect(expected);
    return "";
}

} // namespace

std::string ExpectPage(Session& session, const Arguments& args)
{
    PageKind wanted;
    if (!ParsePageKind(args[0], wanted))
        return "no such page: " + args[0];
    WizardView view;
    return WaitForWizard(session, view, [&](const WizardView&) -> std::string {
        if (view.kind != wanted)
            return "expected the " + args[0] + " page, saw the " + NamePageKind(view.kind) +
                   " page (controls: " + ListControls(view.page) + ")";
        std::string layout = CheckPageLayout(view);
        return layout.empty() ? "" : "the " + args[0] + " page is shown, but " + layout;
    });
}

// An installation may take longer than any other wait, but a message box in front of the
// Installing page will not go away by itself, so it ends the wait at once.
std::string AwaitInstallation(Session& session, const Arguments& args)
{
    const int seconds = std::atoi(args[0].c_str());
    if (seconds <= 0 || seconds > MAX_WAIT_SECONDS)
        return "not a number of seconds from 1 to " + std::to_string(MAX_WAIT_SECONDS) + ": " + args[0];
    std::string pending = Settle(session);
    if (!pending.empty())
        return pending;
    const DWORD processId = session.setup.dwProcessId;
    const DWORD limitMs = (DWORD)seconds * 1000 * session.waitScale;
    const DWORD start = GetTickCount();
    for (;;) {
        WizardView view = ReadWizard(processId);
        if (HWND other = FindOtherDialog(processId, view.frame))
            return "a " + DescribeDialog(other) + " is open";
        if (!IsRunning(session.setup))
            return "Setup.exe ended during the installation";
        if (view.pageWindows == 1 && view.kind != PageKind::Ready && view.kind != PageKind::Installing)
            return "";
        if (GetTickCount() - start >= limitMs)
            return "the installation did not end within " + std::to_string(limitMs / 1000) + " s";
        Sleep(50);
    }
}

std::string ExpectCaption(Session& session, const Arguments& args)
{
    WizardView view;
    return WaitForWizard(session, view, [&](const WizardView&) -> std::string {
        std::string caption = ReadText(view.frame);
        return caption == args[0] ? "" : "the frame's caption is " + QuoteText(caption);
    });
}

std::string ExpectHeader(Session& session, const Arguments& args)
{
    WizardView view;
    return WaitForWizard(session, view, [&](const WizardView&) -> std::string {
        if (!view.header)
            return "no header band is shown";
        std::string title = ReadText(GetDlgItem(view.header, ID_HEADER_TITLE));
        std::string subtitle = ReadText(GetDlgItem(view.header, ID_INFO_TEXT));
        if (title != args[0] || subtitle != args[1])
            return "the header reads " + QuoteText(title) + " / " + QuoteText(subtitle);
        return HasBitmap(view.header) ? "" : "the header band shows no bitmap";
    });
}

std::string ExpectNoHeader(Session& session, const Arguments&)
{
    WizardView view;
    return WaitForWizard(session, view, [&](const WizardView&) -> std::string {
        return view.header ? "a header band is shown: " + QuoteText(ReadText(GetDlgItem(view.header, ID_HEADER_TITLE)))
                           : "";
    });
}

std::string ExpectText(Session& session, const Arguments& args)
{
    int id = 0;
    if (!ParseId(args[0], id))
        return "not a control id: " + args[0];
    WizardView view;
    return WaitForWizard(session, view, [&](const WizardView&) -> std::string {
        HWND control = FindPageControl(view, id);
        if (!control)
            return "the " + std::string(NamePageKind(view.kind)) + " page has no control " + args[0];
        std::string text = ReadText(control);
        return text == args[1] ? "" : "control " + args[0] + " reads " + QuoteText(text);
    });
}

// A page control's text read while a message box is open in front of the wizard: what the
// page shows when the failure is reported.
std::string ExpectTextBehind(Session& session, const Arguments& args)
{
    int id = 0;
    if (!ParseId(args[0], id))
        return "not a control id: " + args[0];
    return WaitFor(session, [&]() -> std::string {
        DWORD processId = session.setup.dwProcessId;
        WizardView view = ReadWizard(processId);
        if (!FindOtherDialog(processId, view.frame))
            return "no message box is open";
        HWND control = view.page ? GetDlgItem(view.page, id) : nullptr;
        if (!control)
            return "the page has no control " + args[0];
        std::string text = ReadText(control);
        return text == args[1] ? "" : "control " + args[0] + " reads " + QuoteText(text);
    });
}

// Reads the Installing page's bar even while a message box is open: the exit question holds
// the installation, and what the bar shows then is what the worker has done.
std::string ExpectProgress(Session& session, const Arguments& args)
{
    std::string wanted = args[0] + " of " + args[1];
    return WaitFor(session, [&]() -> std::string {
        WizardView view = ReadWizard(session.setup.dwProcessId);
        HWND bar = view.page ? GetDlgItem(view.page, ID_PROGRESS) : nullptr;
        if (!bar)
            return "no page with a progress bar is shown";
        DWORD_PTR position = 0, upper = 0;
        if (!SendMessageTimeoutA(bar, PBM_GETPOS, 0, 0, SMTO_NORMAL, SEND_TIMEOUT_MS, &position) ||
            !SendMessageTimeoutA(bar, PBM_GETRANGE, FALSE, 0, SMTO_NORMAL, SEND_TIMEOUT_MS, &upper))
            return "the progress bar does not answer";
        std::string seen = std::to_string(position) + " of " + std::to_string(upper);
        return seen == wanted ? "" : "the progress bar stands at " + seen;
    });
}

std::string ExpectStatic(Session& session, const Arguments& args)
{
    WizardView view;
    return WaitForWizard(session, view, [&](const WizardView&) -> std::string {
        std::string seen;
        for (HWND child = GetWindow(view.page, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            if (ReadClass(child) != "Static")
                continue;
            std::string text = ReadText(child);
            if (text == args[0])
                return "";
            if (!text.empty())
                seen += "\n    " + QuoteText(text);
        }
        return "no static text of the " + std::string(NamePageKind(view.kind)) + " page reads so; they read:" + seen;
    });
}

std::string ExpectButton(Session& session, const Arguments& args)
{
    int id = ParseButtonName(args[0]);
    if (!id)
        return "no such button: " + args[0];
    WizardView view;
    return WaitForWizard(session, view, [&](const WizardView&) -> std::string {
        HWND button = GetDlgItem(view.frame, id);
        if (!button)
            return "the frame has no button " + std::to_string(id);
        if (args[1] == "hidden")
            return IsWindowVisible(button) ? args[0] + " is shown as " + QuoteText(ReadText(button)) : "";
        std::string state = CheckButtonState(button, args[0]);
        if (!state.empty())
            return state;
        std::string text = ReadText(button);
        return text == args[1] ? "" : args[0] + " reads " + QuoteText(text);
    });
}

std::string ExpectFocus(Session& session, const Arguments& args)
{
    int id = ParseButtonName(args[0]);
    if (!id && !ParseId(args[0], id))
        return "not a button name or control id: " + args[0];
    WizardView view;
    return WaitForWizard(session, view, [&](const WizardView&) -> std::string {
        HWND wanted = ParseButtonName(args[0]) ? GetDlgItem(view.frame, id) : FindPageControl(view, id);
        if (!wanted)
            return "there is no control " + args[0];
        if (!BringToFront(view.frame))
            return "the wizard frame is not in front";
        HWND focus = ReadFocus(view.frame);
        return focus == wanted ? "" : "the focus is on " + DescribeWindow(focus);
    });
}

std::string ExpectControlState(Session& session, const std::string& state, const Arguments& args)
{
    int id = 0;
    if (!ParseId(args[0], id))
        return "not a control id: " + args[0];
    WizardView view;
    return WaitForWizard(session, view, [&](const WizardView&) -> std::string {
        HWND control = FindPageControl(view, id);
        if (!control)
            return "the " + std::string(NamePageKind(view.kind)) + " page has no control " + args[0];
        bool checked = false;
        if (!ReadCheck(control, checked))
            return "control " + args[0] + " does not answer";
        bool holds = false;
        if (state == "checked" || state == "unchecked")
            holds = checked == (state == "checked");
        else if (state == "enabled" || state == "disabled")
            holds = (IsWindowEnabled(control) != FALSE) == (state == "enabled");
        else
            holds = (IsWindowVisible(control) != FALSE) == (state == "visible");
        if (holds)
            return "";
        return "control " + args[0] + " is " + (IsWindowVisible(control) ? "visible" : "hidden") + ", " +
               (IsWindowEnabled(control) ? "enabled" : "disabled") + ", " +
               (checked ? "checked" : "unchecked");
    });
}

std::string ExpectLimit(Session& session, const Arguments& args)
{
    int id = 0;
    int limit = 0;
    if (!ParseId(args[0], id) || !ParseId(args[1], limit))
        return "expected a control id and a number";
    WizardView view;
    std::string problem = WaitForWizard(session, view);
    if (!problem.empty())
        return problem;
    HWND field = FindPageControl(view, id);
    DWORD_PTR actual = 0;
    if (!field || !SendMessageTimeoutA(field, EM_GETLIMITTEXT, 0, 0, SMTO_NORMAL, SEND_TIMEOUT_MS, &actual))
        return "no edit field " + args[0];
    return (int)actual == limit ? "" : "edit field " + args[0] + " takes " + std::to_string(actual) + " characters";
}

