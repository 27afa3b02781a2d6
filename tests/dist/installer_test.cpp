// The installer as a user's system meets it: run silently, it puts the built kelvane.exe into
// Program Files, points a Start-menu shortcut at it and registers an uninstaller in
// Add/Remove Programs; the installed program starts and shows its window; the silent
// uninstaller takes all of that away again, but not the program's backup of the hosts file.
// Each test installs first and leaves no installation behind.
#include "driver.h"
#include "kelvane_version.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <optional>
#include <string>

namespace {

using namespace kelvane::e2e;

constexpr wchar_t kUninstallKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kelvane";
constexpr DWORD kInstallMs = 60000;

std::wstring lower(std::wstring text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); });
    return text;
}

std::wstring setupPath() {
    return buildPathOnWindows(KELVANE_SETUP_PATH);
}

std::wstring shellFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return L"";
    return path;
}

// Where a 32-bit installer puts the program: Program Files as a 32-bit process sees it.
std::wstring installFolder() { return shellFolder(CSIDL_PROGRAM_FILES) + L"\\Kelvane"; }
std::wstring installedProgram() { return installFolder() + L"\\kelvane.exe"; }
std::wstring uninstaller() { return installFolder() + L"\\uninstall.exe"; }
std::wstring backupFile() { return installFolder() + L"\\Host_Bak"; }
std::wstring shortcutFile() { return shellFolder(CSIDL_COMMON_PROGRAMS) + L"\\Kelvane.lnk"; }

bool exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool uninstallKeyExists() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

std::optional<std::wstring> registryText(const wchar_t* name) {
    wchar_t value[1024] = {};
    DWORD size = sizeof value;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, kUninstallKey, name, RRF_RT_REG_SZ, nullptr, value,
                     &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return std::wstring(value);
}

std::optional<DWORD> registryNumber(const wchar_t* name) {
    DWORD value = 0;
    DWORD size = sizeof value;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, kUninstallKey, name, RRF_RT_REG_DWORD, nullptr, &value,
                     &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return value;
}

// Runs a command line and waits for its process to end; the exit code, or nothing when it
// could not start or did not end in time (then it is ended).
std::optional<DWORD> runToEnd(std::wstring commandLine, DWORD timeoutMs) {
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info)) {
        return std::nullopt;
    }
    CloseHandle(info.hThread);
    std::optional<DWORD> code;
    DWORD value = 0;
    if (WaitForSingleObject(info.hProcess, timeoutMs) == WAIT_OBJECT_0 &&
        GetExitCodeProcess(info.hProcess, &value)) {
        code = value;
    } else {
        TerminateProcess(info.hProcess, 1);
        WaitForSingleObject(info.hProcess, kWaitMs);
    }
    CloseHandle(info.hProcess);
    return code;
}

// The file a shell link points at, read through the shell's own IShellLinkW.
std::wstring shortcutTarget(const std::wstring& link) {
    std::wstring target;
    IShellLinkW* shellLink = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&shellLink)))) {
        return target;
    }
    IPersistFile* file = nullptr;
    if (SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        wchar_t path[MAX_PATH] = {};
        if (SUCCEEDED(file->Load(link.c_str(), STGM_READ)) &&
            SUCCEEDED(shellLink->GetPath(path, MAX_PATH, nullptr, 0))) {
            target = path;
        }
        file->Release();
    }
    shellLink->Release();
    return target;
}

// Takes away whatever an installation, finished or not, left: with the uninstaller where one
// is (_?= keeps it from copying itself away, so it ends when it is done), then by hand.
void removeInstallation() {
    if (exists(uninstaller())) {
        runToEnd(L"\"" + uninstaller() + L"\" /S _?=" + installFolder(), kInstallMs);
    }
    for (const std::wstring& file : {installedProgram(), uninstaller(), backupFile(), shortcutFile()}) {
        DeleteFileW(file.c_str());
    }
    RemoveDirectoryW(installFolder().c_str());
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, kUninstallKey);
}

class Installed : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        removeInstallation();
        ASSERT_TRUE(exists(setupPath())) << "no installer at " << narrow(setupPath());
        const std::optional<DWORD> code = runToEnd(L"\"" + setupPath() + L"\" /S", kInstallMs);
        ASSERT_TRUE(code.has_value()) << "the installer did not end within " << kInstallMs << " ms";
        ASSERT_EQ(0u, *code) << "expected the installer to exit with 0, got " << *code;
    }
    void TearDown() override {
        removeInstallation();
        CoUninitialize();
    }
};

TEST_F(Installed, ShortcutLeadsToTheBuiltProgramInProgramFiles) {
    ASSERT_TRUE(exists(shortcutFile())) << "no shortcut at " << narrow(shortcutFile());
    const std::wstring target = shortcutTarget(shortcutFile());
    EXPECT_EQ(narrow(lower(installedProgram())), narrow(lower(target)))
        << "expected the shortcut to point at the installed program";

    const std::optional<std::string> installed = fileBytes(target);
    const std::optional<std::string> built = fileBytes(builtProgramPath());
    ASSERT_TRUE(installed.has_value()) << "cannot read " << narrow(target);
    ASSERT_TRUE(built.has_value()) << "cannot read " << narrow(builtProgramPath());
    EXPECT_TRUE(*installed == *built) << "expected the " << built->size()
                                      << " bytes of the built kelvane.exe, got "
                                      << installed->size() << " other bytes";
}

TEST_F(Installed, UninstallEntryNamesTheProgramItsVersionPublisherAndUninstaller) {
    const std::wstring quotedUninstaller = L"\"" + uninstaller() + L"\"";
    const struct {
        const wchar_t* name;
        std::wstring expected;
    } texts[] = {
        {L"DisplayName", L"Kelvane"},
        {L"DisplayVersion", L"" KELVANE_VERSION_TEXT},
        {L"Publisher", L"Tamrel"},
        {L"DisplayIcon", installedProgram()},
        {L"UninstallString", quotedUninstaller},
        {L"QuietUninstallString", quotedUninstaller + L" /S"},
    };
    for (const auto& text : texts) {
        const std::optional<std::wstring> value = registryText(text.name);
        ASSERT_TRUE(value.has_value()) << "no text value " << narrow(text.name);
        EXPECT_EQ(narrow(text.expected), narrow(*value)) << narrow(text.name);
    }
    const struct {
        const wchar_t* name;
        DWORD expected;
    } numbers[] = {{L"NoModify", 1}, {L"NoRepair", 1}};
    for (const auto& number : numbers) {
        EXPECT_EQ(std::optional<DWORD>(number.expected), registryNumber(number.name))
            << narrow(number.name);
    }
    // Kilobytes, rounded up, of what was installed: the program (the uninstaller, written at
    // install time, is not counted).
    const std::optional<std::string> program = fileBytes(installedProgram());
    ASSERT_TRUE(program.has_value());
    const DWORD kilobytes = static_cast<DWORD>((program->size() + 1023) / 1024);
    EXPECT_EQ(std::optional<DWORD>(kilobytes), registryNumber(L"EstimatedSize"));
}

TEST_F(Installed, InstalledProgramShowsItsWindowAndCloses) {
    Program program;
    ASSERT_TRUE(program.start(installedProgram())) << "cannot start " << narrow(installedProgram());
    const HWND window = program.waitForWindow();
    ASSERT_NE(nullptr, window) << "expected a visible window titled \"Kelvane 1.0 By 【Tamrel】\"";
    EXPECT_EQ(narrow(kMainWindowTitle), narrow(windowText(window)));
    ASSERT_TRUE(closeByTitleBar(window));
    const std::optional<DWORD> code = program.waitForExit();
    ASSERT_TRUE(code.has_value()) << "expected the program to end after Close";
    EXPECT_EQ(0u, *code);
}

TEST_F(Installed, SilentUninstallRemovesEverythingButTheProgramsBackup) {
    // The backup as the program makes it: its Backup button, beside the installed program.
    {
        Program program;
        ASSERT_TRUE(program.start(installedProgram()));
        const HWND window = program.waitForWindow();
        ASSERT_NE(nullptr, window);
        ASSERT_TRUE(click(findControls(window).backup));
        const std::optional<std::string> hosts = fileBytes(hostsFilePath());
        ASSERT_TRUE(hosts.has_value()) << "cannot read " << narrow(hostsFilePath());
        ASSERT_TRUE(waitUntil([&] { return fileBytes(backupFile()) == hosts; }))
            << "expected Backup to copy the hosts file to " << narrow(backupFile());
        ASSERT_TRUE(closeByTitleBar(window));
        ASSERT_TRUE(program.waitForExit().has_value());
    }
    const std::optional<std::string> backup = fileBytes(backupFile());
    ASSERT_TRUE(backup.has_value());

    // As Add/Remove Programs runs it. The uninstaller copies itself to the temporary folder,
    // starts that copy and ends at once: what counts is what the copy has done.
    const std::optional<std::wstring> command = registryText(L"QuietUninstallString");
    ASSERT_TRUE(command.has_value());
    ASSERT_EQ(std::optional<DWORD>(0u), runToEnd(*command, kInstallMs));
    const auto gone = [] {
        return !exists(installedProgram()) && !exists(uninstaller()) && !exists(shortcutFile()) &&
               !uninstallKeyExists();
    };
    EXPECT_TRUE(waitUntil(gone, kInstallMs))
        << "expected program, uninstaller, shortcut and entry gone; still there: "
        << (exists(installedProgram()) ? "program " : "") << (exists(uninstaller()) ? "uninstaller " : "")
        << (exists(shortcutFile()) ? "shortcut " : "") << (uninstallKeyExists() ? "entry" : "");

    const std::optional<std::string> kept = fileBytes(backupFile());
    ASSERT_TRUE(kept.has_value()) << "expected the uninstaller to keep " << narrow(backupFile());
    EXPECT_TRUE(*kept == *backup) << "expected the backup's " << backup->size()
                                  << " bytes unchanged, got " << kept->size() << " other bytes";
}

}  // namespace
