// The main window seen from outside: a real kelvane.exe per test, in a folder of its own.
#include "driver.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <iterator>
#include <string>
#include <vector>

namespace kelvane::e2e {
namespace {

constexpr DWORD kAtOnceMs = 3000;

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder_.ok()) << "no program folder with a copy of kelvane.exe";
        ASSERT_TRUE(program_.start(folder_.exePath()));
        const ReadyWindow ready = program_.waitUntilReady();
        ASSERT_TRUE(ready.ready()) << "after start-up: " << ready.problem;
        window_ = ready.window;
        controls_ = ready.controls;
    }

    // Presses the key and waits until the focus is on expected.
    void expectFocusAfter(Key key, HWND expected, const char* what) {
        ASSERT_TRUE(pressKey(window_, key));
        waitUntil([&] { return focusOf(window_) == expected; }, 2000);
        EXPECT_EQ(expected, focusOf(window_)) << what;
    }

    std::wstring textOf(HWND edit) { return editText(edit).value_or(L"<no answer>"); }

    ProgramFolder folder_;
    Program program_;
    HWND window_ = nullptr;
    MainWindowControls controls_{};
};

TEST_F(WindowTest, HasItsTitleSizeAndStyles) {
    EXPECT_EQ(std::wstring(kMainWindowTitle), windowText(window_));
    const RECT outer = outerRect(window_);
    EXPECT_EQ(kMainWindowWidth, outer.right - outer.left);
    EXPECT_EQ(kMainWindowHeight, outer.bottom - outer.top);
    EXPECT_EQ(nullptr, GetWindow(window_, GW_OWNER));
    EXPECT_EQ(nullptr, GetMenu(window_));

    EXPECT_EQ(kMainWindowStyle, static_cast<DWORD>(style(window_)));
    EXPECT_EQ(kMainWindowExStyle, static_cast<DWORD>(exStyle(window_)));
    EXPECT_EQ(kMainWindowClassStyle, static_cast<DWORD>(GetClassLongW(window_, GCL_STYLE)));
    // The class brush and cursor cannot be checked from here: for another process's window Wine
    // answers 0 whatever they are.
}

struct Centring {
    int screenWidth;
    int screenHeight;
    POINT topLeft;  // (screen - window) / 2, truncated toward zero
};

class CentringTest : public ::testing::TestWithParam<Centring> {};

TEST_P(CentringTest, PutsTheWindowInTheMiddleOfTheScreen) {
    const Centring& c = GetParam();
    ProgramFolder folder;
    ASSERT_TRUE(folder.ok());
    ProgramOnOwnDesktop own(folder.exePath(), c.screenWidth, c.screenHeight);
    HWND window = own.waitForWindow();
    ASSERT_NE(nullptr, window) << "no window on a " << c.screenWidth << "x" << c.screenHeight << " desktop";
    const RECT outer = outerRect(window);
    EXPECT_EQ(c.topLeft.x, outer.left) << "screen " << c.screenWidth << "x" << c.screenHeight;
    EXPECT_EQ(c.topLeft.y, outer.top) << "screen " << c.screenWidth << "x" << c.screenHeight;
    EXPECT_EQ(kMainWindowWidth, outer.right - outer.left);
    EXPECT_EQ(kMainWindowHeight, outer.bottom - outer.top);
}

INSTANTIATE_TEST_SUITE_P(Screens, CentringTest,
                         ::testing::Values(Centring{1366, 768, {418, 135}},
                                           Centring{499, 400, {-15, -49}}));

BOOL CALLBACK countChild(HWND, LPARAM count) {
    ++*reinterpret_cast<int*>(count);
    return TRUE;
}

TEST_F(WindowTest, HasElevenControlsWithTheirRectanglesStylesAndTexts) {
    int children = 0;
    EnumChildWindows(window_, countChild, reinterpret_cast<LPARAM>(&children));
    EXPECT_EQ(11, children);
    for (const ExpectedControl& expected : kExpectedControls) {
        SCOPED_TRACE(expected.name);
        HWND control = findChild(window_, expected.className, expected.rect);
        ASSERT_NE(nullptr, control) << "no " << expected.name << " at its rectangle";
        EXPECT_EQ(control, controls_.*expected.control);
        EXPECT_EQ(expected.id, GetDlgCtrlID(control));
        EXPECT_EQ(expected.style, static_cast<DWORD>(style(control)));
        EXPECT_EQ(expected.exStyle, static_cast<DWORD>(exStyle(control)));
        const std::wstring text = std::wstring(expected.className) == L"Edit"
                                      ? textOf(control)
                                      : windowText(control);
        EXPECT_EQ(std::wstring(expected.text), text);
    }
}

// The control's client rectangle in the coordinates of the main window's client area.
RECT clientInMain(HWND control, HWND main) {
    RECT rect = {};
    GetClientRect(control, &rect);
    MapWindowPoints(control, main, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// Clearly darker than the button face and the white boxes: the strokes of a caption or text.
bool isDark(COLORREF c) { return GetRValue(c) + GetGValue(c) + GetBValue(c) < 3 * 160; }

TEST_F(WindowTest, ShowsItsColoursAndEveryCaption) {
    const COLORREF mint = RGB(159, 255, 234);
    const COLORREF white = RGB(255, 255, 255);
    ASSERT_TRUE(bringToFront(window_));
    ASSERT_TRUE(waitUntilDrawn(window_)) << "the window did not finish painting";
    RECT client = {};
    GetClientRect(window_, &client);
    MapWindowPoints(window_, nullptr, reinterpret_cast<POINT*>(&client), 2);
    const int width = client.right - client.left;
    std::vector<COLORREF> pixels;
    auto at = [&](int x, int y) { return pixels[static_cast<size_t>(y) * width + x]; };
    // Wait for the painting to reach the screen as well.
    waitUntil([&] {
        pixels = screenPixels(client);
        return at(215, 250) == mint;
    }, 3000);
    EXPECT_EQ(mint, at(215, 250)) << std::hex << "inside 编辑框_Host";
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), at(5, 470)) << std::hex << "the window's background";

    for (HWND box : {controls_.addressBox, controls_.nameBox}) {
        const RECT outer = rectInParent(box);
        const RECT line = clientInMain(box, window_);
        SCOPED_TRACE(box == controls_.addressBox ? expectedControl(&MainWindowControls::addressBox).name
                                                 : expectedControl(&MainWindowControls::nameBox).name);
        // One line of text in the vertical middle, the bands above and below it in white.
        EXPECT_GT(line.top - outer.top, 2);
        EXPECT_LE(std::abs((line.top - outer.top) - (outer.bottom - line.bottom)), 1)
            << "line " << line.top << ".." << line.bottom << " in " << outer.top << ".." << outer.bottom;
        for (int x = outer.left + 2; x < outer.right - 2; ++x) {
            ASSERT_EQ(white, at(x, outer.top + 2)) << std::hex << "band above the line, x " << std::dec << x;
            ASSERT_EQ(white, at(x, outer.bottom - 3)) << std::hex << "band below the line, x " << std::dec << x;
        }
        EXPECT_EQ(white, at(outer.right - 4, (line.top + line.bottom) / 2));
        int dark = 0;
        for (int y = line.top; y < line.bottom; ++y) {
            for (int x = line.left; x < line.right; ++x) dark += isDark(at(x, y));
        }
        EXPECT_GT(dark, 20) << "no text drawn";
    }

    for (const ExpectedControl& expected : kExpectedControls) {
        if (std::wstring(expected.className) != L"Button") continue;
        int dark = 0;
        for (int y = expected.rect.top + 4; y < expected.rect.bottom - 4; ++y) {
            for (int x = expected.rect.left + 4; x < expected.rect.right - 4; ++x) dark += isDark(at(x, y));
        }
        // Under code page 1252 Wine's fonts have no Chinese glyphs and draw boxes: strokes too.
        EXPECT_GT(dark, 10) << "no caption drawn on " << expected.name;
    }
}

TEST_F(WindowTest, TabAndShiftTabRunThroughTheFocusSequenceAndWrap) {
    using C = MainWindowControls;
    HWND C::*const sequence[] = {
        &C::hostBox, &C::read, &C::save, &C::clear, &C::backup, &C::addressBox,
        &C::nameBox, &C::add, &C::donate, &C::getHost, &C::initialize,
    };
    const size_t n = std::size(sequence);
    ASSERT_EQ(controls_.hostBox, focusOf(window_)) << "the focus after start-up";
    for (size_t i = 1; i <= n; ++i) {
        HWND C::*control = sequence[i % n];
        expectFocusAfter(Key{VK_TAB}, controls_.*control, expectedControl(control).name);
    }
    for (size_t i = n; i-- > 0;) {
        expectFocusAfter(Key{VK_TAB, true}, controls_.*sequence[i], expectedControl(sequence[i]).name);
    }
    EXPECT_EQ(L"", textOf(controls_.hostBox)) << "Tab typed into 编辑框_Host";
}

TEST_F(WindowTest, HiddenAndDisabledControlsAreLeftOutOfTheSequence) {
    const MainWindowControls& c = controls_;
    expectFocusAfter(Key{VK_TAB}, c.read, "钮_读取");
    EnableWindow(c.save, FALSE);
    ShowWindow(c.clear, SW_HIDE);
    expectFocusAfter(Key{VK_TAB}, c.backup, "钮_备份, past the disabled 钮_保存 and the hidden 钮_清空");
    expectFocusAfter(Key{VK_TAB, true}, c.read, "钮_读取, back past both");

    // Activation skips a disabled 编辑框_Host too.
    EnableWindow(c.hostBox, FALSE);
    EnableWindow(c.read, FALSE);
    HWND other = CreateWindowExW(0, L"STATIC", L"another program", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                 0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, other);
    ASSERT_TRUE(bringToFront(other));
    ASSERT_TRUE(bringToFront(window_));
    waitUntil([&] { return focusOf(window_) == c.backup; }, 2000);
    EXPECT_EQ(c.backup, focusOf(window_)) << "expected the first enabled, visible tab stop 钮_备份";
    DestroyWindow(other);
}

TEST_F(WindowTest, EnterBreaksTheLineInTheLargeBoxOnly) {
    const MainWindowControls& c = controls_;
    ASSERT_TRUE(typeText(window_, L"ab"));
    ASSERT_TRUE(pressKey(window_, Key{VK_LEFT}));
    ASSERT_TRUE(pressKey(window_, Key{VK_RETURN}));
    // Tab after each key: once the focus has moved, the key before it has been handled.
    expectFocusAfter(Key{VK_TAB}, c.read, "钮_读取");
    EXPECT_EQ(L"a\r\nb", textOf(c.hostBox));

    for (HWND next : {c.save, c.clear, c.backup, c.addressBox}) {
        expectFocusAfter(Key{VK_TAB}, next, "on the way to 编辑框_添加IP");
    }
    ASSERT_EQ(c.addressBox, focusOf(window_));
    ASSERT_TRUE(pressKey(window_, Key{VK_RETURN}));
    expectFocusAfter(Key{VK_TAB}, c.nameBox, "编辑框_添加域名");
    ASSERT_TRUE(pressKey(window_, Key{VK_RETURN}));
    expectFocusAfter(Key{VK_TAB}, c.add, "钮_添加");
    EXPECT_EQ(L"127.0.0.1", textOf(c.addressBox));
    EXPECT_EQ(L"www.***.com", textOf(c.nameBox));
    EXPECT_EQ(L"a\r\nb", textOf(c.hostBox));
}

TEST_F(WindowTest, FocusComesBackToItsControlAfterAnotherWindowWasActive) {
    expectFocusAfter(Key{VK_TAB}, controls_.read, "钮_读取");
    expectFocusAfter(Key{VK_TAB}, controls_.save, "钮_保存");

    HWND other = CreateWindowExW(0, L"STATIC", L"another program", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                 0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, other);
    ASSERT_TRUE(bringToFront(other));
    EXPECT_TRUE(waitUntil([&] { return activeOf(window_) == nullptr; }, 2000))
        << "the window stayed active";
    ASSERT_TRUE(bringToFront(window_));
    waitUntil([&] { return focusOf(window_) == controls_.save; }, 2000);
    EXPECT_EQ(controls_.save, focusOf(window_)) << "expected 钮_保存 to have the focus again";
    DestroyWindow(other);
}

TEST_F(WindowTest, KeepsItsSizeAndLayoutThroughMinimiseAndRestore) {
    expectFocusAfter(Key{VK_TAB}, controls_.read, "钮_读取");
    const RECT before = outerRect(window_);
    // A double click on the title bar maximises only a window with a Maximize button.
    PostMessageW(window_, WM_NCLBUTTONDBLCLK, HTCAPTION, MAKELPARAM(before.left + 100, before.top + 8));
    ASSERT_TRUE(PostMessageW(window_, WM_SYSCOMMAND, SC_MINIMIZE, 0));
    ASSERT_TRUE(waitUntil([&] { return IsIconic(window_) != 0; })) << "not minimised";
    ASSERT_TRUE(PostMessageW(window_, WM_SYSCOMMAND, SC_RESTORE, 0));
    ASSERT_TRUE(waitUntil([&] { return !IsIconic(window_); })) << "not restored";
    // The restored window may still stand at its minimised place for a moment.
    RECT after = {};
    waitUntil([&] {
        after = outerRect(window_);
        return EqualRect(&before, &after) != FALSE;
    }, 2000);
    EXPECT_TRUE(EqualRect(&before, &after)) << "moved or resized to " << after.left << ","
                                            << after.top << " " << after.right - after.left << "x"
                                            << after.bottom - after.top;
    for (const ExpectedControl& expected : kExpectedControls) {
        const RECT now = rectInParent(controls_.*expected.control);
        EXPECT_TRUE(EqualRect(&expected.rect, &now)) << expected.name << " moved";
    }
    ASSERT_TRUE(bringToFront(window_));
    waitUntil([&] { return focusOf(window_) == controls_.read; }, 2000);
    EXPECT_EQ(controls_.read, focusOf(window_)) << "expected 钮_读取 to have the focus again";
}

TEST_F(WindowTest, AClickRunsItsButtonsCommand) {
    ASSERT_TRUE(click(controls_.initialize));
    EXPECT_TRUE(waitUntil([&] { return textOf(controls_.hostBox).rfind(L"#", 0) == 0; }))
        << "初始化 did not fill 编辑框_Host, which holds \"" << textOf(controls_.hostBox).size()
        << "\" characters";
    ASSERT_TRUE(click(controls_.clear));
    EXPECT_TRUE(waitUntil([&] { return textOf(controls_.hostBox).empty(); }))
        << "清空 did not empty 编辑框_Host";
}

TEST_F(WindowTest, SpaceClicksTheFocusedButtonAndEnterDoesNot) {
    const MainWindowControls& c = controls_;
    expectFocusAfter(Key{VK_TAB, true}, c.initialize, "钮_初始化");
    ASSERT_TRUE(pressKey(window_, Key{VK_RETURN}));
    expectFocusAfter(Key{VK_TAB}, c.hostBox, "编辑框_Host");
    EXPECT_EQ(L"", textOf(c.hostBox)) << "Enter on 钮_初始化 ran its command";
    expectFocusAfter(Key{VK_TAB, true}, c.initialize, "钮_初始化");
    ASSERT_TRUE(pressKey(window_, Key{VK_SPACE}));
    EXPECT_TRUE(waitUntil([&] { return !textOf(c.hostBox).empty(); }))
        << "the space bar on 钮_初始化 did not run its command";
}

TEST_F(WindowTest, AgreesToEndTheSessionWithoutAsking) {
    DWORD_PTR answer = FALSE;
    ASSERT_TRUE(SendMessageTimeoutW(window_, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF,
                                    SMTO_ABORTIFHUNG, kAtOnceMs, &answer));
    EXPECT_EQ(static_cast<DWORD_PTR>(TRUE), answer);
    EXPECT_TRUE(dialogsOwnedBy(window_).empty());
}

struct Closing {
    const char* how;
    bool (*close)(HWND window, const MainWindowControls& controls);
};

const Closing kClosings[] = {
    {"Esc while typing in 编辑框_Host",
     [](HWND w, const MainWindowControls&) {
         return typeText(w, L"unsaved") && pressKey(w, Key{VK_ESCAPE});
     }},
    {"Esc on a button",
     [](HWND w, const MainWindowControls&) {
         return pressKey(w, Key{VK_TAB}) && pressKey(w, Key{VK_ESCAPE});
     }},
    {"the Close button", [](HWND w, const MainWindowControls&) { return closeByTitleBar(w); }},
    {"Alt+F4", [](HWND w, const MainWindowControls&) { return pressKey(w, Key{VK_F4, false, false, true}); }},
};

class ClosingTest : public WindowTest, public ::testing::WithParamInterface<Closing> {};

TEST_P(ClosingTest, EndsTheProgramAtOnceWithStatusZero) {
    ASSERT_TRUE(GetParam().close(window_, controls_));
    const std::optional<DWORD> status = program_.waitForExit(kAtOnceMs);
    ASSERT_TRUE(status.has_value()) << "still running after " << GetParam().how;
    EXPECT_EQ(0u, *status) << GetParam().how;
    EXPECT_TRUE(dialogsOwnedBy(window_).empty());
}

INSTANTIATE_TEST_SUITE_P(Each, ClosingTest, ::testing::ValuesIn(kClosings));

TEST_F(WindowTest, TwoCopiesRunSideBySide) {
    ProgramFolder secondFolder;
    ASSERT_TRUE(secondFolder.ok());
    Program second;
    ASSERT_TRUE(second.start(secondFolder.exePath()));
    const ReadyWindow ready = second.waitUntilReady();
    ASSERT_TRUE(ready.ready()) << "the second copy after start-up: " << ready.problem;
    HWND secondWindow = ready.window;
    EXPECT_NE(window_, secondWindow);
    EXPECT_TRUE(program_.running());

    ASSERT_TRUE(pressKey(secondWindow, Key{VK_ESCAPE}));
    EXPECT_EQ(std::optional<DWORD>(0), second.waitForExit(kAtOnceMs));
    EXPECT_TRUE(program_.running()) << "closing the second copy ended the first";
    EXPECT_TRUE(IsWindowVisible(window_));
}

}  // namespace
}  // namespace kelvane::e2e
