// Drives the real kelvane.exe from outside, as a user would: starts it, clicks its buttons
// (posted BM_CLICK, so that a message box cannot block the driver) and sees each command end.
#pragma once

#include "bench_files.h"

#include <windows.h>

#include <memory>
#include <string>

namespace kelvane::bench {

struct SaveOutcome {
    double ms = -1;        // click to the appearance of the program's message box
    std::wstring message;  // the box's text, answered with OK
};

class KelvaneDriver {
public:
    // Starts the program and finds its window and controls; nullptr with error set otherwise.
    static std::unique_ptr<KelvaneDriver> start(const std::wstring& exe, std::wstring& error);
    KelvaneDriver(const KelvaneDriver&) = delete;
    KelvaneDriver& operator=(const KelvaneDriver&) = delete;
    // Closes the window and waits for the process; ends it if it will not go.
    ~KelvaneDriver();

    HANDLE process() const { return process_.get(); }

    // Text of one of the program's boxes, read across the process boundary (WM_GETTEXT).
    std::wstring hostText() const { return controlText(hostBox_); }
    std::wstring addressText() const { return controlText(addressBox_); }
    std::wstring nameText() const { return controlText(nameBox_); }
    int hostLength() const;

    // Each clicks its button and returns the milliseconds from the click until the large box
    // holds expectedLength characters (any length other than before for -1), or -1 on timeout.
    // The box's length can only be read once the program's thread takes messages again, so
    // the time ends when the command has returned.
    double read(int expectedLength) { return clickUntilLength(readButton_, expectedLength); }
    double add(int expectedLength) { return clickUntilLength(addButton_, expectedLength); }
    double initialize(int expectedLength) { return clickUntilLength(initializeButton_, expectedLength); }
    double clear() { return clickUntilLength(clearButton_, 0); }

    // Clicks Save and times it to the appearance of the program's "Kelvane" message box,
    // which it then answers with OK.
    SaveOutcome save();

    // Waits until the program has handled everything it was sent and painted, untimed.
    void settle() const;

private:
    KelvaneDriver() = default;
    bool findControls();
    std::wstring controlText(HWND control) const;
    double clickUntilLength(HWND button, int expectedLength);
    HWND findMessageBox() const;

    OwnedHandle process_;
    OwnedHandle thread_;
    HWND window_ = nullptr;
    HWND hostBox_ = nullptr;
    HWND addressBox_ = nullptr;
    HWND nameBox_ = nullptr;
    HWND readButton_ = nullptr;
    HWND saveButton_ = nullptr;
    HWND initializeButton_ = nullptr;
    HWND clearButton_ = nullptr;
    HWND addButton_ = nullptr;
};

}  // namespace kelvane::bench
