// The constant description of the main window: its properties and its eleven controls, in
// table order. The window is built from this and nothing else.
#pragma once

#include "commands.h"
#include "text_box.h"

#include <windows.h>

#include <array>

namespace kelvane {

struct WindowProperties {
    const wchar_t* className;
    const wchar_t* title;
    int left;  // replaced by the centring when the window is built
    int top;
    int width;  // outer size, frame and title bar included
    int height;
    DWORD style;
    DWORD exStyle;
    UINT classStyle;
    const wchar_t* iconName;  // icon group in the executable's resources
    int bigIconSize;
    int smallIconSize;
};

enum class ControlKind { button, textBox };

struct ControlDescription {
    const wchar_t* name;
    ControlKind kind;
    int id;  // control id, also the WM_COMMAND id of a button
    ControlRect rect;  // in the main window's client area
    const wchar_t* caption;  // caption of a button, first text of a box
    Command command;  // what a click runs; Command::none for boxes
    const TextBoxDescription* box;  // text boxes only
};

extern const WindowProperties kMainWindowProperties;

// Every control is visible, enabled and a tab stop with the same tab-order key, so the focus
// sequence is this table read backwards.
extern const std::array<ControlDescription, 11> kMainWindowControls;

// Styles of every button of the window.
constexpr DWORD kButtonStyle = WS_CHILD | WS_CLIPSIBLINGS | WS_TABSTOP | BS_PUSHBUTTON |
                               BS_CENTER | BS_VCENTER | BS_MULTILINE;

}  // namespace kelvane
