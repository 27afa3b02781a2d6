#include "ui/text_box.h"

#include "ui/box_text_codec.h"

#include <commctrl.h>
#include <windowsx.h>

#include <cwchar>
#include <string>

namespace kelvane {

struct TextBoxAccess {
    static TextBox* make(const TextBoxDescription& description) { return new TextBox(description); }
    static const TextBoxDescription& description(const TextBox& box) { return *box.description_; }
    static HWND& control(TextBox& box) { return box.control_; }
    static HWND control(const TextBox& box) { return box.control_; }
    static OwnedBrush& background(TextBox& box) { return box.background_; }
    static HBRUSH background(const TextBox& box) { return box.background_.get(); }
    static OwnedFont& ownFont(TextBox& box) { return box.ownFont_; }
    static HFONT& font(TextBox& box) { return box.font_; }
    static HFONT font(const TextBox& box) { return box.font_; }
};

namespace {

using A = TextBoxAccess;

constexpr UINT_PTR kSubclassId = 1;

DWORD stylesFrom(const TextBoxDescription& d) {
    DWORD style = 0;
    if (d.hideSelection == 0) style |= ES_NOHIDESEL;
    if (d.multiLine == 1) {
        style |= ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN;
        if (d.scrollBars == 1 || d.scrollBars == 3) style |= ES_AUTOHSCROLL | WS_HSCROLL;
        if (d.scrollBars == 2 || d.scrollBars == 3) style |= WS_VSCROLL;
    } else {
        style |= ES_AUTOHSCROLL;
    }
    if (d.alignment == 1) style |= ES_CENTER;
    if (d.alignment == 2) style |= ES_RIGHT;
    if (d.inputMode == 1) style |= ES_READONLY;
    if (d.inputMode == 2) style |= ES_PASSWORD;
    if (d.caseConversion == 1) style |= ES_LOWERCASE;
    if (d.caseConversion == 2) style |= ES_UPPERCASE;
    return style;
}

struct Border {
    DWORD style;
    DWORD exStyle;
};

Border borderFrom(int borderStyle) {
    switch (borderStyle) {
    case 1: return {0, WS_EX_CLIENTEDGE};
    case 2: return {0, WS_EX_DLGMODALFRAME};
    case 3: return {0, WS_EX_STATICEDGE};
    case 4: return {0, WS_EX_CLIENTEDGE | WS_EX_DLGMODALFRAME};
    case 5: return {WS_BORDER, 0};
    default: return {0, 0};
    }
}

int textHeight(HWND window, HFONT font, const wchar_t* text) {
    WindowDc dc(window);
    SelectedObject selected(dc.get(), font);
    SIZE size{};
    GetTextExtentPoint32W(dc.get(), text, static_cast<int>(wcslen(text)), &size);
    return size.cy;
}

const UINT kFrameChanged =
    SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE;

HFONT makeFont(const FontDescription& f) {
    return CreateFontW(f.height, 0, 0, 0, f.weight, f.italic ? TRUE : FALSE, FALSE, FALSE,
                       DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, PROOF_QUALITY,
                       DEFAULT_PITCH, f.face);
}

// The client rectangle, in the coordinates of the window's top-left corner.
RECT clientInWindow(HWND window) {
    RECT outer{};
    GetWindowRect(window, &outer);
    RECT client{};
    GetClientRect(window, &client);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    OffsetRect(&client, -outer.left, -outer.top);
    return client;
}

// Single-line boxes: the client area is the one line of text, centred; the bands above and
// below it are frame, painted in the background colour and hit-tested as border.
LRESULT singleLineMessage(TextBox& box, HWND window, UINT message, WPARAM wParam,
                          LPARAM lParam) {
    switch (message) {
    case WM_NCCALCSIZE: {
        const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
        RECT& rect = wParam ? reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam)->rgrc[0]
                            : *reinterpret_cast<RECT*>(lParam);
        const int h = textHeight(window, A::font(box), L"W");
        rect.top = rect.top + (rect.bottom - rect.top - h) / 2;
        rect.bottom = rect.top + h;
        return result;
    }
    case WM_NCPAINT: {
        {
            WindowDc dc(window, WindowDc::Area::whole);
            RECT outer{};
            GetWindowRect(window, &outer);
            OffsetRect(&outer, -outer.left, -outer.top);
            const RECT client = clientInWindow(window);
            ExcludeClipRect(dc.get(), client.left, client.top, client.right, client.bottom);
            FillRect(dc.get(), &outer, A::background(box).get());
        }
        return DefSubclassProc(window, message, wParam, lParam);
    }
    case WM_NCHITTEST: {
        const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        RECT outer{};
        GetWindowRect(window, &outer);
        RECT client{};
        GetClientRect(window, &client);
        MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
        if (PtInRect(&outer, point) && !PtInRect(&client, point)) return HTBORDER;
        return DefSubclassProc(window, message, wParam, lParam);
    }
    case WM_ERASEBKGND: {
        RECT client{};
        GetClientRect(window, &client);
        FillRect(reinterpret_cast<HDC>(wParam), &client, A::background(box).get());
        return 1;
    }
    default:
        return DefSubclassProc(window, message, wParam, lParam);
    }
}

LRESULT CALLBACK boxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                         DWORD_PTR refData) {
    TextBox& box = *reinterpret_cast<TextBox*>(refData);
    if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(window, boxProc, kSubclassId);
        A::control(box) = nullptr;
        return DefSubclassProc(window, message, wParam, lParam);
    }
    if (A::description(box).multiLine == 1) return DefSubclassProc(window, message, wParam, lParam);
    return singleLineMessage(box, window, message, wParam, lParam);
}

void applyFontAndHeight(TextBox& box, const ControlRect& rect) {
    const TextBoxDescription& d = A::description(box);
    HWND window = A::control(box);
    if (d.font) A::ownFont(box) = OwnedFont(makeFont(*d.font));
    A::font(box) = A::ownFont(box) ? A::ownFont(box).get()
                                   : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    if (d.multiLine != 1) {
        const int least = textHeight(window, A::font(box), L"吴") + 2 * GetSystemMetrics(SM_CYEDGE);
        if (rect.height < least) {
            SetWindowPos(window, nullptr, 0, 0, rect.width, least,
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }
    SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(A::font(box)), TRUE);
}

void applyBorder(HWND window, int borderStyle) {
    const Border border = borderFrom(borderStyle);
    const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
    const LONG_PTR exStyle = GetWindowLongPtrW(window, GWL_EXSTYLE);
    SetWindowLongPtrW(window, GWL_STYLE, (style & ~static_cast<LONG_PTR>(WS_BORDER)) | border.style);
    const LONG_PTR removed = WS_EX_CLIENTEDGE | WS_EX_DLGMODALFRAME | WS_EX_STATICEDGE;
    SetWindowLongPtrW(window, GWL_EXSTYLE, (exStyle & ~removed) | border.exStyle);
    SetWindowPos(window, nullptr, 0, 0, 0, 0, kFrameChanged);
}

}  // namespace

TextBox::~TextBox() {
    // Destroying the control runs its WM_NCDESTROY, which takes the subclass away while the
    // box and its brush still exist.
    if (control_) DestroyWindow(control_);
}

std::unique_ptr<TextBox> makeTextBox(HWND parent, const TextBoxDescription& description,
                                     const ControlRect& rect, const wchar_t* firstText,
                                     int controlId, DWORD extraStyle) {
    std::unique_ptr<TextBox> box(A::make(description));
    const DWORD style =
        (WS_CHILD | WS_CLIPSIBLINGS | extraStyle | stylesFrom(description)) & ~WS_VISIBLE;
    A::background(*box) = OwnedBrush(CreateSolidBrush(description.backColour));

    HWND window = CreateWindowExW(
        0, L"EDIT", firstText ? firstText : L"", style, rect.left, rect.top, rect.width,
        rect.height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)),
        reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(parent, GWLP_HINSTANCE)), nullptr);
    if (!window) return nullptr;
    A::control(*box) = window;
    if (!SetWindowSubclass(window, boxProc, kSubclassId, reinterpret_cast<DWORD_PTR>(box.get()))) {
        return nullptr;  // the box's destructor destroys the control
    }

    applyFontAndHeight(*box, rect);
    if (description.multiLine != 1) SetWindowPos(window, nullptr, 0, 0, 0, 0, kFrameChanged);
    SendMessageW(window, EM_LIMITTEXT, static_cast<WPARAM>(description.maxLength), 0);
    if (description.inputMode == 2) {
        SendMessageW(window, EM_SETPASSWORDCHAR, static_cast<WPARAM>(description.passwordChar), 0);
    }
    SendMessageW(window, EM_SETSEL, static_cast<WPARAM>(description.selStart),
                 static_cast<LPARAM>(description.selStart + description.selLength));
    SendMessageW(window, EM_SCROLLCARET, 0, 0);
    applyBorder(window, description.borderStyle);
    return box;
}

HWND boxWindow(const TextBox& box) { return A::control(box); }

HBRUSH boxColours(const TextBox& box, HDC dc) {
    SetTextColor(dc, A::description(box).textColour);
    SetBkColor(dc, A::description(box).backColour);
    return A::background(box);
}

MaybeText readBoxText(const TextBox& box) {
    HWND window = A::control(box);
    const int length = GetWindowTextLengthW(window);
    if (length <= 0) return std::nullopt;
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(window, &text[0], length + 1);
    text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    HostsText bytes = encodeBoxText(text);
    if (bytes.empty()) return std::nullopt;
    return bytes;
}

void setBoxText(TextBox& box, TextPiece text) {
    HWND window = A::control(box);
    std::string_view bytes = text.view();
    bytes = bytes.substr(0, bytes.find('\0'));
    const std::wstring wide = decodeBoxText(bytes);
    SetWindowTextW(window, wide.c_str());
    SendMessageW(window, EM_SETSEL, 0, 0);
    SendMessageW(window, EM_SCROLLCARET, 0, 0);
    const LRESULT firstVisible = SendMessageW(window, EM_GETFIRSTVISIBLELINE, 0, 0);
    if (firstVisible > 0 && A::description(box).multiLine == 1) {
        SendMessageW(window, EM_LINESCROLL, 0, -firstVisible);
    }
    SendMessageW(window, EM_EMPTYUNDOBUFFER, 0, 0);
}

bool claimsKey(const TextBox& box, UINT virtualKey, bool ctrl, bool shift, bool alt) {
    const TextBoxDescription& d = A::description(box);
    return virtualKey == VK_RETURN && !ctrl && !shift && !alt && d.multiLine == 1 &&
           d.inputMode != 1;
}

}  // namespace kelvane
