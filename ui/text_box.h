// One text box of the main window: a platform EDIT control made from a constant description,
// reached by the rest of the program only through readBoxText and setBoxText.
#pragma once

#include "hosts/hosts_text.h"
#include "ui/gdi_objects.h"

#include <windows.h>

#include <memory>

namespace kelvane {

// A font of a box's own; none of this window's boxes has one.
struct FontDescription {
    const wchar_t* face;
    int height;  // in logical units, as LOGFONT's lfHeight
    int weight;  // FW_NORMAL, FW_BOLD, ...
    bool italic;
};

struct TextBoxDescription {
    int multiLine;       // 1 multi-line, 0 single-line
    int scrollBars;      // multi-line only: 0 none, 1 horizontal, 2 vertical, 3 both
    int borderStyle;     // 0 none, 1 sunken, 2 raised, 3 thin sunken, 4 sunken in raised, 5 flat line
    COLORREF textColour;
    COLORREF backColour;
    int hideSelection;   // 1: selection hidden while the box has no focus
    int maxLength;       // typing limit in characters; 0: the platform's largest
    int alignment;       // 0 left, 1 centred, 2 right
    int inputMode;       // 0 ordinary, 1 read-only, 2 password
    wchar_t passwordChar;
    int caseConversion;  // 0 none, 1 lower, 2 upper
    int selStart;
    int selLength;
    const FontDescription* font;  // nullptr: DEFAULT_GUI_FONT
};

struct ControlRect {
    int left;
    int top;
    int width;
    int height;
};

// One box: its description, its EDIT control, the solid brush of its background colour and the
// font in use. The text lives in the control alone. Made only by makeTextBox; destroying the
// box destroys the control if it still exists.
class TextBox {
public:
    TextBox(const TextBox&) = delete;
    TextBox& operator=(const TextBox&) = delete;
    ~TextBox();

private:
    explicit TextBox(const TextBoxDescription& description) : description_(&description) {}
    friend struct TextBoxAccess;

    const TextBoxDescription* description_;
    HWND control_ = nullptr;  // null once the control is destroyed
    OwnedBrush background_;
    OwnedFont ownFont_;       // only for a description with a font of its own
    HFONT font_ = nullptr;    // the font in use: ownFont_ or the stock DEFAULT_GUI_FONT
};

// Makes the box as an invisible child of parent. Returns nullptr when the control cannot be
// created. The box lives at a fixed address: its subclass procedure refers to it.
std::unique_ptr<TextBox> makeTextBox(HWND parent, const TextBoxDescription& description,
                                     const ControlRect& rect, const wchar_t* firstText,
                                     int controlId, DWORD extraStyle);

HWND boxWindow(const TextBox& box);

// Sets the text and background colours for WM_CTLCOLOREDIT / WM_CTLCOLORSTATIC and returns
// the brush the parent answers with.
HBRUSH boxColours(const TextBox& box, HDC dc);

// The whole text in the ANSI code page; absent for an empty box.
MaybeText readBoxText(const TextBox& box);

// Replaces the whole text, up to its first zero byte; absent empties the box.
void setBoxText(TextBox& box, TextPiece text);

// Whether the box keeps this key for itself instead of the window's key handling.
bool claimsKey(const TextBox& box, UINT virtualKey, bool ctrl, bool shift, bool alt);

}  // namespace kelvane
