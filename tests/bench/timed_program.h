// The real kelvane.exe, started and worked through the driver (tests/driver) as a user would,
// with the time of each command: from the click (a posted BM_CLICK, so that a message box
// cannot block the benchmark) to the moment it is seen to have ended.
#pragma once

#include "driver.h"

#include <windows.h>

#include <memory>
#include <string>

namespace kelvane::bench {

struct SaveOutcome {
    double ms = -1;        // click to the making of the program's message box
    std::wstring message;  // the box's text, answered with OK
};

class TimedProgram {
public:
    // Starts the program and waits until it is ready; nullptr with error set otherwise.
    static std::unique_ptr<TimedProgram> start(const std::wstring& exe, std::wstring& error);
    TimedProgram(const TimedProgram&) = delete;
    TimedProgram& operator=(const TimedProgram&) = delete;
    // Closes the window and waits for the process; ends it if it will not go.
    ~TimedProgram();

    HANDLE process() const { return program_.handle(); }

    // Text of one of the program's boxes, read across the process boundary (WM_GETTEXT).
    std::wstring hostText() const { return controlText(controls_.hostBox); }
    std::wstring addressText() const { return controlText(controls_.addressBox); }
    std::wstring nameText() const { return controlText(controls_.nameBox); }

    // Each clicks its button and returns the milliseconds from the click until the large box
    // holds expectedLength characters (any length other than before for -1), or -1 on timeout.
    // The box's length can only be read once the program's thread takes messages again, so
    // the time ends when the command has returned.
    double read(int expectedLength) { return clickUntilLength(controls_.read, expectedLength); }
    double add(int expectedLength) { return clickUntilLength(controls_.add, expectedLength); }
    double initialize(int expectedLength) { return clickUntilLength(controls_.initialize, expectedLength); }
    double clear() { return clickUntilLength(controls_.clear, 0); }

    // Clicks Save and times it to the making of the program's message box, which it then
    // answers with OK.
    SaveOutcome save();

    // Waits, untimed, until the program has handled everything it was sent and has painted.
    void settle() const;

private:
    TimedProgram() = default;
    std::wstring controlText(HWND control) const;
    double clickUntilLength(HWND button, int expectedLength);

    e2e::Program program_;
    HWND window_ = nullptr;
    e2e::MainWindowControls controls_{};
};

}  // namespace kelvane::bench
