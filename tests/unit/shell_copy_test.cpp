#include "fake_platform.h"

#include "hosts/hosts_store.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kelvane {
namespace {

using namespace std::string_literals;
using Log = std::vector<std::string>;

TEST(ShellCopy, NoSourceGivesZeroAndTouchesNothing) {
    fake::FakePlatform platform;
    platform.windows = {fake::Window{}};
    platform.active = platform.foreground = fake::FakePlatform::windowHandle(0);
    EXPECT_EQ(0, shellCopy(L"D:\\Host_Bak", {}));
    EXPECT_EQ(0, shellCopy(L"D:\\Host_Bak", {Path(), Path()}));
    EXPECT_EQ(Log(), platform.log);
}

TEST(ShellCopy, HandsTheShellDoubleZeroTerminatedLists) {
    fake::FakePlatform platform;
    EXPECT_EQ(1, shellCopy(L"D:\\\u4E2D\\Host_Bak", {L"C:\\a", Path(), L"C:\\b"}));
    EXPECT_EQ(L"C:\\a\0C:\\b\0\0"s, platform.shellSources);
    EXPECT_EQ(L"D:\\\u4E2D\\Host_Bak\0\0"s, platform.shellDestinations);
}

TEST(ShellCopy, DisablesTopLevelWindowsAroundTheShellAndRestoresThemInOrder) {
    fake::FakePlatform platform;
    const auto window = fake::FakePlatform::windowHandle;
    platform.windows = {
        fake::Window{},                                // 1: the main window
        fake::Window{true, window(0), true},           // 2: has a parent, left alone
        fake::Window{false, nullptr, true},            // 3: no longer a window
        fake::Window{true, nullptr, false},            // 4: already disabled
    };
    platform.active = window(0);
    platform.foreground = window(3);
    EXPECT_EQ(1, shellCopy(L"D:\\Host_Bak", {L"C:\\hosts"}));
    const Log expected = {
        "active", "isWindow 1", "foreground", "windows",
        "isWindow 1", "parent 1", "enabled? 1", "enable 1 0",
        "isWindow 2", "parent 2",
        "isWindow 3",
        "isWindow 4", "parent 4", "enabled? 4", "enable 4 0",
        "shell",
        "enable 1 1", "enable 4 0",
        "isWindow 4", "setForeground 4",
        "isWindow 1", "setActive 1",
    };
    EXPECT_EQ(expected, platform.log);
    EXPECT_TRUE(platform.windows[0].enabled);
    EXPECT_FALSE(platform.windows[3].enabled);
}

TEST(ShellCopy, WindowsThatAreGoneOrNoneAreNotRestoredToTheFront) {
    fake::FakePlatform platform;
    platform.windows = {fake::Window{false, nullptr, true}};
    platform.active = fake::FakePlatform::windowHandle(0);  // not a window any more
    platform.foreground = nullptr;
    EXPECT_EQ(1, shellCopy(L"D:\\Host_Bak", {L"C:\\hosts"}));
    const Log expected = {"active", "isWindow 1", "foreground", "windows", "isWindow 1", "shell"};
    EXPECT_EQ(expected, platform.log);
}

TEST(ShellCopy, OneOnlyWhenTheShellFinishedWithNothingAborted) {
    struct Case {
        ShellCopyOutcome outcome;
        int expected;
    };
    const Case cases[] = {
        {{0, false}, 1},
        {{0, true}, 0},       // the user declined part of it
        {{1223, true}, 0},    // cancelled at the replace question
        {{0x402, false}, 0},  // the source is missing
    };
    for (const Case& c : cases) {
        fake::FakePlatform platform;
        platform.windows = {fake::Window{}};
        platform.shellOutcome = c.outcome;
        EXPECT_EQ(c.expected, shellCopy(L"D:\\Host_Bak", {L"C:\\hosts"}))
            << "status " << c.outcome.status << ", aborted " << c.outcome.aborted;
        EXPECT_TRUE(platform.windows[0].enabled) << "status " << c.outcome.status;
    }
}

}  // namespace
}  // namespace kelvane
