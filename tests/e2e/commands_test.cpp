// The eight buttons seen from outside: a real kelvane.exe per test works on the prefix's real
// hosts file, and the test checks that file byte for byte.
#include "driver.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kelvane::e2e {
namespace {

constexpr wchar_t kCaption[] = L"Kelvane";
constexpr wchar_t kSaved[] = L"Host 修改成功";
constexpr wchar_t kNotSaved[] = L"Host 保存失败";
constexpr wchar_t kZeroByteWarning[] =
    L"Host 文件中含有空字节，只读取了它之前的内容。保存将丢弃其后的部分。";
constexpr wchar_t kFirstEntry[] = L"\r\n127.0.0.1\twww.***.com";

// Printable form of bytes for failure messages.
std::string shown(const std::optional<std::string>& bytes) {
    if (!bytes) return "<no file>";
    std::string out;
    for (unsigned char c : *bytes) {
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            out.push_back(static_cast<char>(c));
        } else {
            static const char digits[] = "0123456789abcdef";
            out += "\\x";
            out.push_back(digits[c >> 4]);
            out.push_back(digits[c & 15]);
        }
    }
    return out;
}

bool fileExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

class CommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder_.ok());
        ASSERT_TRUE(program_.start(folder_.exePath()));
        const ReadyWindow ready = program_.waitUntilReady();
        ASSERT_TRUE(ready.ready()) << "after start-up: " << ready.problem;
        window_ = ready.window;
        c_ = ready.controls;
    }

    void TearDown() override {
        program_.end();
    }

    // Clicks and waits until the command has returned; false when it did not return in time,
    // which is what a message box or dialog it left up looks like.
    bool clickAndFinish(HWND button, DWORD timeoutMs = 20000) {
        DWORD_PTR ignored = 0;
        return SendMessageTimeoutW(button, BM_CLICK, 0, 0, SMTO_NORMAL, timeoutMs, &ignored) != 0;
    }

    // Clicks and waits for the message box that the command shows.
    HWND clickForMessage(HWND button) {
        if (!click(button)) return nullptr;
        return waitForDialog(window_, 20000);
    }

    std::wstring boxText(HWND box) { return editText(box).value_or(L"<no answer>"); }
    std::string boxBytes(HWND box) { return ansiBytes(boxText(box)); }

    void putHostsFile(const std::string& bytes) {
        ASSERT_TRUE(writeFileBytes(hostsPath_, bytes));
    }

    KeptHostsFile kept_;
    const std::wstring hostsPath_ = kept_.path();
    ProgramFolder folder_;
    Program program_;
    HWND window_ = nullptr;
    MainWindowControls c_{};
};

// ---- Read

struct ReadCase {
    const char* what;
    std::string file;  // "" with missing: no hosts file at all
    bool missing;
    std::string expectedBox;
};

class ReadTest : public CommandTest, public ::testing::WithParamInterface<ReadCase> {};

TEST_P(ReadTest, ShowsTheFileBytesWithoutAMessage) {
    const ReadCase& rc = GetParam();
    if (rc.missing) {
        ASSERT_TRUE(DeleteFileW(hostsPath_.c_str()));
    } else {
        putHostsFile(rc.file);
    }
    ASSERT_TRUE(setEditText(c_.hostBox, L"unsaved edits"));
    ASSERT_TRUE(clickAndFinish(c_.read)) << rc.what << ": Read did not return (a message box?)";
    EXPECT_TRUE(dialogsOwnedBy(window_).empty()) << rc.what;
    EXPECT_EQ(shown(rc.expectedBox), shown(boxBytes(c_.hostBox))) << rc.what;
}

INSTANTIATE_TEST_SUITE_P(
    Files, ReadTest,
    ::testing::Values(
        ReadCase{"plain", "127.0.0.1\tlocalhost\r\n# end", false, "127.0.0.1\tlocalhost\r\n# end"},
        ReadCase{"bare LF and no final line end", "a\nb\n\nc", false, "a\nb\n\nc"},
        ReadCase{"UTF-8 with a byte-order mark and Chinese",
                 "\xEF\xBB\xBF# \xE4\xB8\xAD\xE6\x96\x87 x\r\n", false,
                 "\xEF\xBB\xBF# \xE4\xB8\xAD\xE6\x96\x87 x\r\n"},
        ReadCase{"missing file", "", true, ""},
        ReadCase{"0-byte file", "", false, ""}));

TEST_F(CommandTest, ReadOfAFileWithAZeroByteShowsThePartBeforeItAndWarns) {
    putHostsFile(std::string("127.0.0.1 a\r\n\0tail after the zero", 34));
    HWND box = clickForMessage(c_.read);
    ASSERT_NE(nullptr, box) << "no warning after reading a file with a zero byte";
    const MessageBoxContent content = readMessageBox(box);
    EXPECT_EQ(std::wstring(kCaption), content.caption);
    EXPECT_EQ(std::wstring(kZeroByteWarning), content.text);
    EXPECT_EQ(IDI_WARNING, messageBoxIcon(box));
    EXPECT_FALSE(IsWindowEnabled(window_)) << "the warning must be modal";
    EXPECT_EQ(L"127.0.0.1 a\r\n", boxText(c_.hostBox));
    ASSERT_TRUE(answerDialog(box, IDOK));
    EXPECT_TRUE(waitUntil([&] { return IsWindowEnabled(window_) != FALSE; }));

    // Saving now keeps only the part that was shown.
    HWND saved = clickForMessage(c_.save);
    ASSERT_NE(nullptr, saved);
    EXPECT_EQ(std::wstring(kSaved), readMessageBox(saved).text);
    answerDialog(saved, IDOK);
    EXPECT_EQ(shown(std::string("127.0.0.1 a\r\n")), shown(fileBytes(hostsPath_)));
}

TEST_F(CommandTest, ReadOfAFileThatStartsWithAZeroByteLeavesTheBoxEmptyAndWarns) {
    putHostsFile(std::string("\0\x31\0\x32", 4));  // "12" in UTF-16LE, as another tool might save it
    HWND box = clickForMessage(c_.read);
    ASSERT_NE(nullptr, box);
    EXPECT_EQ(std::wstring(kZeroByteWarning), readMessageBox(box).text);
    EXPECT_EQ(L"", boxText(c_.hostBox));
    answerDialog(box, IDOK);
}

// ---- Save

TEST_F(CommandTest, SaveWritesExactlyTheBoxBytesAndReportsSuccess) {
    const std::wstring text = L"# mine\r\n127.0.0.1\tlocalhost\r\n\r\n0.0.0.0 ads.example";
    ASSERT_TRUE(setEditText(c_.hostBox, text));
    HWND box = clickForMessage(c_.save);
    ASSERT_NE(nullptr, box) << "no message after Save";
    const MessageBoxContent content = readMessageBox(box);
    EXPECT_EQ(std::wstring(kCaption), content.caption);
    EXPECT_EQ(std::wstring(kSaved), content.text);
    EXPECT_FALSE(content.hasIcon) << "the success message has no icon";
    EXPECT_FALSE(IsWindowEnabled(window_)) << "the message must be modal";
    ASSERT_TRUE(answerDialog(box, IDOK));
    // No line end added, no byte-order mark, no conversion.
    EXPECT_EQ(shown(ansiBytes(text)), shown(fileBytes(hostsPath_)));
}

TEST_F(CommandTest, SaveOfAnEmptyBoxWritesAnEmptyFile) {
    putHostsFile("127.0.0.1 old\r\n");
    ASSERT_TRUE(setEditText(c_.hostBox, L""));
    HWND box = clickForMessage(c_.save);
    ASSERT_NE(nullptr, box);
    EXPECT_EQ(std::wstring(kSaved), readMessageBox(box).text);
    answerDialog(box, IDOK);
    EXPECT_EQ(shown(std::string()), shown(fileBytes(hostsPath_)));
}

enum class Obstacle { readOnly, heldOpen };

class SaveRefusedTest : public CommandTest, public ::testing::WithParamInterface<Obstacle> {};

TEST_P(SaveRefusedTest, ReportsFailureAndKeepsTheFile) {
    const std::string before = "127.0.0.1 keep me\r\n";
    putHostsFile(before);
    HANDLE held = INVALID_HANDLE_VALUE;
    if (GetParam() == Obstacle::readOnly) {
        ASSERT_TRUE(SetFileAttributesW(hostsPath_.c_str(), FILE_ATTRIBUTE_READONLY));
    } else {
        // This test's own process is "another process" to the program.
        held = CreateFileW(hostsPath_.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, held);
    }
    ASSERT_TRUE(setEditText(c_.hostBox, L"0.0.0.0 replaced"));
    HWND box = clickForMessage(c_.save);
    if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
    ASSERT_NE(nullptr, box) << "no message after a refused Save";
    const MessageBoxContent content = readMessageBox(box);
    EXPECT_EQ(std::wstring(kCaption), content.caption);
    EXPECT_EQ(std::wstring(kNotSaved), content.text);
    EXPECT_EQ(IDI_ERROR, messageBoxIcon(box));
    answerDialog(box, IDOK);
    SetFileAttributesW(hostsPath_.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(shown(before), shown(fileBytes(hostsPath_)));
}

INSTANTIATE_TEST_SUITE_P(Obstacles, SaveRefusedTest,
                         ::testing::Values(Obstacle::readOnly, Obstacle::heldOpen),
                         [](const auto& info) {
                             return info.param == Obstacle::readOnly ? "ReadOnly" : "HeldOpen";
                         });

struct RoundTrip {
    const char* what;
    std::string file;
};

class RoundTripTest : public CommandTest, public ::testing::WithParamInterface<RoundTrip> {};

TEST_P(RoundTripTest, ReadThenSaveGivesBackTheSameBytes) {
    const RoundTrip& rt = GetParam();
    putHostsFile(rt.file);
    ASSERT_TRUE(clickAndFinish(c_.read));
    putHostsFile("overwritten meanwhile");
    HWND box = clickForMessage(c_.save);
    ASSERT_NE(nullptr, box) << rt.what;
    EXPECT_EQ(std::wstring(kSaved), readMessageBox(box).text) << rt.what;
    answerDialog(box, IDOK);
    EXPECT_EQ(shown(rt.file), shown(fileBytes(hostsPath_))) << rt.what;
}

INSTANTIATE_TEST_SUITE_P(
    Files, RoundTripTest,
    ::testing::Values(
        RoundTrip{"UTF-8 with Chinese comments",
                  "# \xE6\x9C\xAC\xE6\x9C\xBA\xE5\x9F\x9F\xE5\x90\x8D\r\n"
                  "127.0.0.1 localhost # \xE4\xB8\xAD x\r\n::1 localhost"},
        RoundTrip{"GBK with Chinese comments",
                  "# \xB1\xBE\xBB\xFA\r\n127.0.0.1 localhost # \xD6\xD0\xCE\xC4\r\n"},
        RoundTrip{"bytes invalid in the code page",
                  "a\x80\x81\x8D\x8F\x90\x9D\xA0\xFE\xFF x\r\n\x81\r\n\xFF\x30 \x81"}));

// ---- Initialize, Clear

TEST_F(CommandTest, InitializeThenSaveWritesTheTemplate) {
    ASSERT_TRUE(clickAndFinish(c_.initialize));
    const std::string shownTemplate = boxBytes(c_.hostBox);
    HWND box = clickForMessage(c_.save);
    ASSERT_NE(nullptr, box);
    answerDialog(box, IDOK);
    const std::optional<std::string> file = fileBytes(hostsPath_);
    ASSERT_TRUE(file);
    EXPECT_EQ(shown(shownTemplate), shown(*file));
    EXPECT_EQ(807u, file->size());
    // 23 lines, each a comment or empty, each ending in CR LF.
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = file->find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(file->substr(start, end - start));
    }
    EXPECT_EQ(file->size(), start) << "the template ends in CR LF";
    ASSERT_EQ(23u, lines.size());
    for (const std::string& line : lines) {
        EXPECT_TRUE(line.empty() || line[0] == '#') << "not a comment: " << shown(line);
    }
    EXPECT_EQ("# ::1 localhost", lines.back());
}

TEST_F(CommandTest, ClearEmptiesTheBoxAndLeavesTheFile) {
    putHostsFile("127.0.0.1 stays\r\n");
    ASSERT_TRUE(setEditText(c_.hostBox, L"something"));
    ASSERT_TRUE(clickAndFinish(c_.clear));
    EXPECT_EQ(L"", boxText(c_.hostBox));
    EXPECT_EQ(shown(std::string("127.0.0.1 stays\r\n")), shown(fileBytes(hostsPath_)));
}

// ---- Add

struct AddCase {
    const char* what;
    const wchar_t* before;
    const wchar_t* address;  // nullptr: the box's first text
    const wchar_t* name;
    int clicks;
    const wchar_t* after;
};

class AddTest : public CommandTest, public ::testing::WithParamInterface<AddCase> {};

TEST_P(AddTest, AppendsOneEntryLinePerClick) {
    const AddCase& ac = GetParam();
    ASSERT_TRUE(setEditText(c_.hostBox, ac.before));
    if (ac.address) {
        ASSERT_TRUE(setEditText(c_.addressBox, ac.address));
    }
    if (ac.name) {
        ASSERT_TRUE(setEditText(c_.nameBox, ac.name));
    }
    const std::wstring address = boxText(c_.addressBox);
    const std::wstring name = boxText(c_.nameBox);
    for (int i = 0; i < ac.clicks; ++i) ASSERT_TRUE(clickAndFinish(c_.add)) << ac.what;
    EXPECT_EQ(std::wstring(ac.after), boxText(c_.hostBox)) << ac.what;
    EXPECT_EQ(address, boxText(c_.addressBox)) << ac.what << ": the address box changed";
    EXPECT_EQ(name, boxText(c_.nameBox)) << ac.what << ": the name box changed";
}

INSTANTIATE_TEST_SUITE_P(
    Entries, AddTest,
    ::testing::Values(
        AddCase{"first texts into an empty box", L"", nullptr, nullptr, 1, kFirstEntry},
        AddCase{"twice", L"", nullptr, nullptr, 2,
                L"\r\n127.0.0.1\twww.***.com\r\n127.0.0.1\twww.***.com"},
        AddCase{"after a line end", L"# top\r\n", nullptr, nullptr, 1,
                L"# top\r\n\r\n127.0.0.1\twww.***.com"},
        AddCase{"exactly as typed", L"x", L" 10.0.0.1 ", L"a b.example ", 1,
                L"x\r\n 10.0.0.1 \ta b.example "},
        AddCase{"empty boxes", L"x", L"", L"", 1, L"x\r\n\t"}));

// ---- Backup

class BackupTest : public CommandTest {
protected:
    std::wstring backupPath() { return folder_.file(L"Host_Bak"); }

    // Clicks Backup and waits for the shell's question, which has no owner.
    HWND clickForShellDialog() {
        if (!click(c_.backup)) return nullptr;
        return waitForProcessDialog(program_.id(), 20000);
    }

    void expectWindowRestored() {
        EXPECT_TRUE(waitUntil([&] { return IsWindowEnabled(window_) != FALSE; }))
            << "the window stays disabled after the copy";
        EXPECT_TRUE(waitUntil([&] { return GetForegroundWindow() == window_; }))
            << "expected the main window in the foreground, got " << GetForegroundWindow();
        EXPECT_EQ(window_, activeOf(window_));
    }
};

TEST_F(BackupTest, CopiesTheHostsFileBesideTheProgram) {
    const std::string hosts = "127.0.0.1 backed up\r\n\x81\xFF";
    putHostsFile(hosts);
    ASSERT_FALSE(fileExists(backupPath()));
    ASSERT_TRUE(clickAndFinish(c_.backup));
    EXPECT_EQ(shown(hosts), shown(fileBytes(backupPath())));
    EXPECT_TRUE(dialogsOwnedBy(window_).empty()) << "Backup shows no message of its own";
}

struct ReplaceAnswer {
    const char* what;
    int button;
    bool replaced;
};

class BackupReplaceTest : public BackupTest, public ::testing::WithParamInterface<ReplaceAnswer> {};

TEST_P(BackupReplaceTest, AsksBeforeReplacingAnOldBackup) {
    const ReplaceAnswer& ra = GetParam();
    const std::string hosts = "127.0.0.1 new\r\n";
    const std::string old = "127.0.0.1 old backup\r\n";
    putHostsFile(hosts);
    ASSERT_TRUE(writeFileBytes(backupPath(), old));
    ASSERT_TRUE(bringToFront(window_));

    HWND question = clickForShellDialog();
    ASSERT_NE(nullptr, question) << "the shell did not ask before replacing Host_Bak";
    EXPECT_FALSE(IsWindowEnabled(window_)) << "the main window must be disabled during the copy";
    ASSERT_TRUE(answerDialog(question, ra.button)) << ra.what;

    EXPECT_TRUE(waitUntil([&] { return fileBytes(backupPath()) == (ra.replaced ? hosts : old); }));
    EXPECT_EQ(shown(ra.replaced ? hosts : old), shown(fileBytes(backupPath()))) << ra.what;
    expectWindowRestored();
    EXPECT_TRUE(dialogsOwnedBy(window_).empty()) << "Backup shows no message of its own";
}

INSTANTIATE_TEST_SUITE_P(Answers, BackupReplaceTest,
                         ::testing::Values(ReplaceAnswer{"yes", IDYES, true},
                                           ReplaceAnswer{"no", IDNO, false}),
                         [](const auto& info) { return std::string(info.param.what); });

TEST_F(BackupTest, OfAMissingHostsFileMakesNoBackup) {
    ASSERT_TRUE(DeleteFileW(hostsPath_.c_str()));
    // Wine's shell fails at once without a dialog of its own; Windows shows its error first.
    if (!clickAndFinish(c_.backup, 3000)) {
        HWND error = waitForProcessDialog(program_.id());
        ASSERT_NE(nullptr, error) << "Backup neither returned nor showed the shell's error";
        PostMessageW(error, WM_CLOSE, 0, 0);
    }
    EXPECT_FALSE(fileExists(backupPath()));
    EXPECT_TRUE(waitUntil([&] { return IsWindowEnabled(window_) != FALSE; }));
    EXPECT_TRUE(dialogsOwnedBy(window_).empty()) << "Backup shows no message of its own";
}

// ---- Get Host, Donate

// Wine hands web addresses to the programs named in this registry value; the test's recorder
// writes each address it is given to a log beside itself.
class WebLinkTest : public CommandTest {
protected:
    void SetUp() override {
        if (!GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version")) {
            GTEST_SKIP() << "the browser hand-off is observed through Wine's browser setting";
        }
        recorder_ = KELVANE_BROWSER_RECORDER;
        log_ = L"Z:";
        for (char c : recorder_ + ".log") log_.push_back(c == '/' ? L'\\' : static_cast<wchar_t>(c));
        DeleteFileW(log_.c_str());
        ASSERT_EQ(ERROR_SUCCESS,
                  RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\Wine\\WineBrowser", "Browsers",
                                  REG_SZ, recorder_.c_str(),
                                  static_cast<DWORD>(recorder_.size() + 1)));
        CommandTest::SetUp();
    }

    void TearDown() override {
        CommandTest::TearDown();
        RegDeleteKeyValueA(HKEY_CURRENT_USER, "Software\\Wine\\WineBrowser", "Browsers");
        DeleteFileW(log_.c_str());
    }

    std::string recorder_;
    std::wstring log_;
};

TEST_F(WebLinkTest, GetHostAndDonateHandTheirAddressesToTheBrowser) {
    const std::string host = "http://kelvane.example/?host\n";
    const std::string donate = "http://kelvane.example/?donate\n";
    ASSERT_TRUE(clickAndFinish(c_.getHost, 5000)) << "Get Host waited for something";
    EXPECT_TRUE(waitUntil([&] { return fileBytes(log_) == host; }, 20000));
    EXPECT_EQ(shown(host), shown(fileBytes(log_)));

    ASSERT_TRUE(clickAndFinish(c_.donate, 5000)) << "Donate waited for something";
    EXPECT_TRUE(waitUntil([&] { return fileBytes(log_) == host + donate; }, 20000));
    EXPECT_EQ(shown(host + donate), shown(fileBytes(log_)));

    // Still answering, and nothing of its own shown.
    ASSERT_TRUE(setEditText(c_.hostBox, L"still here", 2000));
    EXPECT_EQ(L"still here", boxText(c_.hostBox));
    EXPECT_TRUE(dialogsOwnedBy(window_).empty());
}

}  // namespace
}  // namespace kelvane::e2e
