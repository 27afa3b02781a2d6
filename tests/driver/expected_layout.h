// What the main window of kelvane.exe should be, seen from outside: its title, size and
// styles, and its eleven controls. Written down from the window's design, apart from the
// program's own description of it, so that the tests hold the program against an expectation
// of their own. The driver finds the controls by this table; the tests check each against it.
#pragma once

#include <windows.h>

#include <array>

namespace kelvane::e2e {

inline constexpr wchar_t kMainWindowTitle[] = L"Kelvane 1.0 By 【Tamrel】";
// Outer size, frame and title bar included.
inline constexpr int kMainWindowWidth = 530;
inline constexpr int kMainWindowHeight = 498;
// The platform adds WS_CLIPSIBLINGS and WS_EX_WINDOWEDGE to every captioned top-level window.
inline constexpr DWORD kMainWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU |
                                          WS_MINIMIZEBOX | WS_CLIPCHILDREN | WS_VISIBLE |
                                          WS_CLIPSIBLINGS;
inline constexpr DWORD kMainWindowExStyle = WS_EX_WINDOWEDGE;
inline constexpr DWORD kMainWindowClassStyle = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;

// The main window's eleven controls; nullptr for one that was not found.
struct MainWindowControls {
    HWND initialize, getHost, donate, add, nameBox, addressBox, backup, clear, save, read, hostBox;
};

struct ExpectedControl {
    const char* name;                   // its name in the window's design, for messages
    HWND MainWindowControls::*control;  // where findControls puts it
    const wchar_t* className;
    RECT rect;  // in the main window's client area
    DWORD style;
    DWORD exStyle;
    const wchar_t* text;  // caption of a button, first text of a box
    int id;
};

inline constexpr DWORD kButtonStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP |
                                      BS_PUSHBUTTON | BS_CENTER | BS_VCENTER | BS_MULTILINE;
inline constexpr DWORD kSmallBoxStyle =
    WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP | ES_AUTOHSCROLL | WS_BORDER;
inline constexpr DWORD kLargeBoxStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP |
                                        ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN |
                                        WS_VSCROLL;

// In the order the program makes them.
extern const std::array<ExpectedControl, 11> kExpectedControls;

// The row of one control.
const ExpectedControl& expectedControl(HWND MainWindowControls::*control);

}  // namespace kelvane::e2e
