// The scenario steps: each routine checks or does one thing and returns an empty text on
// success, otherwise what was expected and what was seen.
#pragma once

#include <string>
#include <vector>

#include "scenario.h"
#include "session.h"

using Arguments = std::vector<std::string>;

// Runs one step of a scenario (dispatches on its first words).
std::string RunStep(Session& session, const Step& step);
// Checks that a step is one the driver knows, with the right number of arguments.
std::string CheckStep(const Step& step);

// Steps on the wizard frame and its pages (steps_wizard.cpp).
std::string ExpectPage(Session& session, const Arguments& args);
std::string ExpectCaption(Session& session, const Arguments& args);
std::string ExpectHeader(Session& session, const Arguments& args);
std::string ExpectNoHeader(Session& session, const Arguments& args);
std::string ExpectText(Session& session, const Arguments& args);
std::string ExpectStatic(Session& session, const Arguments& args);
std::string ExpectProgress(Session& session, const Arguments& args);
std::string ExpectTextBehind(Session& session, const Arguments& args);
std::string ExpectButton(Session& session, const Arguments& args);
std::string ExpectFocus(Session& session, const Arguments& args);
std::string ExpectControlState(Session& session, const std::string& state, const Arguments& args);
std::string ExpectLimit(Session& session, const Arguments& args);
std::string SetField(Session& session, const Arguments& args);
std::string SetFieldTail(Session& session, const Arguments& args);
std::string TypeIntoField(Session& session, const Arguments& args);
std::string ClickBox(Session& session, bool checked, const Arguments& args);
std::string Press(Session& session, const Arguments& args);
std::string Focus(Session& session, const Arguments& args);
std::string ClickButton(Session& session, const Arguments& args);
std::string SendCommand(Session& session, const Arguments& args);
std::string ShowPage(Session& session, const Arguments& args);
std::string AwaitInstallation(Session& session, const Arguments& args);

// Steps on message boxes (steps_messages.cpp).
std::string ExpectMessage(Session& session, const Arguments& args);
std::string ExpectMessageButtons(Session& session, const Arguments& args);
std::string ExpectMessageDefault(Session& session, const Arguments& args);
std::string ExpectNoMessage(Session& session, const Arguments& args);
std::string ExpectDialog(Session& session, const Arguments& args);
std::string PickFolder(Session& session, const Arguments& args);
std::string Answer(Session& session, const Arguments& args);

// Steps on programs, files and pictures (steps_programs.cpp).
std::string StartSetup(Session& session, const Arguments& args);
std::string StartSetupForMessage(Session& session, const Arguments& args);
std::string ExpectExit(Session& session, const Arguments& args);
std::string ExpectNoWindow(Session& session, const Arguments& args);
std::string ExpectFile(Session& session, bool exists, const Arguments& args);
std::string SetEnvironment(Session& session, const Arguments& args);
std::string WriteFileOfSize(Session& session, const Arguments& args);
std::string MakeDirectory(Session& session, const Arguments& args);
std::string TouchFile(Session& session, const Arguments& args);
std::string RemoveFolder(Session& session, const Arguments& args);
std::string HoldFile(Session& session, const Arguments& args);
std::string HoldEventOfOthers(Session& session, const Arguments& args);
std::string HoldMutex(Session& session, const Arguments& args);
std::string ReleaseHeldMutex(Session& session, const Arguments& args);
std::string ExpectNoMutex(Session& session, const Arguments& args);
std::string RemoveFile(Session& session, const Arguments& args);
std::string RunInkwell(Session& session, const Arguments& args);
std::string StopInkwell(Session& session, const Arguments& args);
std::string ExpectInkwellFrom(Session& session, const Arguments& args);
std::string ExpectHiddenInkwellFrom(Session& session, const Arguments& args);
std::string ExpectNoInkwellFrom(Session& session, const Arguments& args);
std::string TakeShot(Session& session, const Arguments& args);
std::string DefineDrive(Session& session, const Arguments& args);

// Measuring steps for benchmarks (steps_measure.cpp).
std::string MarkTime(Session& session, const Arguments& args);
std::string PrintElapsed(Session& session, const Arguments& args);
std::string PrintPeakMemory(Session& session, const Arguments& args);
std::string AwaitPageChange(Session& session, const Arguments& args);
