// Waits for the running program's window, clicks its Initialize button so that the large box
// shows the stock template, waits until the window has drawn that, and prints the window's
// rectangle on the screen as "left top width height". For taking a picture of the window.
// Exit status 0 on success, 1 when the window or its box did not come up in time or when the
// system lacks the font that draws the caption buttons.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <cstdlib>
#include <string>

namespace {

constexpr wchar_t kTitle[] = L"Kelvane 1.0 By 【Tamrel】";
constexpr wchar_t kInitializeCaption[] = L"初始化";

struct Children {
    HWND initialize = nullptr;
    HWND largestEdit = nullptr;
    long largestArea = 0;
};

BOOL CALLBACK visitChild(HWND child, LPARAM param) {
    auto* found = reinterpret_cast<Children*>(param);
    wchar_t cls[32] = {};
    GetClassNameW(child, cls, 32);
    if (_wcsicmp(cls, L"Button") == 0) {
        wchar_t caption[32] = {};
        GetWindowTextW(child, caption, 32);
        if (std::wcscmp(caption, kInitializeCaption) == 0) found->initialize = child;
    } else if (_wcsicmp(cls, L"Edit") == 0) {
        RECT r{};
        GetWindowRect(child, &r);
        const long area = static_cast<long>(r.right - r.left) * (r.bottom - r.top);
        if (area > found->largestArea) {
            found->largestArea = area;
            found->largestEdit = child;
        }
    }
    return TRUE;
}

// Polls until ready() holds or the deadline passes.
template <typename Ready>
bool waitFor(DWORD deadline, Ready ready) {
    while (!ready()) {
        if (static_cast<LONG>(GetTickCount() - deadline) >= 0) return false;
        Sleep(20);
    }
    return true;
}

BOOL CALLBACK childNeedsPaint(HWND child, LPARAM param) {
    if (GetUpdateRect(child, nullptr, FALSE)) {
        *reinterpret_cast<bool*>(param) = true;
        return FALSE;
    }
    return TRUE;
}

// Whether the window or any of its children still has an area waiting to be painted.
bool needsPaint(HWND window) {
    bool pending = GetUpdateRect(window, nullptr, FALSE) != FALSE;
    if (!pending) EnumChildWindows(window, childNeedsPaint, reinterpret_cast<LPARAM>(&pending));
    return pending;
}

// Returns once the window's thread has handled everything sent or posted before.
void roundTrip(HWND window) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored);
}

// The face the system picks for the caption buttons' font, Marlett. A system without it falls
// back to a text font, and the buttons show Marlett's letters ("0", "1", "r") instead.
std::wstring captionButtonFace() {
    HDC screen = GetDC(nullptr);
    HFONT font = CreateFontW(-13, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SYMBOL_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                             DEFAULT_PITCH, L"Marlett");
    HGDIOBJ previous = SelectObject(screen, font);
    wchar_t face[LF_FACESIZE] = {};
    GetTextFaceW(screen, LF_FACESIZE, face);
    SelectObject(screen, previous);
    DeleteObject(font);
    ReleaseDC(nullptr, screen);
    return face;
}

}  // namespace

int main(int argc, char** argv) {
    const DWORD seconds = argc > 1 ? static_cast<DWORD>(std::strtoul(argv[1], nullptr, 10)) : 60;
    const DWORD deadline = GetTickCount() + seconds * 1000;

    const std::wstring buttonFace = captionButtonFace();
    if (buttonFace != L"Marlett") {
        char face[4 * LF_FACESIZE] = {};
        WideCharToMultiByte(CP_UTF8, 0, buttonFace.c_str(), -1, face, sizeof face, nullptr,
                            nullptr);
        std::fprintf(stderr, "await_window: no Marlett for the caption buttons, \"%s\" instead\n",
                     face);
        return 1;
    }

    HWND window = nullptr;
    if (!waitFor(deadline, [&] {
            window = FindWindowW(nullptr, kTitle);
            return window && IsWindowVisible(window);
        })) {
        std::fprintf(stderr, "await_window: no visible window with the program's title\n");
        return 1;
    }
    roundTrip(window);

    Children children;
    EnumChildWindows(window, visitChild, reinterpret_cast<LPARAM>(&children));
    if (!children.initialize || !children.largestEdit) {
        std::fprintf(stderr, "await_window: the Initialize button or the large box is missing\n");
        return 1;
    }
    // Posted, not sent: the click runs inside the program's own loop, as a user's would.
    PostMessageW(children.initialize, BM_CLICK, 0, 0);
    if (!waitFor(deadline, [&] {
            DWORD_PTR length = 0;
            SendMessageTimeoutW(children.largestEdit, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, 1000,
                                &length);
            return length > 0;
        })) {
        std::fprintf(stderr, "await_window: the large box stayed empty after Initialize\n");
        return 1;
    }
    // Let the program paint what the click changed: its thread has handled the click once it
    // answers, and has drawn once no window of it has anything left to paint. (Forcing a
    // repaint from here would not do: under Wine a frame redrawn from another process loses
    // the caption's icon.)
    roundTrip(window);
    if (!waitFor(deadline, [&] { return !needsPaint(window); })) {
        std::fprintf(stderr, "await_window: the window did not finish painting\n");
        return 1;
    }
    roundTrip(window);

    RECT r{};
    GetWindowRect(window, &r);
    std::printf("%ld %ld %ld %ld\n", static_cast<long>(r.left), static_cast<long>(r.top),
                static_cast<long>(r.right - r.left), static_cast<long>(r.bottom - r.top));
    return 0;
}
