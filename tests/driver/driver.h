// Drives copies of the real kelvane.exe from a second process, as the user's system sees
// them: finds the window by its title and its controls by the expected layout, waits until
// the program is ready for the user, reads controls and message boxes from outside, sends keys
// and clicks, and waits for the process to end. Every wait watches a condition and has a
// deadline; nothing here throws. A started process that is still running when its owner goes
// is ended by handle. The end-to-end tests, the benchmark and the screenshot helper use it.
#pragma once

#include "expected_layout.h"

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelvane::e2e {

inline constexpr DWORD kWaitMs = 10000;
inline constexpr DWORD kPollMs = 5;

// Asks condition every pollMs milliseconds (0: again at once) until it holds, or until
// timeoutMs have passed; true when it held.
bool waitUntil(const std::function<bool()>& condition, DWORD timeoutMs = kWaitMs,
               DWORD pollMs = kPollMs);

// A started program as the user meets it: its main window shown, every control of the
// expected layout in its place, and the keyboard focus on the large box 编辑框_Host. (Right
// after the window is activated the focus is on the window itself for a moment, until the
// window hands it on.)
struct ReadyWindow {
    HWND window = nullptr;
    MainWindowControls controls{};
    std::string problem;  // what was not so at the deadline; empty once ready
    bool ready() const { return problem.empty(); }
};

// The built kelvane.exe, as a Windows path (Z:\... under Wine).
std::wstring builtProgramPath();

// A fresh folder of its own under the temporary folder with a copy of kelvane.exe in it, so
// that Host_Bak and the current directory of each run are the run's own. Removed with all
// its files on destruction.
class ProgramFolder {
public:
    ProgramFolder();
    ProgramFolder(const ProgramFolder&) = delete;
    ProgramFolder& operator=(const ProgramFolder&) = delete;
    ~ProgramFolder();

    bool ok() const { return ok_; }
    const std::wstring& path() const { return path_; }
    std::wstring exePath() const { return file(L"kelvane.exe"); }
    std::wstring file(std::wstring_view name) const;

private:
    std::wstring path_;
    bool ok_ = false;
};

// One running copy of the program.
class Program {
public:
    Program() = default;
    Program(Program&& other) noexcept;
    Program& operator=(Program&& other) noexcept;
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;
    ~Program();  // ends a process still running, by its handle

    // Starts exePath with its own folder as the working directory.
    bool start(const std::wstring& exePath, const std::wstring& arguments = L"");
    // Takes over a copy started by another process (one on another desktop, say).
    bool adopt(DWORD processId);

    // This process's visible main window, found by its exact title; nullptr on timeout.
    HWND waitForWindow(DWORD timeoutMs = kWaitMs);
    // Waits until this process's window is ready for the user (see ReadyWindow); gives up
    // early when the process ends.
    ReadyWindow waitUntilReady(DWORD timeoutMs = kWaitMs);
    // The exit code once the process has ended; nothing on timeout.
    std::optional<DWORD> waitForExit(DWORD timeoutMs = kWaitMs);
    bool running() const;
    DWORD id() const { return id_; }
    HANDLE handle() const { return process_; }
    void end();  // TerminateProcess and wait

private:
    HANDLE process_ = nullptr;
    DWORD id_ = 0;
};

// Top-level windows of a process with exactly this title, any class, visible or not.
std::vector<HWND> topLevelWindows(DWORD processId, std::wstring_view title);
// The visible main window of this process (0: of any process); nullptr when there is none.
HWND mainWindowOf(DWORD processId);
// Waits until a copy's window is ready for the user (see ReadyWindow): the copy of this
// process, or with 0 one started by somebody else.
ReadyWindow waitUntilReady(DWORD processId, DWORD timeoutMs = kWaitMs);

// A copy of the program on a Wine desktop of its own, whose screen has the given size
// (explorer /desktop=name,WxH): the way to give the program a screen of another size than the
// test's. Wine only.
class ProgramOnOwnDesktop {
public:
    ProgramOnOwnDesktop(const std::wstring& exePath, int screenWidth, int screenHeight);
    ProgramOnOwnDesktop(const ProgramOnOwnDesktop&) = delete;
    ProgramOnOwnDesktop& operator=(const ProgramOnOwnDesktop&) = delete;
    ~ProgramOnOwnDesktop();  // ends the program even when its window never showed
    // The program's main window there; nullptr on timeout.
    HWND waitForWindow(DWORD timeoutMs = kWaitMs);
    Program& program() { return program_; }

private:
    std::wstring desktop_;
    Program explorer_;  // the desktop's own process, which starts the program
    Program program_;
};

// ---- Reading windows from outside

std::wstring className(HWND window);
// GetWindowTextW: titles, buttons and statics (it gives "" for another process's edits).
std::wstring windowText(HWND window);
// The text of an edit control of another process (WM_GETTEXT); nothing on timeout.
std::optional<std::wstring> editText(HWND edit, DWORD timeoutMs = kWaitMs);
// Replaces an edit control's text (WM_SETTEXT), as a paste of the whole text would.
bool setEditText(HWND edit, const std::wstring& text, DWORD timeoutMs = kWaitMs);
// The window's rectangle relative to its parent's client area.
RECT rectInParent(HWND child);
RECT outerRect(HWND window);
LONG style(HWND window);
LONG exStyle(HWND window);

// The child of parent with this class (compared without case) at exactly this rectangle in
// parent's client area; nullptr when there is none.
HWND findChild(HWND parent, std::wstring_view className, RECT rectInParent);

// The main window's eleven controls, each found by its class and rectangle in the expected
// layout; nullptr for a missing one.
MainWindowControls findControls(HWND mainWindow);
// The name of the first control that findControls did not find; nullptr when it found all.
const char* missingControl(const MainWindowControls& controls);

// Keyboard focus and active window of the thread that owns window.
HWND focusOf(HWND window);
HWND activeOf(HWND window);
// Who that is, for messages: a control's name, "the main window itself", "nobody", ...
std::string describeWindow(HWND which, HWND mainWindow, const MainWindowControls& controls);

// The number of characters an edit control of another process holds; nothing when it does not
// answer in time. The answer comes only once the program's thread takes messages again.
std::optional<int> textLength(HWND edit, DWORD timeoutMs = kWaitMs);

// Waits until the window's thread has handled everything sent or posted to it before, and
// neither the window nor any of its children has anything left to paint.
bool waitUntilDrawn(HWND window, DWORD timeoutMs = kWaitMs);

// The pixels the screen shows in this rectangle (screen coordinates), row by row, as
// COLORREF values. The window must be on top and painted.
std::vector<COLORREF> screenPixels(RECT area);

// ---- Input

// Makes window the foreground window and waits until it is.
bool bringToFront(HWND window);

struct Key {
    WORD virtualKey;
    bool shift = false;
    bool ctrl = false;
    bool alt = false;
};
// Brings window to the front and presses and releases the key with its modifiers through
// SendInput (the only way the target sees real modifier state).
bool pressKey(HWND window, Key key);
// Types the text as Unicode characters (VK_PACKET) into whatever has the focus.
bool typeText(HWND window, std::wstring_view text);
// Clicks a button without waiting for what its click runs (BM_CLICK, posted).
bool click(HWND button);
// The window menu's Close, as the Close button of the title bar sends it.
bool closeByTitleBar(HWND window);

// ---- Message boxes and dialogs

// Visible #32770 dialogs owned by owner.
std::vector<HWND> dialogsOwnedBy(HWND owner);
// The first #32770 owned by owner from the moment it is made, before it is laid out and
// shown; nullptr when there is none. One request to the window server in the usual case.
HWND dialogMadeFor(HWND owner);
// The first visible #32770 owned by owner; nullptr on timeout.
HWND waitForDialog(HWND owner, DWORD timeoutMs = kWaitMs);
// Visible top-level #32770 dialogs of a process, owned or not (the shell's copy dialogs have
// no owner).
std::vector<HWND> dialogsOfProcess(DWORD processId);
HWND waitForProcessDialog(DWORD processId, DWORD timeoutMs = kWaitMs);

struct MessageBoxContent {
    std::wstring caption;
    std::wstring text;  // the static with id 0xFFFF
    bool hasIcon;       // the icon static (id 1088) holds an icon
};
MessageBoxContent readMessageBox(HWND box);
// The text alone; "" while the box is still being laid out.
std::wstring messageBoxText(HWND box);
// Which of the system's icons the box shows (IDI_ERROR, IDI_WARNING, IDI_INFORMATION,
// IDI_QUESTION), told by drawing each beside the box's own: icon handles of another process
// cannot be read. nullptr when it shows none or none matches.
LPCWSTR messageBoxIcon(HWND box);
// Answers the dialog with the button of this id (IDOK, IDYES, ...) and waits until it has
// been destroyed.
bool answerDialog(HWND dialog, int buttonId, DWORD timeoutMs = kWaitMs);

// ---- Files

// The hosts file of the prefix: the system folder + \drivers\etc\hosts.
std::wstring hostsFilePath();
std::optional<std::string> fileBytes(const std::wstring& path);
bool writeFileBytes(const std::wstring& path, std::string_view bytes);

// The prefix's hosts file as a test found it: its bytes, or its absence, come back when this
// ends, whatever the test did to the file or to its attributes.
class KeptHostsFile {
public:
    KeptHostsFile();
    ~KeptHostsFile();
    KeptHostsFile(const KeptHostsFile&) = delete;
    KeptHostsFile& operator=(const KeptHostsFile&) = delete;
    const std::wstring& path() const { return path_; }

private:
    std::wstring path_;
    std::optional<std::string> original_;
};

// The bytes of text in this process's ANSI code page, which is also the program's; a lone
// U+DC00 + b stands for the byte b, as the program's boxes carry bytes that do not decode.
std::string ansiBytes(std::wstring_view text);
std::wstring fromAnsi(std::string_view bytes);
// UTF-8, as the driver's messages are written, in UTF-16, and back.
std::wstring widen(std::string_view utf8);
std::string narrow(std::wstring_view text);

// A path the build gives (a Unix path when the build ran on Linux) as this process reaches it:
// under Wine through drive Z:, with backslashes.
std::wstring buildPathOnWindows(std::string_view buildPath);

}  // namespace kelvane::e2e
