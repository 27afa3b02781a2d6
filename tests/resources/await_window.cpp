// Waits until the running program is ready (its window shown with every control, the focus on
// the large box), clicks its Initialize button so that the large box shows the stock template,
// waits until the window has drawn that, and prints the window's rectangle on the screen as
// "left top width height". For taking a picture of the window; the program is started by the
// caller and left running. Exit status 0 on success, 1 when a step did not come in time or
// when the system lacks the font that draws the caption buttons.
#include "driver.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using namespace kelvane::e2e;

// The milliseconds left until the deadline (a GetTickCount64 value), 0 once it has passed.
DWORD left(ULONGLONG deadline) {
    const ULONGLONG now = GetTickCount64();
    return now < deadline ? static_cast<DWORD>(deadline - now) : 0;
}

int fail(const char* what) {
    std::fprintf(stderr, "await_window: %s\n", what);
    return 1;
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
    const ULONGLONG deadline = GetTickCount64() + 1000ull * seconds;

    const std::wstring buttonFace = captionButtonFace();
    if (buttonFace != L"Marlett") {
        return fail(("no Marlett for the caption buttons, \"" + narrow(buttonFace) + "\" instead").c_str());
    }

    // Started by the caller, the copy may be in any process.
    const ReadyWindow ready = waitUntilReady(0, left(deadline));
    if (!ready.ready()) return fail(("the program was not ready: " + ready.problem).c_str());

    // Posted, not sent: the click runs inside the program's own loop, as a user's would.
    const HWND box = ready.controls.hostBox;
    if (!click(ready.controls.initialize) ||
        !waitUntil([&] { return editText(box, left(deadline)).value_or(L"").rfind(L"#", 0) == 0; },
                   left(deadline))) {
        return fail("the large box did not show the template after Initialize");
    }
    // Let the program paint what the click changed. (Forcing a repaint from here would not do:
    // under Wine a frame redrawn from another process loses the caption's icon.)
    if (!waitUntilDrawn(ready.window, left(deadline))) {
        return fail("the window did not finish painting");
    }

    const RECT r = outerRect(ready.window);
    std::printf("%ld %ld %ld %ld\n", static_cast<long>(r.left), static_cast<long>(r.top),
                static_cast<long>(r.right - r.left), static_cast<long>(r.bottom - r.top));
    return 0;
}
