#include "driver.h"

#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cwctype>
#include <utility>

namespace kelvane::e2e {
namespace {

constexpr int kMessageTextId = 0xFFFF;
constexpr int kMessageIconId = 1088;

std::wstring lower(std::wstring_view text) {
    std::wstring result(text);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); });
    return result;
}

bool removeTree(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring path = folder + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                removeTree(path);
            } else {
                SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(path.c_str());
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    return RemoveDirectoryW(folder.c_str()) != 0;
}

struct WindowSearch {
    DWORD processId;
    std::wstring_view title;
    std::vector<HWND> found;
};

BOOL CALLBACK collectTopLevel(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<WindowSearch*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->processId && windowText(window) == search->title) {
        search->found.push_back(window);
    }
    return TRUE;
}

// IsWindowVisible says no for every window of another desktop under Wine; the style tells.
BOOL CALLBACK findMainWindow(HWND candidate, LPARAM found) {
    if (!(GetWindowLongW(candidate, GWL_STYLE) & WS_VISIBLE) ||
        windowText(candidate) != kMainWindowTitle) {
        return TRUE;
    }
    *reinterpret_cast<HWND*>(found) = candidate;
    return FALSE;
}

struct ChildSearch {
    std::wstring className;
    RECT rect;
    HWND parent;
    HWND found;
};

BOOL CALLBACK matchChild(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<ChildSearch*>(parameter);
    if (GetParent(window) != search->parent) return TRUE;
    if (lower(className(window)) != search->className) return TRUE;
    const RECT rect = rectInParent(window);
    if (!EqualRect(&search->rect, &rect)) return TRUE;
    search->found = window;
    return FALSE;
}

// Top-level #32770 dialogs owned by owner (nullptr: any owner) of a process (0: any), only
// the visible ones when shownOnly. The window server picks the class: a look costs one
// request, and one more for each dialog there is.
std::vector<HWND> findDialogs(HWND owner, DWORD processId, bool shownOnly) {
    std::vector<HWND> found;
    HWND dialog = nullptr;
    while ((dialog = FindWindowExW(nullptr, dialog, L"#32770", nullptr)) != nullptr) {
        DWORD dialogProcess = 0;
        if (processId) GetWindowThreadProcessId(dialog, &dialogProcess);
        if ((!owner || GetWindow(dialog, GW_OWNER) == owner) &&
            (!processId || dialogProcess == processId) && (!shownOnly || IsWindowVisible(dialog))) {
            found.push_back(dialog);
        }
    }
    return found;
}

// Children of a window in the order of the window server.
BOOL CALLBACK collectChild(HWND child, LPARAM children) {
    reinterpret_cast<std::vector<HWND>*>(children)->push_back(child);
    return TRUE;
}

INPUT keyInput(WORD virtualKey, bool up) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return input;
}

bool sendInputs(std::vector<INPUT>& inputs) {
    const UINT sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    return sent == inputs.size();
}

// Draws into a new screen-compatible bitmap of this size and gives its pixels, top-down, as
// the 32-bit DIB gives them (0x00RRGGBB). draw gets the bitmap's DC and the screen's.
template <typename Draw>
std::vector<DWORD> renderedPixels(int width, int height, Draw draw) {
    std::vector<DWORD> pixels(static_cast<size_t>(width) * height);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    draw(memory, screen);
    SelectObject(memory, old);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    GetDIBits(memory, bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

// The pixels of a screen area.
std::vector<DWORD> rawScreenPixels(const RECT& area) {
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    return renderedPixels(width, height, [&](HDC memory, HDC screen) {
        BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    });
}

// A system icon drawn as the box's icon static draws it: on the background the static shows
// at its top-left pixel.
std::vector<DWORD> drawnIcon(LPCWSTR iconId, int width, int height, DWORD background) {
    return renderedPixels(width, height, [&](HDC memory, HDC) {
        HBRUSH brush = CreateSolidBrush(RGB(GetRValue(background), GetGValue(background),
                                            GetBValue(background)));
        RECT all = {0, 0, width, height};
        FillRect(memory, &all, brush);
        DeleteObject(brush);
        DrawIconEx(memory, 0, 0, LoadIconW(nullptr, iconId), 0, 0, 0, nullptr, DI_NORMAL);
    });
}

}  // namespace

bool waitUntil(const std::function<bool()>& condition, DWORD timeoutMs, DWORD pollMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        if (condition()) return true;
        if (GetTickCount64() >= end) return false;
        if (pollMs) Sleep(pollMs);
    }
}

std::wstring widen(std::string_view utf8) {
    const int size = static_cast<int>(utf8.size());
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
    std::wstring result(n > 0 ? n : 0, L'\0');
    if (n > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, &result[0], n);
    return result;
}

std::string narrow(std::wstring_view text) {
    const int size = static_cast<int>(text.size());
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string result(n > 0 ? n : 0, '\0');
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, text.data(), size, &result[0], n, nullptr, nullptr);
    return result;
}

std::wstring buildPathOnWindows(std::string_view buildPath) {
    std::wstring path = widen(buildPath);
    if (!path.empty() && path[0] == L'/') path = L"Z:" + path;
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}

std::wstring builtProgramPath() {
    return buildPathOnWindows(KELVANE_PROGRAM_PATH);
}

// ---- ProgramFolder

ProgramFolder::ProgramFolder() {
    static LONG counter = 0;
    wchar_t temp[MAX_PATH + 1] = {};
    if (!GetTempPathW(MAX_PATH + 1, temp)) return;
    // Process ids come round again, and a killed run leaves its folder behind.
    for (;;) {
        path_ = std::wstring(temp) + L"kelvane-e2e-" + std::to_wstring(GetCurrentProcessId()) +
                L"-" + std::to_wstring(InterlockedIncrement(&counter));
        if (CreateDirectoryW(path_.c_str(), nullptr)) break;
        if (GetLastError() != ERROR_ALREADY_EXISTS) {
            path_.clear();
            return;
        }
    }
    ok_ = CopyFileW(builtProgramPath().c_str(), exePath().c_str(), TRUE) != 0;
}

ProgramFolder::~ProgramFolder() {
    if (path_.empty()) return;
    // A program that has just ended may hold its file for a moment longer.
    waitUntil([&] { return removeTree(path_) || GetFileAttributesW(path_.c_str()) == INVALID_FILE_ATTRIBUTES; }, 2000);
}

std::wstring ProgramFolder::file(std::wstring_view name) const {
    return path_ + L"\\" + std::wstring(name);
}

// ---- Program

Program::Program(Program&& other) noexcept
    : process_(std::exchange(other.process_, nullptr)), id_(std::exchange(other.id_, 0)) {}

Program& Program::operator=(Program&& other) noexcept {
    if (this != &other) {
        end();
        process_ = std::exchange(other.process_, nullptr);
        id_ = std::exchange(other.id_, 0);
    }
    return *this;
}

Program::~Program() { end(); }

bool Program::start(const std::wstring& exePath, const std::wstring& arguments) {
    end();
    const std::wstring folder = exePath.substr(0, exePath.rfind(L'\\'));
    std::wstring commandLine = L"\"" + exePath + L"\"";
    if (!arguments.empty()) commandLine += L" " + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(exePath.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        folder.c_str(), &startup, &info)) {
        return false;
    }
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    id_ = info.dwProcessId;
    return true;
}

bool Program::adopt(DWORD processId) {
    end();
    process_ = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_TERMINATE | SYNCHRONIZE, FALSE,
                           processId);
    if (!process_) return false;
    id_ = processId;
    return true;
}

HWND Program::waitForWindow(DWORD timeoutMs) {
    HWND window = nullptr;
    waitUntil([&] {
        window = mainWindowOf(id_);
        return window || !running();
    }, timeoutMs);
    return window;
}

ReadyWindow Program::waitUntilReady(DWORD timeoutMs) {
    if (!id_) return ReadyWindow{nullptr, {}, "the program was not started"};
    ReadyWindow ready = e2e::waitUntilReady(id_, timeoutMs);
    DWORD code = 0;
    if (!ready.ready() && !running() && GetExitCodeProcess(process_, &code)) {
        ready.problem += " (exit status " + std::to_string(code) + ")";
    }
    return ready;
}

std::optional<DWORD> Program::waitForExit(DWORD timeoutMs) {
    if (!process_ || WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0) return std::nullopt;
    DWORD code = 0;
    if (!GetExitCodeProcess(process_, &code)) return std::nullopt;
    return code;
}

bool Program::running() const {
    return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

void Program::end() {
    if (!process_) return;
    if (running()) {
        TerminateProcess(process_, 1);
        WaitForSingleObject(process_, kWaitMs);
    }
    CloseHandle(process_);
    process_ = nullptr;
    id_ = 0;
}

std::vector<HWND> topLevelWindows(DWORD processId, std::wstring_view title) {
    WindowSearch search{processId, title, {}};
    EnumWindows(collectTopLevel, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND mainWindowOf(DWORD processId) {
    HWND window = nullptr;
    while ((window = FindWindowExW(nullptr, window, nullptr, kMainWindowTitle)) != nullptr) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if ((!processId || owner == processId) && IsWindowVisible(window)) return window;
    }
    return nullptr;
}

ReadyWindow waitUntilReady(DWORD processId, DWORD timeoutMs) {
    ReadyWindow ready;
    HANDLE process = processId ? OpenProcess(SYNCHRONIZE, FALSE, processId) : nullptr;
    const bool done = waitUntil([&] {
        if (process && WaitForSingleObject(process, 0) == WAIT_OBJECT_0) {
            ready.problem = "the program ended before its window was ready";
            return true;
        }
        ready.window = mainWindowOf(processId);
        if (!ready.window) {
            ready.problem = "no visible window titled Kelvane 1.0 By 【Tamrel】";
            return false;
        }
        ready.controls = findControls(ready.window);
        if (const char* missing = missingControl(ready.controls)) {
            ready.problem = std::string("no ") + missing + " at its place in the window";
            return false;
        }
        const HWND focus = focusOf(ready.window);
        if (focus != ready.controls.hostBox) {
            ready.problem = "expected the focus on 编辑框_Host, got " +
                            describeWindow(focus, ready.window, ready.controls);
            return false;
        }
        ready.problem.clear();
        return true;
    }, timeoutMs);
    if (process) CloseHandle(process);
    if (!done && ready.problem.empty()) ready.problem = "the program was not ready in time";
    return ready;
}

ProgramOnOwnDesktop::ProgramOnOwnDesktop(const std::wstring& exePath, int width, int height)
    : desktop_(L"kelvane-" + std::to_wstring(width) + L"x" + std::to_wstring(height)) {
    wchar_t windows[MAX_PATH + 1] = {};
    GetWindowsDirectoryW(windows, MAX_PATH + 1);
    explorer_.start(std::wstring(windows) + L"\\explorer.exe",
                    L"/desktop=" + desktop_ + L"," + std::to_wstring(width) + L"x" +
                        std::to_wstring(height) + L" \"" + exePath + L"\"");
}

ProgramOnOwnDesktop::~ProgramOnOwnDesktop() {
    if (!program_.running() && explorer_.id() != 0) {
        HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        if (snapshot != INVALID_HANDLE_VALUE) {
            PROCESSENTRY32W entry = {};
            entry.dwSize = sizeof entry;
            for (BOOL more = Process32FirstW(snapshot, &entry); more;
                 more = Process32NextW(snapshot, &entry)) {
                if (entry.th32ParentProcessID == explorer_.id()) {
                    Program child;
                    child.adopt(entry.th32ProcessID);
                }
            }
            CloseHandle(snapshot);
        }
    }
    program_.end();
    explorer_.end();
}

HWND ProgramOnOwnDesktop::waitForWindow(DWORD timeoutMs) {
    HWND window = nullptr;
    waitUntil([&] {
        HDESK desktop = OpenDesktopW(desktop_.c_str(), 0, FALSE, DESKTOP_READOBJECTS | DESKTOP_ENUMERATE);
        if (!desktop) return false;
        HWND found = nullptr;
        EnumDesktopWindows(desktop, findMainWindow, reinterpret_cast<LPARAM>(&found));
        CloseDesktop(desktop);
        window = found;
        return window != nullptr;
    }, timeoutMs);
    DWORD processId = 0;
    if (window && GetWindowThreadProcessId(window, &processId) && !program_.running()) {
        program_.adopt(processId);
    }
    return window;
}

// ---- Reading windows

std::wstring className(HWND window) {
    wchar_t name[256] = {};
    const int n = GetClassNameW(window, name, 256);
    return std::wstring(name, n > 0 ? n : 0);
}

std::wstring windowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int n = GetWindowTextW(window, &text[0], length + 1);
    text.resize(n > 0 ? n : 0);
    return text;
}

std::optional<std::wstring> editText(HWND edit, DWORD timeoutMs) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(edit, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, timeoutMs, &length)) {
        return std::nullopt;
    }
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(edit, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(&text[0]),
                             SMTO_ABORTIFHUNG, timeoutMs, &copied)) {
        return std::nullopt;
    }
    text.resize(std::min<size_t>(copied, length));
    return text;
}

bool setEditText(HWND edit, const std::wstring& text, DWORD timeoutMs) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                               SMTO_ABORTIFHUNG, timeoutMs, &result) && result;
}

RECT rectInParent(HWND child) {
    RECT rect = {};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

RECT outerRect(HWND window) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    return rect;
}

LONG style(HWND window) { return GetWindowLongW(window, GWL_STYLE); }
LONG exStyle(HWND window) { return GetWindowLongW(window, GWL_EXSTYLE); }

HWND findChild(HWND parent, std::wstring_view name, RECT rect) {
    ChildSearch search{lower(name), rect, parent, nullptr};
    EnumChildWindows(parent, matchChild, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

MainWindowControls findControls(HWND main) {
    MainWindowControls controls{};
    std::vector<HWND> children;
    EnumChildWindows(main, collectChild, reinterpret_cast<LPARAM>(&children));
    // Each child's class and place are asked once, not once for every row of the table.
    for (HWND child : children) {
        if (GetParent(child) != main) continue;
        const std::wstring kind = lower(className(child));
        const RECT rect = rectInParent(child);
        for (const ExpectedControl& expected : kExpectedControls) {
            if (!(controls.*expected.control) && kind == lower(expected.className) &&
                EqualRect(&rect, &expected.rect)) {
                controls.*expected.control = child;
            }
        }
    }
    return controls;
}

const char* missingControl(const MainWindowControls& controls) {
    for (const ExpectedControl& expected : kExpectedControls) {
        if (!(controls.*expected.control)) return expected.name;
    }
    return nullptr;
}

HWND focusOf(HWND window) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
    return info.hwndFocus;
}

HWND activeOf(HWND window) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
    return info.hwndActive;
}

std::string describeWindow(HWND which, HWND main, const MainWindowControls& controls) {
    if (!which) return "nobody";
    if (which == main) return "the main window itself";
    for (const ExpectedControl& expected : kExpectedControls) {
        if (controls.*expected.control == which) return expected.name;
    }
    char text[64];
    std::snprintf(text, sizeof text, "another window (%p)", static_cast<void*>(which));
    return text;
}

std::optional<int> textLength(HWND edit, DWORD timeoutMs) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(edit, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, timeoutMs, &length)) {
        return std::nullopt;
    }
    return static_cast<int>(length);
}

bool waitUntilDrawn(HWND window, DWORD timeoutMs) {
    // A thread that answers has handled all that came before; the update region is emptied
    // as a paint begins, so the thread must answer once more after it has none left.
    auto answers = [&] {
        DWORD_PTR ignored = 0;
        return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &ignored) != 0;
    };
    auto needsPaint = [&] {
        if (GetUpdateRect(window, nullptr, FALSE)) return true;
        std::vector<HWND> children;
        EnumChildWindows(window, collectChild, reinterpret_cast<LPARAM>(&children));
        for (HWND child : children) {
            if (GetUpdateRect(child, nullptr, FALSE)) return true;
        }
        return false;
    };
    return waitUntil([&] { return answers() && !needsPaint() && answers(); }, timeoutMs);
}

std::vector<COLORREF> screenPixels(RECT area) {
    std::vector<COLORREF> pixels = rawScreenPixels(area);
    for (COLORREF& p : pixels) p = RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    return pixels;
}

// ---- Input

bool bringToFront(HWND window) {
    if (GetForegroundWindow() == window) return true;
    SetForegroundWindow(window);
    return waitUntil([&] { return GetForegroundWindow() == window && activeOf(window) == window; },
                     2000);
}

bool pressKey(HWND window, Key key) {
    if (!bringToFront(window)) return false;
    std::vector<INPUT> inputs;
    if (key.ctrl) inputs.push_back(keyInput(VK_CONTROL, false));
    if (key.alt) inputs.push_back(keyInput(VK_MENU, false));
    if (key.shift) inputs.push_back(keyInput(VK_SHIFT, false));
    inputs.push_back(keyInput(key.virtualKey, false));
    inputs.push_back(keyInput(key.virtualKey, true));
    if (key.shift) inputs.push_back(keyInput(VK_SHIFT, true));
    if (key.alt) inputs.push_back(keyInput(VK_MENU, true));
    if (key.ctrl) inputs.push_back(keyInput(VK_CONTROL, true));
    return sendInputs(inputs);
}

bool typeText(HWND window, std::wstring_view text) {
    if (!bringToFront(window)) return false;
    std::vector<INPUT> inputs;
    for (wchar_t c : text) {
        for (bool up : {false, true}) {
            INPUT input = {};
            input.type = INPUT_KEYBOARD;
            input.ki.wScan = c;
            input.ki.dwFlags = KEYEVENTF_UNICODE | (up ? KEYEVENTF_KEYUP : 0);
            inputs.push_back(input);
        }
    }
    return inputs.empty() || sendInputs(inputs);
}

bool click(HWND button) { return PostMessageW(button, BM_CLICK, 0, 0) != 0; }

bool closeByTitleBar(HWND window) {
    return PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0) != 0;
}

// ---- Dialogs

std::vector<HWND> dialogsOwnedBy(HWND owner) {
    if (!owner) return {};
    return findDialogs(owner, 0, true);
}

HWND dialogMadeFor(HWND owner) {
    if (!owner) return nullptr;
    const std::vector<HWND> found = findDialogs(owner, 0, false);
    return found.empty() ? nullptr : found.front();
}

std::vector<HWND> dialogsOfProcess(DWORD processId) {
    if (!processId) return {};
    return findDialogs(nullptr, processId, true);
}

// The first window that find gives before the timeout; nullptr when it gives none.
HWND waitForFirst(const std::function<std::vector<HWND>()>& find, DWORD timeoutMs) {
    HWND first = nullptr;
    waitUntil([&] {
        const std::vector<HWND> found = find();
        if (!found.empty()) first = found.front();
        return first != nullptr;
    }, timeoutMs);
    return first;
}

HWND waitForProcessDialog(DWORD processId, DWORD timeoutMs) {
    return waitForFirst([&] { return dialogsOfProcess(processId); }, timeoutMs);
}

HWND waitForDialog(HWND owner, DWORD timeoutMs) {
    return waitForFirst([&] { return dialogsOwnedBy(owner); }, timeoutMs);
}

std::wstring messageBoxText(HWND box) {
    HWND text = GetDlgItem(box, kMessageTextId);
    return text ? windowText(text) : std::wstring();
}

MessageBoxContent readMessageBox(HWND box) {
    MessageBoxContent content;
    content.caption = windowText(box);
    content.text = messageBoxText(box);
    DWORD_PTR icon = 0;
    HWND iconStatic = GetDlgItem(box, kMessageIconId);
    content.hasIcon = iconStatic &&
                      SendMessageTimeoutW(iconStatic, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG,
                                          kWaitMs, &icon) &&
                      icon != 0;
    return content;
}

LPCWSTR messageBoxIcon(HWND box) {
    if (!readMessageBox(box).hasIcon) return nullptr;
    HWND iconStatic = GetDlgItem(box, kMessageIconId);
    RECT area = outerRect(iconStatic);
    const int size = GetSystemMetrics(SM_CXICON);
    area.right = area.left + size;
    area.bottom = area.top + size;
    // The box must have been painted and be on top for its pixels to be on the screen.
    bringToFront(box);
    RedrawWindow(box, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    // Until the box's painting reaches the screen, none of them matches.
    LPCWSTR match = nullptr;
    waitUntil([&] {
        const std::vector<DWORD> shown = rawScreenPixels(area);
        for (LPCWSTR id : {IDI_ERROR, IDI_WARNING, IDI_INFORMATION, IDI_QUESTION}) {
            if (drawnIcon(id, size, size, shown.front()) == shown) match = id;
        }
        return match != nullptr;
    }, 2000);
    return match;
}

bool answerDialog(HWND dialog, int buttonId, DWORD timeoutMs) {
    HWND button = GetDlgItem(dialog, buttonId);
    if (!PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
                      reinterpret_cast<LPARAM>(button))) {
        return false;
    }
    return waitUntil([&] { return !IsWindow(dialog); }, timeoutMs);
}

// ---- Files

std::wstring hostsFilePath() {
    wchar_t system[MAX_PATH + 1] = {};
    GetSystemDirectoryW(system, MAX_PATH + 1);
    return std::wstring(system) + L"\\drivers\\etc\\hosts";
}

std::optional<std::string> fileBytes(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;
    std::string bytes;
    char buffer[65536];
    DWORD got = 0;
    bool ok = true;
    while ((ok = ReadFile(file, buffer, sizeof buffer, &got, nullptr) != 0) && got > 0) {
        bytes.append(buffer, got);
    }
    CloseHandle(file);
    if (!ok) return std::nullopt;
    return bytes;
}

bool writeFileBytes(const std::wstring& path, std::string_view bytes) {
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok = bytes.empty() ||
                    (WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                               nullptr) &&
                     written == bytes.size());
    return CloseHandle(file) && ok;
}

KeptHostsFile::KeptHostsFile() : path_(hostsFilePath()), original_(fileBytes(path_)) {}

KeptHostsFile::~KeptHostsFile() {
    SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (original_) {
        writeFileBytes(path_, *original_);
    } else {
        DeleteFileW(path_.c_str());
    }
}

std::string ansiBytes(std::wstring_view text) {
    std::string bytes;
    size_t start = 0;
    auto flush = [&](size_t end) {
        if (end <= start) return;
        const int n = WideCharToMultiByte(CP_ACP, 0, text.data() + start,
                                          static_cast<int>(end - start), nullptr, 0, nullptr,
                                          nullptr);
        const size_t at = bytes.size();
        bytes.resize(at + n);
        WideCharToMultiByte(CP_ACP, 0, text.data() + start, static_cast<int>(end - start),
                            &bytes[at], n, nullptr, nullptr);
    };
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] >= 0xDC00 && text[i] <= 0xDCFF) {
            flush(i);
            bytes.push_back(static_cast<char>(text[i] - 0xDC00));
            start = i + 1;
        }
    }
    flush(text.size());
    return bytes;
}

std::wstring fromAnsi(std::string_view bytes) {
    const int n = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()),
                                      nullptr, 0);
    std::wstring text(n, L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), &text[0], n);
    return text;
}

}  // namespace kelvane::e2e
