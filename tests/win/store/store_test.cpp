#include "win_files.h"

#include "hosts/hosts_store.h"
#include "hosts/platform.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <optional>
#include <string>
#include <vector>

namespace kelvane {
namespace {

using namespace std::string_literals;
using Names = std::vector<std::wstring>;
using winfiles::TempFolder;

const std::string kOld = "127.0.0.1\tlocalhost\r\n\0old"s;

std::string everyByteValue() {
    std::string bytes;
    for (int round = 0; round < 2; ++round) {
        for (int value = 0; value < 256; ++value) bytes.push_back(static_cast<char>(value));
    }
    return bytes;
}

class StoreFiles : public ::testing::Test {
protected:
    void SetUp() override {
        hosts = folder / L"hosts";
        ASSERT_TRUE(winfiles::writeRaw(hosts, kOld));
    }

    // A save that must fail and leave the hosts file and its folder exactly as they were.
    void expectRefused(std::string_view data, const char* what) {
        EXPECT_EQ(0, writeFileBytes(hosts, {data})) << what;
        EXPECT_EQ(kOld, winfiles::readRaw(hosts)) << what;
        EXPECT_EQ(Names{L"hosts"}, winfiles::listFolder(folder.path())) << what;
    }

    TempFolder folder;
    Path hosts;
};

TEST_F(StoreFiles, EveryByteValueSurvivesWriteThenRead) {
    const std::string bytes = everyByteValue();
    const Path fresh = folder / L"fresh";
    EXPECT_EQ(1, writeFileBytes(fresh, {bytes}));
    EXPECT_EQ(bytes, winfiles::readRaw(fresh));
    EXPECT_EQ(bytes, readFileBytes(fresh));

    EXPECT_EQ(1, writeFileBytes(hosts, {bytes.substr(0, 100), "", bytes.substr(100)}));
    EXPECT_EQ(bytes, winfiles::readRaw(hosts));
    EXPECT_EQ((Names{L"fresh", L"hosts"}), winfiles::listFolder(folder.path()));
}

TEST_F(StoreFiles, TheEmptyByteStringGivesAZeroByteFile) {
    EXPECT_EQ(1, writeFileBytes(hosts, {emptyByteString()}));
    EXPECT_EQ(""s, winfiles::readRaw(hosts));
    EXPECT_EQ(std::nullopt, readFileBytes(hosts));
}

TEST_F(StoreFiles, MissingAndEmptyFilesReadAsAbsent) {
    ASSERT_TRUE(winfiles::writeRaw(folder / L"empty", ""));
    EXPECT_EQ(std::nullopt, readFileBytes(folder / L"missing"));
    EXPECT_EQ(std::nullopt, readFileBytes(folder / L"empty"));
    EXPECT_EQ(std::nullopt, readFileBytes(folder.path()));
}

TEST_F(StoreFiles, AMissingFolderGivesZeroAndCreatesNothing) {
    EXPECT_EQ(0, writeFileBytes(folder / L"missing\\hosts", {"x"}));
    EXPECT_EQ(Names{L"hosts"}, winfiles::listFolder(folder.path()));
}

TEST_F(StoreFiles, AReadOnlyFileIsRefused) {
    ASSERT_TRUE(SetFileAttributesW(hosts.c_str(), FILE_ATTRIBUTE_READONLY));
    expectRefused("new", "read-only");
    EXPECT_TRUE(GetFileAttributesW(hosts.c_str()) & FILE_ATTRIBUTE_READONLY);
}

TEST_F(StoreFiles, SavingKeepsTheFilesAttributes) {
    const DWORD kept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
    ASSERT_TRUE(SetFileAttributesW(hosts.c_str(), kept));
    ASSERT_EQ(kept, GetFileAttributesW(hosts.c_str()));
    EXPECT_EQ(1, writeFileBytes(hosts, {"new"}));
    EXPECT_EQ("new"s, winfiles::readRaw(hosts));
    EXPECT_EQ(kept, GetFileAttributesW(hosts.c_str()) & (kept | FILE_ATTRIBUTE_READONLY));
}

TEST_F(StoreFiles, AFileHeldWithoutSharingThroughoutIsLeftAloneWithinTheBound) {
    {
        winfiles::HeldFile held(hosts, true);
        ASSERT_TRUE(held.holding());
        const ULONGLONG start = GetTickCount64();
        EXPECT_EQ(0, writeFileBytes(hosts, {"new"}));
        const ULONGLONG took = GetTickCount64() - start;
        EXPECT_LT(took, 3000u) << "expected the answer within 3 s, got it after " << took << " ms";
        EXPECT_GE(took, 500u) << "expected the hold to be waited on, gave up after " << took << " ms";
        EXPECT_EQ(std::nullopt, readFileBytes(hosts));
    }
    EXPECT_EQ(kOld, winfiles::readRaw(hosts));
    EXPECT_EQ(Names{L"hosts"}, winfiles::listFolder(folder.path()));
}

// A scanner or indexer opening the file right after a change holds it for a moment.
TEST_F(StoreFiles, AShortHoldByAnotherProcessIsWaitedOut) {
    for (DWORD holdMs : {150u, 400u, 800u}) {
        for (bool exclusive : {true, false}) {
            ASSERT_TRUE(winfiles::writeRaw(hosts, kOld));
            winfiles::HeldFile held(hosts, exclusive, holdMs);
            ASSERT_TRUE(held.holding());
            const std::string what = std::to_string(holdMs) + " ms, " + (exclusive ? "exclusive" : "reading");
            EXPECT_EQ(1, writeFileBytes(hosts, {"new bytes"})) << what;
            EXPECT_EQ("new bytes"s, winfiles::readRaw(hosts)) << what;
            EXPECT_EQ(Names{L"hosts"}, winfiles::listFolder(folder.path())) << what;
        }
    }
}

// The security descriptor in SDDL, owner and DACL, as the platform reports it.
std::wstring securityOf(const Path& path) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT,
                              OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, nullptr,
                              nullptr, nullptr, nullptr, &descriptor) != ERROR_SUCCESS) {
        return L"<unreadable>";
    }
    LPWSTR text = nullptr;
    std::wstring result = L"<unconvertible>";
    if (ConvertSecurityDescriptorToStringSecurityDescriptorW(
            descriptor, SDDL_REVISION_1, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
            &text, nullptr)) {
        result = text;
        LocalFree(text);
    }
    LocalFree(descriptor);
    return result;
}

std::string narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end());
}

TEST_F(StoreFiles, SavingKeepsTheFilesSecurity) {
    // Full control for SYSTEM and the administrators, nothing for anybody else, nothing
    // inherited: unlike what a new file in the folder gets.
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(
        L"D:P(A;;FA;;;SY)(A;;FA;;;BA)", SDDL_REVISION_1, &descriptor, nullptr));
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL dacl = nullptr;
    ASSERT_TRUE(GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted));
    Path name = hosts;
    ASSERT_EQ(static_cast<DWORD>(ERROR_SUCCESS),
              SetNamedSecurityInfoW(&name[0], SE_FILE_OBJECT,
                                    DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                                    nullptr, nullptr, dacl, nullptr));
    LocalFree(descriptor);
    const std::wstring before = securityOf(hosts);
    ASSERT_TRUE(winfiles::writeRaw(folder / L"fresh", "x"));
    const std::wstring fresh = securityOf(folder / L"fresh");
    ASSERT_TRUE(DeleteFileW((folder / L"fresh").c_str()));
    if (fresh == before) {
        // Wine, as root on this file system, keeps no DACL: it reports one made from the Unix
        // mode, the same for every file.
        GTEST_SKIP() << "the platform keeps no DACL of a file's own here: " << narrow(before);
    }

    ASSERT_EQ(1, writeFileBytes(hosts, {"new"}));
    EXPECT_EQ("new"s, winfiles::readRaw(hosts));
    const std::wstring after = securityOf(hosts);
    EXPECT_EQ(before, after) << "expected " << narrow(before) << ", got " << narrow(after);
}

TEST_F(StoreFiles, RemovesItsOwnLeftoversButNoOtherFile) {
    const Names others = {L"hosts.bak", L"kelvane-save-notes.txt", L"lmhosts.sam"};
    for (const std::wstring& name : others) ASSERT_TRUE(winfiles::writeRaw(folder / name, "theirs"));
    ASSERT_TRUE(winfiles::writeRaw(folder / L"kelvane-save-77-1.tmp", "half a save"));
    ASSERT_TRUE(winfiles::writeRaw(folder / L"kelvane-save-78-2.tmp", "a save under way"));
    winfiles::HeldFile inUse(folder / L"kelvane-save-78-2.tmp", true);
    ASSERT_TRUE(inUse.holding());

    EXPECT_EQ(1, writeFileBytes(hosts, {"new"}));
    const Names expected = {L"hosts", L"hosts.bak", L"kelvane-save-78-2.tmp",
                            L"kelvane-save-notes.txt", L"lmhosts.sam"};
    EXPECT_EQ(expected, winfiles::listFolder(folder.path()));
    EXPECT_EQ("theirs"s, winfiles::readRaw(folder / L"hosts.bak"));
}

TEST_F(StoreFiles, AFileHeldForReadingReadsButIsNotWritten) {
    winfiles::HeldFile held(hosts, false);
    ASSERT_TRUE(held.holding());
    EXPECT_EQ(kOld, readFileBytes(hosts));
    expectRefused("new", "held for reading");
}

// Single calls of the real table made to fail; the real call still runs where a later step
// needs its effect (a failed close still closes).
const PlatformCalls& real() {
    return nativePlatformCalls();
}

// A spoiled call fails as a disk would, with an error that no other process's hold explains.
template <typename Result>
Result diskFault(Result result) {
    SetLastError(ERROR_WRITE_FAULT);
    return result;
}

TEST_F(StoreFiles, AFailingStepLeavesTheOldBytesAndNoTemporaryFile) {
    struct Case {
        const char* what;
        void (*spoil)(PlatformCalls&);
    };
    const Case cases[] = {
        {"security", [](PlatformCalls& c) {
             c.fileSecurity = [](const Path&) { return diskFault(std::optional<ByteString>()); };
         }},
        {"temp creation", [](PlatformCalls& c) {
             c.createNewFile = [](const Path&) { return diskFault(FileHandle()); };
         }},
        {"write", [](PlatformCalls& c) {
             c.writeFile = [](FileHandle, const void*, std::uint32_t, std::uint32_t& done) {
                 done = 0;
                 return diskFault(false);
             };
         }},
        {"short write", [](PlatformCalls& c) {
             c.writeFile = [](FileHandle f, const void* d, std::uint32_t size, std::uint32_t& done) {
                 return real().writeFile(f, d, size - 1, done);
             };
         }},
        {"flush", [](PlatformCalls& c) { c.flushFile = [](FileHandle) { return diskFault(false); }; }},
        {"attribute copy", [](PlatformCalls& c) {
             c.setFileAttributes = [](const Path&, const FileAttributes&) { return diskFault(false); };
         }},
        {"security copy", [](PlatformCalls& c) {
             c.setFileSecurity = [](const Path&, const ByteString&, unsigned) { return diskFault(false); };
         }},
        {"close", [](PlatformCalls& c) {
             c.closeFile = [](FileHandle f) {
                 real().closeFile(f);
                 return diskFault(false);
             };
         }},
        {"rename", [](PlatformCalls& c) {
             c.renameFile = [](const Path&, const Path&, bool) { return diskFault(false); };
         }},
    };
    for (const Case& c : cases) {
        PlatformCalls spoiled = real();
        c.spoil(spoiled);
        ScopedPlatformCalls inForce(spoiled);
        expectRefused("new bytes", c.what);
    }
}

TEST(ShellCopyOnWindows, NoSourceGivesZeroWithoutCallingTheShell) {
    static int shellCalls;
    shellCalls = 0;
    PlatformCalls counting = nativePlatformCalls();
    counting.shellFileCopy = [](const std::wstring&, const std::wstring&) {
        ++shellCalls;
        return ShellCopyOutcome{};
    };
    ScopedPlatformCalls inForce(counting);
    EXPECT_EQ(0, shellCopy(L"C:\\Host_Bak", {}));
    EXPECT_EQ(0, shellCopy(L"C:\\Host_Bak", {Path()}));
    EXPECT_EQ(0, shellCalls);
}

TEST(ShellCopyOnWindows, TheProgramsWindowIsDisabledWhileTheShellRuns) {
    static HWND window;
    static int enabledDuringCopy;
    window = CreateWindowExW(0, L"STATIC", L"kelvane store test", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                             10, 10, 200, 100, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(nullptr, window);
    enabledDuringCopy = -1;
    PlatformCalls recording = nativePlatformCalls();
    recording.shellFileCopy = [](const std::wstring&, const std::wstring&) {
        enabledDuringCopy = IsWindowEnabled(window) ? 1 : 0;
        return ShellCopyOutcome{0, true};
    };
    {
        ScopedPlatformCalls inForce(recording);
        EXPECT_EQ(0, shellCopy(L"C:\\Host_Bak", {L"C:\\hosts"}));
    }
    EXPECT_EQ(0, enabledDuringCopy);
    EXPECT_TRUE(IsWindowEnabled(window));
    DestroyWindow(window);
}

TEST(HostsPath, IsTheSystemFolderThenTwoBackslashesThenDriversEtcHosts) {
    wchar_t system[MAX_PATH];
    const UINT length = GetSystemDirectoryW(system, MAX_PATH);
    ASSERT_GT(length, 0u);
    const Path expected = Path(system, length) + L"\\\\drivers\\etc\\hosts";
    const Path hostsPath = resolveHostsPath();
    EXPECT_EQ(expected, hostsPath);
    // The platform takes the doubled separator as one.
    const Path single = Path(system, length) + L"\\drivers\\etc\\hosts";
    const std::optional<std::string> raw = winfiles::readRaw(single);
    ASSERT_TRUE(raw);
    EXPECT_EQ(raw->empty() ? MaybeBytes() : MaybeBytes(*raw), readFileBytes(hostsPath));
}

TEST(BackupPath, WorksForAProgramInAFolderNamedInChineseAndKorean) {
    TempFolder outer(L"kelvane-backup");
    const Path programFolder = outer / L"\u5907\u4EFD \uBC31\uC5C5";  // 备份 백업
    ASSERT_TRUE(winfiles::makeFolder(programFolder));
    const Path helper = programFolder + L"\\kelvane_store_helper.exe";
    ASSERT_TRUE(CopyFileW((winfiles::programFolder() + L"\\kelvane_store_helper.exe").c_str(),
                          helper.c_str(), TRUE));

    EXPECT_EQ(1 | 2 | 4, winfiles::runHelper(helper, L"backup"));
    const std::optional<std::string> hostsBytes = winfiles::readRaw(resolveHostsPath());
    ASSERT_TRUE(hostsBytes);
    EXPECT_EQ(hostsBytes, winfiles::readRaw(programFolder + L"\\Host_Bak"));
}

// A folder path well past 260 characters, made one level at a time; empty when the platform
// refuses it (Windows without long-path support does).
Path makeDeepFolder(const Path& base) {
    Path folder = base;
    for (int level = 0; level < 12; ++level) {
        folder += L"\\\u00E9\uD55C\u4E2D-level-" + std::to_wstring(level) + L"-of-a-deep-tree";
        if (!winfiles::makeFolder(folder)) return Path();
    }
    return folder;
}

TEST(LongPaths, AreNotCut) {
    TempFolder outer(L"kelvane-deep");
    const Path deep = makeDeepFolder(outer.path());
    if (deep.empty()) GTEST_SKIP() << "the platform refuses paths this long";
    ASSERT_GT(deep.size(), 300u);

    const Path file = deep + L"\\hosts";
    EXPECT_EQ(1, writeFileBytes(file, {"first"}));
    EXPECT_EQ(1, writeFileBytes(file, {"second"}));
    EXPECT_EQ(MaybeBytes("second"), readFileBytes(file));
    EXPECT_EQ(Names{L"hosts"}, winfiles::listFolder(deep));
}

}  // namespace
}  // namespace kelvane
