#include "timed_program.h"

#include "stopwatch.h"

#include <optional>

namespace kelvane::bench {

namespace {

// The first start in a new prefix takes Wine a while.
const DWORD kStartTimeoutMs = 60000;
const DWORD kCommandTimeoutMs = 300000;

}  // namespace

std::unique_ptr<TimedProgram> TimedProgram::start(const std::wstring& exe, std::wstring& error) {
    std::unique_ptr<TimedProgram> timed(new TimedProgram());
    if (!timed->program_.start(exe)) {
        error = L"cannot start " + exe + L" (error " + std::to_wstring(GetLastError()) + L")";
        return nullptr;
    }
    const e2e::ReadyWindow ready = timed->program_.waitUntilReady(kStartTimeoutMs);
    if (!ready.ready()) {
        error = L"the program did not get ready: " + e2e::widen(ready.problem);
        return nullptr;
    }
    timed->window_ = ready.window;
    timed->controls_ = ready.controls;
    timed->settle();
    return timed;
}

TimedProgram::~TimedProgram() {
    if (program_.running() && IsWindow(window_)) {
        e2e::closeByTitleBar(window_);
        program_.waitForExit(15000);
    }
    // The program's destructor ends a process that would not go.
}

std::wstring TimedProgram::controlText(HWND control) const {
    return e2e::editText(control, kCommandTimeoutMs).value_or(std::wstring());
}

double TimedProgram::clickUntilLength(HWND button, int expectedLength) {
    const std::optional<int> before = e2e::textLength(controls_.hostBox, kCommandTimeoutMs);
    if (!before) {
        return -1;
    }
    const double start = nowMs();
    if (!e2e::click(button)) {
        return -1;
    }
    // Sent messages are taken before posted ones, so the first answers may still come from
    // before the click; each answer waits until the program takes messages again, so the looks
    // pace themselves and need no pause between them.
    double end = -1;
    bool answered = true;
    const bool done = e2e::waitUntil([&] {
        const std::optional<int> length = e2e::textLength(controls_.hostBox, kCommandTimeoutMs);
        end = nowMs();
        answered = length.has_value();
        return !answered || (expectedLength < 0 ? *length != *before : *length == expectedLength);
    }, kCommandTimeoutMs, 0);
    return done && answered ? end - start : -1;
}

SaveOutcome TimedProgram::save() {
    SaveOutcome outcome;
    if (e2e::dialogMadeFor(window_)) {
        return outcome;
    }
    const double start = nowMs();
    if (!e2e::click(controls_.save)) {
        return outcome;
    }
    // The box's window exists from its making on, before its controls are laid out. Each look
    // is a request to the wineserver, which the program's file calls need too: look once a
    // millisecond, not in a tight loop.
    HWND box = nullptr;
    double made = -1;
    if (!e2e::waitUntil([&] {
            box = e2e::dialogMadeFor(window_);
            made = nowMs();
            return box != nullptr;
        }, kCommandTimeoutMs, 1)) {
        return outcome;
    }
    std::wstring message;
    if (!e2e::waitUntil([&] {
            message = e2e::messageBoxText(box);
            return !message.empty();
        }, 10000, 1)) {
        return outcome;
    }
    outcome.message = message;
    if (!e2e::answerDialog(box, IDOK, 20000)) {
        return outcome;
    }
    outcome.ms = made - start;
    return outcome;
}

void TimedProgram::settle() const {
    e2e::waitUntilDrawn(window_, kCommandTimeoutMs);
}

}  // namespace kelvane::bench
