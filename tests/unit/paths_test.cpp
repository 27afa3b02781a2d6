#include "fake_platform.h"

#include "hosts/hosts_store.h"

#include <gtest/gtest.h>

#include <string>

namespace kelvane {
namespace {

struct SystemDirectoryCase {
    const char* what;
    std::optional<Path> answer;
    Path expected;
};

TEST(ResolveHostsPath, KeepsTheDoubledBackslash) {
    const SystemDirectoryCase cases[] = {
        {"plain folder", Path(L"D:\\Windows\\system32"), L"D:\\Windows\\system32\\\\drivers\\etc\\hosts"},
        {"already ending in a backslash", Path(L"D:\\"), L"D:\\\\drivers\\etc\\hosts"},
        {"no system directory", std::nullopt, L"\\drivers\\etc\\hosts"},
        {"an empty answer", Path(), L"\\drivers\\etc\\hosts"},
    };
    for (const SystemDirectoryCase& c : cases) {
        fake::FakePlatform platform;
        platform.systemDirectory = c.answer;
        EXPECT_EQ(c.expected, resolveHostsPath()) << c.what;
    }
}

TEST(SystemDirectory, AddsOneTrailingBackslashOnlyWhenMissing) {
    fake::FakePlatform platform;
    platform.systemDirectory = L"C:\\windows\\system32";
    EXPECT_EQ(Path(L"C:\\windows\\system32\\"), systemDirectory());
    platform.systemDirectory = L"C:\\";
    EXPECT_EQ(Path(L"C:\\"), systemDirectory());
    platform.systemDirectory = std::nullopt;
    EXPECT_EQ(std::nullopt, systemDirectory());
}

struct ProgramCase {
    const char* what;
    std::optional<Path> moduleFileName;
    std::optional<Path> directory;
    std::optional<Path> currentDirectory;
    Path backup;
};

TEST(FixProgramDirectory, TakesEverythingBeforeTheLastBackslash) {
    const Path deep = L"C:\\" + std::wstring(300, L'd') + L"\\\uD55C\uAD6D\u4E2D\u6587";
    const ProgramCase cases[] = {
        {"a folder", Path(L"D:\\Tools\\kelvane.exe"), Path(L"D:\\Tools"), Path(L"D:\\Tools"),
         L"D:\\Tools\\Host_Bak"},
        {"a drive root", Path(L"D:\\kelvane.exe"), Path(L"D:"), Path(L"D:\\"), L"D:\\Host_Bak"},
        {"a long folder in other scripts", deep + L"\\kelvane.exe", deep, deep,
         deep + L"\\Host_Bak"},
        {"no backslash", Path(L"kelvane.exe"), std::nullopt, std::nullopt, L"\\Host_Bak"},
        {"no file name", std::nullopt, std::nullopt, std::nullopt, L"\\Host_Bak"},
    };
    for (const ProgramCase& c : cases) {
        fake::FakePlatform platform;
        platform.moduleFileName = c.moduleFileName;
        fixProgramDirectory();
        EXPECT_EQ(c.directory, programDirectory()) << c.what;
        EXPECT_EQ(c.currentDirectory, platform.currentDirectory) << c.what;
        EXPECT_EQ(c.backup, resolveBackupPath()) << c.what;
    }
}

}  // namespace
}  // namespace kelvane
