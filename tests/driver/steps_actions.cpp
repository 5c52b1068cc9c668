// Steps that act on the wizard as a person would: typing into fields, ticking boxes, clicking
// buttons, the close box and the Esc key; and printing the current page.
#include <cstdio>
#include <initializer_list>

#include "scenario.h"
#include "step_helpers.h"
#include "steps.h"

namespace {

// Finds an edit field of the page that a user could type into.
std::string FindEditableField(Session& session, const std::string& idText, WizardView& view, HWND& field)
{
    int id = 0;
    if (!ParseId(idText, id))
        return "not a control id: " + idText;
    std::string problem = WaitForWizard(session, view);
    if (!problem.empty())
        return problem;
    field = FindPageControl(view, id);
    if (!field || ReadClass(field) != "Edit")
        return "the " + std::string(NamePageKind(view.kind)) + " page has no edit field " + idText;
    if (GetWindowLongA(field, GWL_STYLE) & ES_READONLY)
        return "edit field " + idText + " is read-only";
    return CheckButtonState(field, "edit field " + idText);
}

void PrintControl(HWND control)
{
    std::string kind = ReadClass(control);
    LONG style = GetWindowLongA(control, GWL_STYLE);
    std::string state;
    if (!IsWindowVisible(control))
        state += " hidden";
    if (!IsWindowEnabled(control))
        state += " disabled";
    if (kind == "Button" && ((style & BS_TYPEMASK) == BS_AUTOCHECKBOX || (style & BS_TYPEMASK) == BS_CHECKBOX)) {
        bool checked = false;
        state += !ReadCheck(control, checked) ? " [?]" : checked ? " [x]" : " [ ]";
    }
    std::string text = ReadText(control);
    if (kind == "Static" && (style & SS_TYPEMASK) == SS_BITMAP)
        text = "<bitmap>";
    if (text.empty() && kind == "Static")
        return;
    // A text of several lines is shown as lines, below its control.
    if (text.find("\r\n") == std::string::npos) {
        std::printf("    %5d %-8s%s %s\n", GetDlgCtrlID(control), kind.c_str(), state.c_str(), QuoteText(text).c_str());
        return;
    }
    std::printf("    %5d %-8s%s\n", GetDlgCtrlID(control), kind.c_str(), state.c_str());
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find("\r\n", at);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(at, end - at);
        for (size_t tab = line.find('\t'); tab != std::string::npos; tab = line.find('\t'))
            line.replace(tab, 1, "    ");
        std::printf("          | %s\n", line.c_str());
        at = end + 2;
    }
}

} // namespace

std::string SetField(Session& session, const Arguments& args)
{
    WizardView view;
    HWND field = nullptr;
    std::string problem = FindEditableField(session, args[0], view, field);
    if (!problem.empty())
        return problem;
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(args[1].c_str()), SMTO_NORMAL,
                             SEND_TIMEOUT_MS, &result) ||
        !SendMessageTimeoutA(field, EM_SETMODIFY, TRUE, 0, SMTO_NORMAL, SEND_TIMEOUT_MS, &result))
        return "edit field " + args[0] + " did not answer";
    std::string text = ReadText(field);
    return text == args[1] ? "" : "edit field " + args[0] + " holds " + QuoteText(text) + " after setting it";
}

// The Start Menu page shows its folder whole, the Start Menu's path first: a new name takes
// the place of the default's, which the field's text must end with.
std::string SetFieldTail(Session& session, const Arguments& args)
{
    WizardView view;
    HWND field = nullptr;
    std::string problem = FindEditableField(session, args[0], view, field);
    if (!problem.empty())
        return problem;
    const std::string text = ReadText(field);
    const std::string tail = "\\" + args[1];
    if (text.size() < tail.size() || text.compare(text.size() - tail.size(), tail.size(), tail) != 0)
        return "edit field " + args[0] + " holds " + QuoteText(text) + ", which does not end with " + QuoteText(tail);
    return SetField(session, {args[0], text.substr(0, text.size() - args[1].size()) + args[2]});
}

std::string TypeIntoField(Session& session, const Arguments& args)
{
    WizardView view;
    HWND field = nullptr;
    std::string problem = FindEditableField(session, args[0], view, field);
    if (!problem.empty())
        return problem;
    DWORD_PTR limit = 0;
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(field, EM_GETLIMITTEXT, 0, 0, SMTO_NORMAL, SEND_TIMEOUT_MS, &limit) ||
        !SendMessageTimeoutA(field, EM_SETSEL, 0, -1, SMTO_NORMAL, SEND_TIMEOUT_MS, &result))
        return "edit field " + args[0] + " did not answer";
    // Typed characters replace the selection, as when a user selects all and types.
    for (unsigned char c : args[1]) {
        if (!PostMessageA(field, WM_CHAR, c, 1))
            return "could not type into edit field " + args[0];
    }
    // Done when the last character has been taken: the text is the typed one and the caret
    // stands after it. The text alone may match before any was taken, when the same text is
    // typed again, and a press sent then would overtake the posted characters.
    std::string expected = args[1].substr(0, limit);
    const DWORD typedEnd = static_cast<DWORD>(expected.size());
    return WaitFor(session, [&]() -> std::string {
        std::string text = ReadText(field);
        DWORD_PTR selection = 0;
        if (!SendMessageTimeoutA(field, EM_GETSEL, 0, 0, SMTO_NORMAL, SEND_TIMEOUT_MS, &selection))
            return "edit field " + args[0] + " did not answer";
        if (text != expected)
            return "edit field " + args[0] + " holds " + QuoteText(text) + " after typing";
        if (LOWORD(selection) != typedEnd || HIWORD(selection) != typedEnd)
            return "edit field " + args[0] + " has not taken all typed characters";
        return "";
    });
}

std::string ClickBox(Session& session, bool checked, const Arguments& args)
{
    int id = 0;
    if (!ParseId(args[0], id))
        return "not a control id: " + args[0];
    WizardView view;
    std::string problem = WaitForWizard(session, view);
    if (!problem.empty())
        return problem;
    HWND box = FindPageControl(view, id);
    problem = CheckButtonState(box, "check box " + args[0]);
    if (!problem.empty())
        return problem;
    bool ticked = false;
    if (!ReadCheck(box, ticked))
        return "check box " + args[0] + " does not answer";
    if (ticked == checked)
        return "check box " + args[0] + " is already " + (checked ? "checked" : "unchecked");
    SendWithoutWaiting(session, box, BM_CLICK, 0, 0);
    problem = Settle(session);
    if (!problem.empty())
        return problem;
    if (!ReadCheck(box, ticked))
        return "check box " + args[0] + " does not answer";
    if (ticked != checked)
        return "clicking check box " + args[0] + " did not " + (checked ? "check" : "uncheck") + " it";
    return "";
}

std::string ClickButton(Session& session, const Arguments& args)
{
    int id = 0;
    if (!ParseId(args[0], id))
        return "not a control id: " + args[0];
    WizardView view;
    std::string problem = WaitForWizard(session, view);
    if (!problem.empty())
        return problem;
    HWND button = FindPageControl(view, id);
    if (!button || ReadClass(button) != "Button")
        return "the " + std::string(NamePageKind(view.kind)) + " page has no button " + args[0];
    problem = CheckButtonState(button, "button " + args[0]);
    if (!problem.empty())
        return problem;
    SendWithoutWaiting(session, button, BM_CLICK, 0, 0);
    return Settle(session);
}

std::string Press(Session& session, const Arguments& args)
{
    WizardView view;
    std::string problem = WaitForWizard(session, view);
    if (!problem.empty())
        return problem;
    const std::string& name = args[0];
    if (name == "close") {
        if (!(GetWindowLongA(view.frame, GWL_STYLE) & WS_SYSMENU))
            return "the frame has no close box";
        SendWithoutWaiting(session, view.frame, WM_SYSCOMMAND, SC_CLOSE, 0);
        return Settle(session);
    }
    if (name == "escape" || name == "enter" || name == "tab") {
        // Posted like a key stroke to the focus, so that it passes through the wizard's
        // message loop as a typed key would.
        problem = WaitForWizard(session, view, [&](const WizardView&) -> std::string {
            return BringToFront(view.frame) ? "" : "the wizard frame is not in front";
        });
        if (!problem.empty())
            return problem;
        HWND target = ReadFocus(view.frame);
        if (!target)
            target = view.frame;
        WPARAM key = name == "escape" ? VK_ESCAPE : name == "tab" ? VK_TAB : VK_RETURN;
        LPARAM scan = name == "escape" ? 0x00010000 : name == "tab" ? 0x000F0000 : 0x001C0000;
        if (!PostMessageA(target, WM_KEYDOWN, key, scan | 1))
            return "could not post the " + name + " key";
        // The key may have closed the wizard already (Enter or Esc on the Finish page), and its
        // release then has no window to go to.
        if (!PostMessageA(target, WM_KEYUP, key, scan | 0xC0000001) && IsWindow(target))
            return "could not post the release of the " + name + " key";
        return "";
    }
    int id = ParseButtonName(name);
    if (!id)
        return "no such button: " + name;
    HWND button = GetDlgItem(view.frame, id);
    // The frame sets its buttons right after it shows a new page: a page that has just come
    // may still show the last one's for a moment.
    problem = WaitFor(session, [&]() { return CheckButtonState(button, name); });
    if (!problem.empty())
        return problem;
    std::string caption = ReadText(button);
    if ((name == "cancel" && caption != "&Cancel") || (name == "finish" && caption != "&Finish"))
        return "the button " + name + " would press reads " + QuoteText(caption);
    SendWithoutWaiting(session, button, BM_CLICK, 0, 0);
    return Settle(session);
}

std::string SendCommand(Session& session, const Arguments& args)
{
    int id = ParseButtonName(args[0]);
    if (!id)
        return "no such button: " + args[0];
    // Also while a message box is open: the frame handles sent messages in the box's loop.
    HWND frame = nullptr;
    std::string problem = WaitFor(session, [&]() -> std::string {
        frame = FindFrame(session.setup.dwProcessId);
        return frame ? "" : "there is no wizard frame";
    });
    if (!problem.empty())
        return problem;
    // What a click on the button sends, whether or not the page shows it: a stray click on a
    // hidden button, or another program's message.
    HWND button = GetDlgItem(frame, id);
    SendWithoutWaiting(session, frame, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)button);
    return Settle(session);
}

std::string Focus(Session& session, const Arguments& args)
{
    int id = 0;
    if (!ParseId(args[0], id))
        return "not a control id: " + args[0];
    WizardView view;
    std::string problem = WaitForWizard(session, view, [&](const WizardView&) -> std::string {
        return FindPageControl(view, id) ? "" : "there is no control " + args[0];
    });
    if (!problem.empty())
        return problem;
    // As the Tab key would: the frame's dialog moves the focus and keeps its default button.
    SendWithoutWaiting(session, view.frame, WM_NEXTDLGCTL, (WPARAM)FindPageControl(view, id), TRUE);
    return Settle(session);
}

std::string ShowPage(Session& session, const Arguments&)
{
    WizardView view;
    std::string problem = WaitForWizard(session, view);
    if (!problem.empty())
        return problem;
    std::printf("  [%s page] %s\n", NamePageKind(view.kind), QuoteText(ReadText(view.frame)).c_str());
    if (view.header)
        std::printf("    header: %s / %s\n", QuoteText(ReadText(GetDlgItem(view.header, ID_HEADER_TITLE))).c_str(),
                    QuoteText(ReadText(GetDlgItem(view.header, ID_INFO_TEXT))).c_str());
    for (HWND child = GetWindow(view.page, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        PrintControl(child);
    std::string notice = ReadText(GetDlgItem(view.frame, ID_NOTICE));
    if (!notice.empty())
        std::printf("    notice: %s\n", QuoteText(notice).c_str());
    std::string buttons;
    for (int id : {ID_BACK, ID_NEXT, ID_CANCEL}) {
        HWND button = GetDlgItem(view.frame, id);
        buttons += IsWindowVisible(button) ? " [" + ReadText(button) + "]" : " [hidden]";
    }
    std::printf("    buttons:%s\n", buttons.c_str());
    std::fflush(stdout);
    return "";
}
