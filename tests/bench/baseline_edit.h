// The bare platform doing each command's work: an EDIT control with the styles and size of the
// program's large box, in a window of this process, driven with the plain W calls.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

namespace kelvane::bench {

class BaselineEdit {
public:
    // A visible top-level window at (left, top) holding the edit; nullptr when it cannot be made.
    static std::unique_ptr<BaselineEdit> create(int left, int top);
    BaselineEdit(const BaselineEdit&) = delete;
    BaselineEdit& operator=(const BaselineEdit&) = delete;
    ~BaselineEdit();

    // Each returns the milliseconds of the work, or -1 when a platform call failed.
    // Read: CreateFileW/ReadFile of the file, MultiByteToWideChar (CP_ACP), SetWindowTextW.
    double read(const std::wstring& path);
    // Add: GetWindowTextW, the text with entry appended, SetWindowTextW.
    double add(const std::wstring& entry);
    // Initialize: GetWindowTextW, then SetWindowTextW of the template.
    double initialize(const std::wstring& templateText);
    // Save: GetWindowTextW, WideCharToMultiByte (CP_ACP), one WriteFile into a new file,
    // FlushFileBuffers.
    double save(const std::wstring& path);

    // A click on a push button that runs nothing, the focus moving from the other one: what
    // the platform's button costs a click before any command runs.
    double idleClick();

    void clear();
    int textLength() const;

private:
    BaselineEdit(HWND window, HWND edit, HWND first, HWND second)
        : window_(window), edit_(edit), buttons_{first, second} {}
    HWND window_;
    HWND edit_;
    HWND buttons_[2];
    int nextButton_ = 0;
};

// Handles whatever the windows of this thread have waiting (painting above all), untimed.
void pumpMessages();

}  // namespace kelvane::bench
