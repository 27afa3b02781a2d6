// MainWindow: the program's one top-level window with its eight buttons and three text boxes,
// built from the constant window description.
#pragma once

#include "commands.h"
#include "text_box.h"
#include "win_handles.h"
#include "window_description.h"

#include <windows.h>

#include <array>
#include <memory>

namespace kelvane {

class MainWindow {
public:
    // Builds the window with its controls, centred on the primary screen, and shows it.
    // nullptr when the window or any of its controls cannot be created.
    static std::unique_ptr<MainWindow> build(HINSTANCE instance);

    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;
    ~MainWindow();

    // nullptr once the window is destroyed.
    HWND window() const { return window_; }

    // The key handling before a message is dispatched; true when the key is consumed.
    bool preTranslateMessage(const MSG& message);

private:
    static constexpr int kControlCount = static_cast<int>(kMainWindowControls.size());

    explicit MainWindow(HINSTANCE instance) : instance_(instance) {}

    static LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    bool create();
    bool createControls();
    void setIcons();

    LRESULT onGetMinMaxInfo(MINMAXINFO* info);
    LRESULT onEraseBackground(HDC dc);
    LRESULT onControlColour(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT onCommand(WPARAM wParam, LPARAM lParam);
    LRESULT onActivate(WPARAM wParam, LPARAM lParam);
    LRESULT onSetFocus(WPARAM wParam, LPARAM lParam);
    LRESULT onClose();
    LRESULT onQueryEndSession();
    LRESULT onDestroy();
    LRESULT onNcDestroy(WPARAM wParam, LPARAM lParam);

    int controlIndex(HWND control) const;  // -1 for anything not in the table
    bool canTakeFocus(int index) const;
    int firstTabStop() const;
    void moveFocus(int step);  // +1 next, -1 previous in the focus sequence
    CommandTarget commandTarget();

    HINSTANCE instance_;
    HWND window_ = nullptr;
    bool eventsEnabled_ = false;  // clicks reach their commands only while this is set
    HWND rememberedFocus_ = nullptr;
    std::array<HWND, kControlCount> controls_{};
    std::array<std::unique_ptr<TextBox>, kControlCount> boxes_;
    UniqueIcon bigIcon_;
    UniqueIcon smallIcon_;
};

}  // namespace kelvane
