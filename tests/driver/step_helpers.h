// Helpers shared by the step routines: ids and button names, and the wizard as it stands
// once it has handled everything the driver sent.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "session.h"
#include "wizard_windows.h"

// A decimal control id.
bool ParseId(const std::string& text, int& id);
// back, next, cancel (also finish: the same button) -> frame button id; 0 for other names.
int ParseButtonName(const std::string& name);
// ok, cancel, yes, no -> IDOK...; 0 for other names.
int ParseAnswerName(const std::string& name);
const char* NameAnswer(int id);

// Reads the wizard now: empty when it shows exactly one page and no other dialog is open,
// otherwise what the driver sees instead.
std::string ProbeWizard(Session& session, WizardView& view);

// Waits until the wizard has handled what was sent, then until it shows one page for which
// `check` (if given) returns an empty text. Empty on success, otherwise the last complaint.
std::string WaitForWizard(Session& session, WizardView& view,
                          const std::function<std::string(const WizardView&)>& check = nullptr);

// A control of the current page, else of the frame itself (the notice line).
HWND FindPageControl(const WizardView& view, int id);

// Empty when `control` exists, is shown and enabled, so that a person could use it.
std::string CheckButtonState(HWND control, const std::string& name);

// Other tests share the display, and a window of theirs can take the foreground; the wizard
// then has no focus until it is brought back to the front, as a click on it would.
bool BringToFront(HWND frame);
// The window with the keyboard focus in the frame's thread.
HWND ReadFocus(HWND frame);
// "ID CLASS "TEXT"" of a control for failure reports.
std::string DescribeWindow(HWND window);

// "message box "CAPTION": "TEXT"" for failure reports.
std::string DescribeDialog(HWND dialog);
