// Save cut short: the real kelvane.exe is ended by TerminateProcess (what End Task, a crash or
// a power cut do to it) at random moments over the whole length of a Save, again and again.
// Whenever it ends, the hosts file must be the whole old file or the whole new one.
#include "driver.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace kelvane::e2e {
namespace {

constexpr int kKills = 50;
constexpr wchar_t kSaved[] = L"Host 修改成功";
constexpr wchar_t kTempPrefix[] = L"kelvane-save-";

// Hosts-like lines numbered from 0, about `size` bytes of them.
std::string hostsLines(const char* format, std::size_t size) {
    std::string text;
    char line[64];
    for (int n = 0; text.size() < size; ++n) {
        const int length = std::snprintf(line, sizeof line, format, n);
        text.append(line, static_cast<std::size_t>(length));
    }
    return text;
}

std::wstring folderOf(const std::wstring& path) {
    return path.substr(0, path.rfind(L'\\'));
}

// The names of our temporary files in the folder.
std::vector<std::wstring> saveTemps(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    const HANDLE find = FindFirstFileW((folder + L"\\" + kTempPrefix + L"*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        names.emplace_back(found.cFileName);
    } while (FindNextFileW(find, &found));
    FindClose(find);
    return names;
}

// Seconds since some fixed moment, to the microsecond.
double now() {
    LARGE_INTEGER frequency;
    LARGE_INTEGER counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Waits until `seconds` after `start` without giving up the processor, for a kill that lands
// where it was meant to.
void spinUntil(double start, double seconds) {
    while (now() - start < seconds) {
    }
}

class SaveFaults : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder_.ok());
    }

    void TearDown() override {
        program_.end();
        for (const std::wstring& name : saveTemps(folderOf(hostsPath_))) {
            DeleteFileW((folderOf(hostsPath_) + L"\\" + name).c_str());
        }
    }

    // A fresh copy of the program with `text` in its large box, the old bytes in the hosts
    // file, and the Save button at hand.
    void startWithText(const std::wstring& text, const std::string& old) {
        ASSERT_TRUE(program_.start(folder_.exePath()));
        window_ = program_.waitForWindow();
        ASSERT_NE(nullptr, window_) << "no window titled Kelvane 1.0 By 【Tamrel】";
        controls_ = findControls(window_);
        ASSERT_NE(nullptr, controls_.hostBox);
        ASSERT_NE(nullptr, controls_.save);
        ASSERT_TRUE(setEditText(controls_.hostBox, text, 60000));
        ASSERT_TRUE(writeFileBytes(hostsPath_, old));
    }

    KeptHostsFile kept_;
    const std::wstring hostsPath_ = kept_.path();
    ProgramFolder folder_;
    Program program_;
    HWND window_ = nullptr;
    MainWindowControls controls_{};
};

TEST_F(SaveFaults, AKillAtAnyMomentOfASaveLeavesTheWholeOldOrTheWholeNewFile) {
    const std::string oldBytes = hostsLines("0.0.0.0 old-%07d.example.com\r\n", 1 << 20);
    const std::string newBytes = hostsLines("127.0.0.1\tnew-%07d.example.net\r\n", 512 << 10);
    const std::wstring newText = fromAnsi(newBytes);

    // One whole Save first, to learn how long one takes here: the kills are spread over it.
    startWithText(newText, oldBytes);
    if (HasFatalFailure()) return;
    const double clicked = now();
    ASSERT_TRUE(click(controls_.save));
    HWND box = waitForDialog(window_, 30000);
    const double saveSeconds = now() - clicked;
    ASSERT_NE(nullptr, box) << "no message after Save";
    ASSERT_EQ(std::wstring(kSaved), readMessageBox(box).text);
    ASSERT_EQ(newBytes, fileBytes(hostsPath_)) << "an uncut Save did not write the box";
    program_.end();

    std::mt19937 random(std::random_device{}());
    std::uniform_real_distribution<double> moment(0.0, saveSeconds * 1.2);
    int keptOld = 0;
    int tookNew = 0;
    int lost = 0;
    int leftTemps = 0;
    for (int kill = 0; kill < kKills; ++kill) {
        startWithText(newText, oldBytes);
        if (HasFatalFailure()) return;
        const double delay = moment(random);
        const double start = now();
        ASSERT_TRUE(click(controls_.save));
        spinUntil(start, delay);
        program_.end();

        const std::optional<std::string> after = fileBytes(hostsPath_);
        if (after == oldBytes) {
            ++keptOld;
        } else if (after == newBytes) {
            ++tookNew;
        } else {
            ++lost;
            ADD_FAILURE() << "kill " << kill << " after " << delay * 1000 << " ms: expected the old ("
                          << oldBytes.size() << " bytes) or the new (" << newBytes.size()
                          << " bytes) file, got "
                          << (after ? std::to_string(after->size()) + " other bytes" : "no file");
            ASSERT_TRUE(writeFileBytes(hostsPath_, oldBytes));
        }
        if (!saveTemps(folderOf(hostsPath_)).empty()) ++leftTemps;
    }
    std::printf("kills: %d over %.1f ms saves; old file kept %d, new file whole %d, lost %d; "
                "a temporary file left by %d\n",
                kKills, saveSeconds * 1000, keptOld, tookNew, lost, leftTemps);
    EXPECT_EQ(0, lost);

    // The next Save clears up what the kills left and succeeds.
    startWithText(newText, oldBytes);
    if (HasFatalFailure()) return;
    ASSERT_TRUE(click(controls_.save));
    box = waitForDialog(window_, 30000);
    ASSERT_NE(nullptr, box) << "no message after Save";
    EXPECT_EQ(std::wstring(kSaved), readMessageBox(box).text);
    EXPECT_EQ(newBytes, fileBytes(hostsPath_));
    const std::vector<std::wstring> temps = saveTemps(folderOf(hostsPath_));
    EXPECT_TRUE(temps.empty()) << "expected no temporary file after a Save, got " << temps.size();
}

}  // namespace
}  // namespace kelvane::e2e
