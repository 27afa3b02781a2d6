#include "baseline_edit.h"

#include "bench_files.h"
#include "expected_layout.h"
#include "stopwatch.h"

#include <vector>

namespace kelvane::bench {

namespace {

const wchar_t kWindowClass[] = L"KelvaneBenchBaseline";

bool registerWindowClass() {
    static const bool registered = [] {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
        windowClass.lpszClassName = kWindowClass;
        return RegisterClassW(&windowClass) != 0;
    }();
    return registered;
}

std::wstring windowText(HWND window) {
    int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    int copied = GetWindowTextW(window, &text[0], length + 1);
    text.resize(static_cast<size_t>(copied));
    return text;
}

std::wstring wideOfAnsi(const std::string& bytes) {
    if (bytes.empty()) {
        return std::wstring();
    }
    int count = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring text(static_cast<size_t>(count), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), &text[0], count);
    return text;
}

std::string ansiOfWide(const std::wstring& text) {
    if (text.empty()) {
        return std::string();
    }
    int count = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                    nullptr, nullptr);
    std::string bytes(static_cast<size_t>(count), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &bytes[0], count, nullptr,
                        nullptr);
    return bytes;
}

}  // namespace

std::unique_ptr<BaselineEdit> BaselineEdit::create(int left, int top) {
    if (!registerWindowClass()) {
        return nullptr;
    }
    HWND window = CreateWindowExW(0, kWindowClass, L"Kelvane bench baseline",
                                  WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN, left, top,
                                  e2e::kMainWindowWidth, e2e::kMainWindowHeight, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    if (!window) {
        return nullptr;
    }
    // The program's large box and its Read and Save buttons, as the tests expect them: same
    // class, styles, extended styles, rectangles and captions.
    auto make = [window](const e2e::ExpectedControl& control) {
        const RECT& r = control.rect;
        return CreateWindowExW(control.exStyle, control.className, control.text, control.style, r.left, r.top,
                               r.right - r.left, r.bottom - r.top, window, nullptr, GetModuleHandleW(nullptr),
                               nullptr);
    };
    HWND edit = make(e2e::expectedControl(&e2e::MainWindowControls::hostBox));
    HWND buttons[2] = {make(e2e::expectedControl(&e2e::MainWindowControls::read)),
                       make(e2e::expectedControl(&e2e::MainWindowControls::save))};
    if (!edit || !buttons[0] || !buttons[1]) {
        DestroyWindow(window);
        return nullptr;
    }
    for (HWND button : buttons) {
        SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), TRUE);
    }
    SendMessageW(edit, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), TRUE);
    SendMessageW(edit, EM_LIMITTEXT, 0, 0);
    ShowWindow(window, SW_SHOWNA);
    pumpMessages();
    return std::unique_ptr<BaselineEdit>(new BaselineEdit(window, edit, buttons[0], buttons[1]));
}

BaselineEdit::~BaselineEdit() {
    DestroyWindow(window_);
    pumpMessages();
}

double BaselineEdit::read(const std::wstring& path) {
    double start = nowMs();
    std::wstring text;
    {
        // The bytes go before the control copies the text, as a program would let them go.
        std::optional<std::string> bytes = readWholeFile(path);
        if (!bytes) {
            return -1;
        }
        text = wideOfAnsi(*bytes);
    }
    if (!SetWindowTextW(edit_, text.c_str())) {
        return -1;
    }
    return nowMs() - start;
}

double BaselineEdit::add(const std::wstring& entry) {
    double start = nowMs();
    std::wstring text = windowText(edit_) + entry;
    if (!SetWindowTextW(edit_, text.c_str())) {
        return -1;
    }
    return nowMs() - start;
}

double BaselineEdit::initialize(const std::wstring& templateText) {
    double start = nowMs();
    windowText(edit_);
    if (!SetWindowTextW(edit_, templateText.c_str())) {
        return -1;
    }
    return nowMs() - start;
}

double BaselineEdit::save(const std::wstring& path) {
    DeleteFileW(path.c_str());
    double start = nowMs();
    std::string bytes = ansiOfWide(windowText(edit_));
    OwnedHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                nullptr));
    DWORD written = 0;
    bool ok = file.valid() &&
              WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
              written == bytes.size() && FlushFileBuffers(file.get());
    file.reset();
    double elapsed = nowMs() - start;
    DeleteFileW(path.c_str());
    return ok ? elapsed : -1;
}

double BaselineEdit::idleClick() {
    HWND button = buttons_[nextButton_];
    nextButton_ = 1 - nextButton_;
    double start = nowMs();
    SendMessageW(button, BM_CLICK, 0, 0);
    return nowMs() - start;
}

void BaselineEdit::clear() {
    SetWindowTextW(edit_, L"");
    pumpMessages();
}

int BaselineEdit::textLength() const { return GetWindowTextLengthW(edit_); }

void pumpMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

}  // namespace kelvane::bench
