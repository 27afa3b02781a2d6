#include "kelvane_driver.h"

#include "stopwatch.h"

#include <utility>
#include <vector>

namespace kelvane::bench {

namespace {

const wchar_t kWindowTitle[] = L"Kelvane 1.0 By 【Tamrel】";
const double kStartTimeoutMs = 60000;
const UINT kCommandTimeoutMs = 300000;

std::wstring className(HWND window) {
    wchar_t name[64] = L"";
    GetClassNameW(window, name, 64);
    return name;
}

// Button captions and static texts can be read from another process with GetWindowTextW.
std::wstring captionOf(HWND window) {
    wchar_t text[256] = L"";
    GetWindowTextW(window, text, 256);
    return text;
}

BOOL CALLBACK collectChild(HWND child, LPARAM children) {
    reinterpret_cast<std::vector<HWND>*>(children)->push_back(child);
    return TRUE;
}

HWND findWindowOfProcess(DWORD processId) {
    HWND window = nullptr;
    while ((window = FindWindowExW(nullptr, window, nullptr, kWindowTitle)) != nullptr) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == processId) {
            return window;
        }
    }
    return nullptr;
}

}  // namespace

std::unique_ptr<KelvaneDriver> KelvaneDriver::start(const std::wstring& exe, std::wstring& error) {
    std::unique_ptr<KelvaneDriver> driver(new KelvaneDriver());
    std::wstring commandLine = L"\"" + exe + L"\"";
    std::wstring folder = exe.substr(0, exe.find_last_of(L"\\/") + 1);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &info)) {
        error = L"cannot start " + exe + L" (error " + std::to_wstring(GetLastError()) + L")";
        return nullptr;
    }
    driver->process_.reset(info.hProcess);
    driver->thread_.reset(info.hThread);

    double begin = nowMs();
    while (!(driver->window_ = findWindowOfProcess(info.dwProcessId))) {
        if (WaitForSingleObject(info.hProcess, 50) == WAIT_OBJECT_0 || nowMs() - begin > kStartTimeoutMs) {
            error = L"the window \"Kelvane 1.0 By ...\" did not appear";
            return nullptr;
        }
    }
    driver->settle();
    if (!driver->findControls()) {
        error = L"the window lacks a box or one of the buttons 读取 保存 初始化 清空 添加";
        return nullptr;
    }
    return driver;
}

KelvaneDriver::~KelvaneDriver() {
    if (!process_.valid()) {
        return;
    }
    if (window_ && IsWindow(window_)) {
        PostMessageW(window_, WM_CLOSE, 0, 0);
    }
    if (WaitForSingleObject(process_.get(), 15000) != WAIT_OBJECT_0) {
        TerminateProcess(process_.get(), 1);
        WaitForSingleObject(process_.get(), 5000);
    }
}

bool KelvaneDriver::findControls() {
    std::vector<HWND> children;
    EnumChildWindows(window_, collectChild, reinterpret_cast<LPARAM>(&children));
    std::vector<HWND> smallBoxes;
    for (HWND child : children) {
        std::wstring kind = className(child);
        if (_wcsicmp(kind.c_str(), L"Edit") == 0) {
            if (GetWindowLongW(child, GWL_STYLE) & ES_MULTILINE) {
                hostBox_ = child;
            } else {
                smallBoxes.push_back(child);
            }
        } else if (_wcsicmp(kind.c_str(), L"Button") == 0) {
            const std::pair<const wchar_t*, HWND*> buttons[] = {
                {L"读取", &readButton_},
                {L"保存", &saveButton_},
                {L"初始化", &initializeButton_},
                {L"清空", &clearButton_},
                {L"添加", &addButton_},
            };
            std::wstring caption = captionOf(child);
            for (const auto& button : buttons) {
                if (caption == button.first) {
                    *button.second = child;
                }
            }
        }
    }
    if (smallBoxes.size() == 2) {
        RECT first, second;
        GetWindowRect(smallBoxes[0], &first);
        GetWindowRect(smallBoxes[1], &second);
        bool firstIsLeft = first.left < second.left;
        addressBox_ = firstIsLeft ? smallBoxes[0] : smallBoxes[1];
        nameBox_ = firstIsLeft ? smallBoxes[1] : smallBoxes[0];
    }
    return hostBox_ && addressBox_ && nameBox_ && readButton_ && saveButton_ && initializeButton_ &&
           clearButton_ && addButton_;
}

std::wstring KelvaneDriver::controlText(HWND control) const {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(control, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, kCommandTimeoutMs, &length)) {
        return std::wstring();
    }
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]), SMTO_NORMAL,
                        kCommandTimeoutMs, &copied);
    text.resize(copied);
    return text;
}

int KelvaneDriver::hostLength() const {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(hostBox_, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, kCommandTimeoutMs, &length)) {
        return -1;
    }
    return static_cast<int>(length);
}

double KelvaneDriver::clickUntilLength(HWND button, int expectedLength) {
    int before = hostLength();
    double start = nowMs();
    if (!PostMessageW(button, BM_CLICK, 0, 0)) {
        return -1;
    }
    for (;;) {
        // Sent messages are taken before posted ones, so the first answers may still come
        // from before the click; each answer blocks until the program takes messages again.
        DWORD_PTR length = 0;
        if (!SendMessageTimeoutW(hostBox_, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, kCommandTimeoutMs, &length)) {
            return -1;
        }
        double now = nowMs();
        int current = static_cast<int>(length);
        if (expectedLength < 0 ? current != before : current == expectedLength) {
            return now - start;
        }
        if (now - start > kCommandTimeoutMs) {
            return -1;
        }
    }
}

HWND KelvaneDriver::findMessageBox() const {
    HWND box = nullptr;
    while ((box = FindWindowExW(nullptr, box, L"#32770", L"Kelvane")) != nullptr) {
        if (GetWindow(box, GW_OWNER) == window_) {
            return box;
        }
    }
    return nullptr;
}

SaveOutcome KelvaneDriver::save() {
    SaveOutcome outcome;
    if (findMessageBox()) {
        return outcome;
    }
    double start = nowMs();
    if (!PostMessageW(saveButton_, BM_CLICK, 0, 0)) {
        return outcome;
    }
    // The box's window exists from its creation on, before its controls are laid out. Each look
    // is a request to the wineserver, which the program's file calls need too: look once a
    // millisecond, not in a tight loop.
    HWND box = nullptr;
    while (!(box = findMessageBox())) {
        if (nowMs() - start > kCommandTimeoutMs) {
            return outcome;
        }
        Sleep(1);
    }
    double ms = nowMs() - start;

    double shown = nowMs();
    HWND text = nullptr;
    while (!(text = GetDlgItem(box, 0xFFFF)) || captionOf(text).empty()) {
        if (nowMs() - shown > 10000) {
            return outcome;
        }
        Sleep(1);
    }
    outcome.message = captionOf(text);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    while (IsWindow(box)) {
        if (nowMs() - shown > 20000) {
            return outcome;
        }
        Sleep(1);
    }
    outcome.ms = ms;
    return outcome;
}

void KelvaneDriver::settle() const {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(window_, WM_NULL, 0, 0, SMTO_NORMAL, kCommandTimeoutMs, &ignored);
    WaitForInputIdle(process_.get(), 2000);
    Sleep(20);
    SendMessageTimeoutW(window_, WM_NULL, 0, 0, SMTO_NORMAL, kCommandTimeoutMs, &ignored);
}

}  // namespace kelvane::bench
