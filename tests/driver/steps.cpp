// Dispatches a scenario line to its step routine by its leading words, and checks the number
// of arguments so that a mistyped scenario fails with a clear message instead of guessing.
#include "steps.h"

#include <functional>

namespace {

using Routine = std::function<std::string(Session&, const Arguments&)>;

struct StepForm {
    const char* words; // leading words of the step
    int minArgs;
    int maxArgs;
    const char* usage;
    Routine run;
};

const std::vector<StepForm>& ListStepForms()
{
    static const std::vector<StepForm> forms = {
        {"start for message", 0, 1, "start for message [PROGRAM]", StartSetupForMessage},
        {"start", 0, 1, "start [PROGRAM]", StartSetup},
        {"expect page", 1, 1, "expect page welcome|info|destination|startmenu|ready|installing|finish", ExpectPage},
        {"expect caption", 1, 1, "expect caption TEXT", ExpectCaption},
        {"expect header", 2, 2, "expect header TITLE SUBTITLE", ExpectHeader},
        {"expect no header", 0, 0, "expect no header", ExpectNoHeader},
        {"expect text behind message", 2, 2, "expect text behind message ID TEXT", ExpectTextBehind},
        {"expect text", 2, 2, "expect text ID TEXT", ExpectText},
        {"expect static", 1, 1, "expect static TEXT", ExpectStatic},
        {"expect progress", 2, 2, "expect progress POSITION TOTAL", ExpectProgress},
        {"expect button", 2, 2, "expect button back|next|cancel TEXT|hidden", ExpectButton},
        {"expect focus", 1, 1, "expect focus back|next|cancel|ID", ExpectFocus},
        {"expect checked", 1, 1, "expect checked ID",
         [](Session& s, const Arguments& a) { return ExpectControlState(s, "checked", a); }},
        {"expect unchecked", 1, 1, "expect unchecked ID",
         [](Session& s, const Arguments& a) { return ExpectControlState(s, "unchecked", a); }},
        {"expect enabled", 1, 1, "expect enabled ID",
         [](Session& s, const Arguments& a) { return ExpectControlState(s, "enabled", a); }},
        {"expect disabled", 1, 1, "expect disabled ID",
         [](Session& s, const Arguments& a) { return ExpectControlState(s, "disabled", a); }},
        {"expect visible", 1, 1, "expect visible ID",
         [](Session& s, const Arguments& a) { return ExpectControlState(s, "visible", a); }},
        // Before "expect hidden ID", which would take its first word as the ID.
        {"expect hidden inkwell", 1, 1, "expect hidden inkwell PROGRAM-PATH", ExpectHiddenInkwellFrom},
        {"expect hidden", 1, 1, "expect hidden ID",
         [](Session& s, const Arguments& a) { return ExpectControlState(s, "hidden", a); }},
        {"expect limit", 2, 2, "expect limit ID CHARACTERS", ExpectLimit},
        {"expect message buttons", 1, 7, "expect message buttons ok|cancel|yes|no...", ExpectMessageButtons},
        {"expect message default", 1, 1, "expect message default ok|cancel|yes|no", ExpectMessageDefault},
        {"expect message", 2, 2, "expect message CAPTION TEXT", ExpectMessage},
        {"expect no message", 0, 0, "expect no message", ExpectNoMessage},
        {"expect dialog", 2, 2, "expect dialog CAPTION TEXT", ExpectDialog},
        {"pick", 1, 1, "pick ITEM|ITEM...", PickFolder},
        {"expect no window", 0, 0, "expect no window", ExpectNoWindow},
        {"expect exit", 1, 1, "expect exit CODE", ExpectExit},
        {"expect no inkwell", 1, 1, "expect no inkwell PROGRAM-PATH", ExpectNoInkwellFrom},
        {"expect inkwell", 1, 1, "expect inkwell PROGRAM-PATH", ExpectInkwellFrom},
        {"expect no file", 1, 1, "expect no file PATH",
         [](Session& s, const Arguments& a) { return ExpectFile(s, false, a); }},
        {"expect file", 1, 1, "expect file PATH",
         [](Session& s, const Arguments& a) { return ExpectFile(s, true, a); }},
        {"set tail", 3, 3, "set tail ID OLD NEW", SetFieldTail},
        {"set", 2, 2, "set ID TEXT", SetField},
        {"type", 2, 2, "type ID TEXT", TypeIntoField},
        {"check", 1, 1, "check ID", [](Session& s, const Arguments& a) { return ClickBox(s, true, a); }},
        {"uncheck", 1, 1, "uncheck ID", [](Session& s, const Arguments& a) { return ClickBox(s, false, a); }},
        {"press", 1, 1, "press next|back|cancel|finish|close|escape|enter|tab", Press},
        {"send command", 1, 1, "send command next|back|cancel", SendCommand},
        {"focus", 1, 1, "focus ID", Focus},
        {"click", 1, 1, "click ID", ClickButton},
        {"answer", 1, 1, "answer ok|cancel|yes|no", Answer},
        {"env", 2, 2, "env NAME VALUE", SetEnvironment},
        {"mkdir", 1, 1, "mkdir PATH", MakeDirectory},
        {"touch", 1, 1, "touch PATH", TouchFile},
        {"hold", 1, 1, "hold PATH", HoldFile},
        {"hold-event", 1, 1, "hold-event NAME", HoldEventOfOthers},
        {"hold-mutex", 1, 1, "hold-mutex NAME", HoldMutex},
        {"release-mutex", 1, 1, "release-mutex NAME", ReleaseHeldMutex},
        {"expect no mutex", 1, 1, "expect no mutex NAME", ExpectNoMutex},
        {"write", 2, 2, "write PATH BYTES", WriteFileOfSize},
        {"rmdir", 1, 1, "rmdir PATH", RemoveFolder},
        {"delete", 1, 1, "delete PATH", RemoveFile},
        {"run inkwell", 0, 0, "run inkwell", RunInkwell},
        {"stop inkwell", 0, 0, "stop inkwell", StopInkwell},
        {"shot", 1, 2, "shot NAME [PAGE]", TakeShot},
        {"drive", 2, 3, "drive LETTER cdrom|fixed LINUX-FOLDER | drive LETTER none", DefineDrive},
        {"show", 0, 0, "show", ShowPage},
        {"mark", 0, 0, "mark", MarkTime},
        {"elapsed", 1, 1, "elapsed LABEL", PrintElapsed},
        {"await page change", 0, 0, "await page change", AwaitPageChange},
        {"await installation", 1, 1, "await installation SECONDS", AwaitInstallation},
        {"memory", 1, 1, "memory LABEL", PrintPeakMemory},
    };
    return forms;
}

// Number of leading words of `step` that spell `words`, or 0 when they differ.
size_t MatchWords(const Step& step, const char* words)
{
    size_t count = 0;
    std::string text = words;
    size_t at = 0;
    while (at <= text.size()) {
        size_t end = text.find(' ', at);
        if (end == std::string::npos)
            end = text.size();
        if (count >= step.words.size() || step.words[count] != text.substr(at, end - at))
            return 0;
        ++count;
        at = end + 1;
    }
    return count;
}

// The form that `step` follows, or null with the reason in `problem`.
const StepForm* FindForm(const Step& step, Arguments& args, std::string& problem)
{
    for (const StepForm& form : ListStepForms()) {
        size_t used = MatchWords(step, form.words);
        if (!used)
            continue;
        args.assign(step.words.begin() + used, step.words.end());
        if ((int)args.size() < form.minArgs || (int)args.size() > form.maxArgs) {
            problem = std::string("wrong number of arguments; the step is written: ") + form.usage;
            return nullptr;
        }
        return &form;
    }
    problem = "unknown step";
    return nullptr;
}

} // namespace

std::string CheckStep(const Step& step)
{
    Arguments args;
    std::string problem;
    FindForm(step, args, problem);
    return problem;
}

std::string RunStep(Session& session, const Step& step)
{
    Arguments args;
    std::string problem;
    const StepForm* form = FindForm(step, args, problem);
    return form ? form->run(session, args) : problem;
}
