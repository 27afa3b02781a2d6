#include "main_window.h"

#include "text_box_descriptions.h"

namespace kelvane {
namespace {

bool registerWindowClass(HINSTANCE instance, WNDPROC procedure) {
    const WindowProperties& p = kMainWindowProperties;
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = p.classStyle;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = nullptr;  // WM_ERASEBKGND paints the button face itself
    windowClass.lpszClassName = p.className;
    return RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

int boxRow(const TextBoxDescription& description) {
    for (int i = 0; i < static_cast<int>(kMainWindowControls.size()); ++i) {
        if (kMainWindowControls[i].box == &description) return i;
    }
    return -1;
}

HFONT guiFont() {
    return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

}  // namespace

std::unique_ptr<MainWindow> MainWindow::build(HINSTANCE instance) {
    std::unique_ptr<MainWindow> self(new MainWindow(instance));
    if (!self->create()) return nullptr;
    return self;
}

MainWindow::~MainWindow() {
    eventsEnabled_ = false;
    if (window_) DestroyWindow(window_);
}

bool MainWindow::create() {
    const WindowProperties& p = kMainWindowProperties;
    if (!registerWindowClass(instance_, windowProcedure)) return false;

    // C++ division truncates toward zero, as the centring wants on screens smaller than the window.
    const int left = (GetSystemMetrics(SM_CXSCREEN) - p.width) / 2;
    const int top = (GetSystemMetrics(SM_CYSCREEN) - p.height) / 2;
    if (!CreateWindowExW(p.exStyle, p.className, p.title, p.style, left, top, p.width, p.height,
                         nullptr, nullptr, instance_, this)) {
        return false;
    }
    RECT outer = {};
    GetWindowRect(window_, &outer);
    if (outer.right - outer.left != p.width || outer.bottom - outer.top != p.height) {
        MoveWindow(window_, outer.left, outer.top, p.width, p.height, FALSE);
    }
    setIcons();
    SendMessageW(window_, WM_SETFONT, reinterpret_cast<WPARAM>(guiFont()), FALSE);
    if (!createControls()) return false;
    for (HWND control : controls_) ShowWindow(control, SW_SHOWNA);
    eventsEnabled_ = true;
    // Activation hands the focus on to the first tab stop (onSetFocus).
    ShowWindow(window_, SW_SHOW);
    return true;
}

void MainWindow::setIcons() {
    const WindowProperties& p = kMainWindowProperties;
    bigIcon_.reset(static_cast<HICON>(LoadImageW(instance_, p.iconName, IMAGE_ICON, p.bigIconSize,
                                                 p.bigIconSize, LR_DEFAULTCOLOR)));
    smallIcon_.reset(static_cast<HICON>(LoadImageW(instance_, p.iconName, IMAGE_ICON,
                                                   p.smallIconSize, p.smallIconSize,
                                                   LR_DEFAULTCOLOR)));
    if (bigIcon_) {
        SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_.get()));
    }
    if (smallIcon_) {
        SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.get()));
    }
}

bool MainWindow::createControls() {
    for (int i = 0; i < kControlCount; ++i) {
        const ControlDescription& c = kMainWindowControls[i];
        if (c.kind == ControlKind::textBox) {
            boxes_[i] = makeTextBox(window_, *c.box, c.rect, c.caption, c.id, WS_TABSTOP);
            if (!boxes_[i]) return false;
            controls_[i] = boxWindow(*boxes_[i]);
        } else {
            controls_[i] = CreateWindowExW(0, L"BUTTON", c.caption, kButtonStyle, c.rect.left,
                                           c.rect.top, c.rect.width, c.rect.height, window_,
                                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)),
                                           instance_, nullptr);
            if (!controls_[i]) return false;
            SendMessageW(controls_[i], WM_SETFONT, reinterpret_cast<WPARAM>(guiFont()), TRUE);
        }
    }
    return true;
}

LRESULT CALLBACK MainWindow::windowProcedure(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self) return DefWindowProcW(window, message, wParam, lParam);
    return self->handleMessage(message, wParam, lParam);
}

LRESULT MainWindow::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_GETMINMAXINFO: return onGetMinMaxInfo(reinterpret_cast<MINMAXINFO*>(lParam));
    case WM_ERASEBKGND: return onEraseBackground(reinterpret_cast<HDC>(wParam));
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC: return onControlColour(message, wParam, lParam);
    case WM_COMMAND: return onCommand(wParam, lParam);
    case WM_ACTIVATE: return onActivate(wParam, lParam);
    case WM_SETFOCUS: return onSetFocus(wParam, lParam);
    case WM_CLOSE: return onClose();
    case WM_QUERYENDSESSION: return onQueryEndSession();
    case WM_DESTROY: return onDestroy();
    case WM_NCDESTROY: return onNcDestroy(wParam, lParam);
    default: return DefWindowProcW(window_, message, wParam, lParam);
    }
}

// The platform caps a window's size at about the screen's; on a screen smaller than the window
// that cap would shrink it, and Wine applies it to MoveWindow as well as to creation.
LRESULT MainWindow::onGetMinMaxInfo(MINMAXINFO* info) {
    DefWindowProcW(window_, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(info));
    const WindowProperties& p = kMainWindowProperties;
    if (info->ptMaxTrackSize.x < p.width) info->ptMaxTrackSize.x = p.width;
    if (info->ptMaxTrackSize.y < p.height) info->ptMaxTrackSize.y = p.height;
    return 0;
}

LRESULT MainWindow::onEraseBackground(HDC dc) {
    RECT client = {};
    GetClientRect(window_, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    return 1;
}

LRESULT MainWindow::onControlColour(UINT message, WPARAM wParam, LPARAM lParam) {
    const int index = controlIndex(reinterpret_cast<HWND>(lParam));
    if (index >= 0 && boxes_[index]) {
        return reinterpret_cast<LRESULT>(boxColours(*boxes_[index], reinterpret_cast<HDC>(wParam)));
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

LRESULT MainWindow::onCommand(WPARAM wParam, LPARAM lParam) {
    const int index = controlIndex(reinterpret_cast<HWND>(lParam));
    if (eventsEnabled_ && HIWORD(wParam) == BN_CLICKED && index >= 0 &&
        kMainWindowControls[index].kind == ControlKind::button) {
        runCommand(kMainWindowControls[index].command, commandTarget());
    }
    return 0;
}

LRESULT MainWindow::onActivate(WPARAM wParam, LPARAM lParam) {
    if (LOWORD(wParam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(window_, focus)) rememberedFocus_ = focus;
    }
    // The default handling gives the window itself the focus, which onSetFocus hands on.
    return DefWindowProcW(window_, WM_ACTIVATE, wParam, lParam);
}

LRESULT MainWindow::onSetFocus(WPARAM wParam, LPARAM) {
    HWND remembered = rememberedFocus_;
    rememberedFocus_ = nullptr;
    // Without an activation in between (Wine restoring a minimised window, say), the focus
    // goes back to the control it was just taken from.
    if (!remembered) remembered = reinterpret_cast<HWND>(wParam);
    const int index = controlIndex(remembered);
    if (index >= 0 && IsWindow(remembered) && IsChild(window_, remembered) && canTakeFocus(index)) {
        SetFocus(remembered);
        return 0;
    }
    const int first = firstTabStop();
    if (first >= 0) SetFocus(controls_[first]);
    return 0;
}

LRESULT MainWindow::onClose() {
    DestroyWindow(window_);
    return 0;
}

// Logging off or shutting down asks nothing: the boxes' texts are dropped as on closing.
LRESULT MainWindow::onQueryEndSession() {
    return TRUE;
}

LRESULT MainWindow::onDestroy() {
    eventsEnabled_ = false;
    PostQuitMessage(0);
    return 0;
}

LRESULT MainWindow::onNcDestroy(WPARAM wParam, LPARAM lParam) {
    HWND window = window_;
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    window_ = nullptr;
    controls_.fill(nullptr);
    rememberedFocus_ = nullptr;
    return DefWindowProcW(window, WM_NCDESTROY, wParam, lParam);
}

bool MainWindow::preTranslateMessage(const MSG& message) {
    if (message.message != WM_KEYDOWN && message.message != WM_SYSKEYDOWN) return false;
    if (!window_ || (message.hwnd != window_ && !IsChild(window_, message.hwnd))) return false;

    const auto key = static_cast<UINT>(message.wParam);
    const bool ctrl = GetKeyState(VK_CONTROL) < 0;
    const bool shift = GetKeyState(VK_SHIFT) < 0;
    const bool alt = GetKeyState(VK_MENU) < 0;
    const int focused = controlIndex(GetFocus());
    if (focused >= 0 && boxes_[focused] && claimsKey(*boxes_[focused], key, ctrl, shift, alt)) {
        return false;
    }
    if (key == VK_TAB && !ctrl && !alt) {
        moveFocus(shift ? -1 : 1);
        return true;
    }
    if (key == VK_ESCAPE && !ctrl && !shift && !alt) {
        SendMessageW(window_, WM_CLOSE, 0, 0);
        return true;
    }
    return false;
}

int MainWindow::controlIndex(HWND control) const {
    if (!control) return -1;
    for (int i = 0; i < kControlCount; ++i) {
        if (controls_[i] == control) return i;
    }
    return -1;
}

bool MainWindow::canTakeFocus(int index) const {
    HWND control = controls_[index];
    return control && IsWindowVisible(control) && IsWindowEnabled(control) &&
           (GetWindowLongW(control, GWL_STYLE) & WS_TABSTOP);
}

// The focus sequence runs from the last row of the table to the first.
int MainWindow::firstTabStop() const {
    for (int i = kControlCount - 1; i >= 0; --i) {
        if (canTakeFocus(i)) return i;
    }
    return -1;
}

void MainWindow::moveFocus(int step) {
    const int from = controlIndex(GetFocus());
    if (from < 0) return;
    // A step forward in the sequence is a step back in the table.
    for (int k = 1; k <= kControlCount; ++k) {
        const int index = ((from - step * k) % kControlCount + kControlCount) % kControlCount;
        if (canTakeFocus(index)) {
            SetFocus(controls_[index]);
            return;
        }
    }
}

CommandTarget MainWindow::commandTarget() {
    return CommandTarget{window_, *boxes_[boxRow(kHostBoxDescription)],
                         *boxes_[boxRow(kAddressBoxDescription)],
                         *boxes_[boxRow(kNameBoxDescription)]};
}

}  // namespace kelvane
