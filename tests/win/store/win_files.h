// Real files for the store tests, made and checked with plain Win32 calls of their own, so
// that what the store did is seen independently of it.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace kelvane::winfiles {

// A new, empty folder under the user's temporary folder, removed with everything in it.
class TempFolder {
public:
    explicit TempFolder(const std::wstring& name = L"kelvane-store");
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::wstring& path() const { return path_; }
    std::wstring operator/(const std::wstring& name) const { return path_ + L"\\" + name; }

private:
    std::wstring path_;
};

bool makeFolder(const std::wstring& path);
bool writeRaw(const std::wstring& path, const std::string& bytes);
std::optional<std::string> readRaw(const std::wstring& path);
// The names in a folder, sorted, without "." and "..".
std::vector<std::wstring> listFolder(const std::wstring& folder);
void removeTree(const std::wstring& path);
// The folder this test program lies in.
std::wstring programFolder();

// A second process holding a file open, until this ends or holdMs have passed since it
// opened the file.
class HeldFile {
public:
    HeldFile(const std::wstring& path, bool exclusive, DWORD holdMs = 60000);
    ~HeldFile();
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;
    bool holding() const { return holding_; }

private:
    HANDLE ready_ = nullptr;
    HANDLE quit_ = nullptr;
    PROCESS_INFORMATION process_{};
    bool holding_ = false;
};

// Runs the helper program at `exe` with `arguments`; its exit code, or -1.
int runHelper(const std::wstring& exe, const std::wstring& arguments);

}  // namespace kelvane::winfiles
