#include "win_files.h"

#include <algorithm>

namespace kelvane::winfiles {

namespace {

std::wstring tempRoot() {
    const DWORD size = GetTempPathW(0, nullptr);
    std::wstring root(size, L'\0');
    root.resize(GetTempPathW(size, &root[0]));
    if (!root.empty() && root.back() == L'\\') root.pop_back();
    return root;
}

std::wstring uniqueSuffix() {
    static unsigned counter = 0;
    return std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter);
}

}  // namespace

TempFolder::TempFolder(const std::wstring& name)
    : path_(tempRoot() + L"\\" + name + L"-" + uniqueSuffix()) {
    removeTree(path_);
    makeFolder(path_);
}

TempFolder::~TempFolder() {
    removeTree(path_);
}

bool makeFolder(const std::wstring& path) {
    return CreateDirectoryW(path.c_str(), nullptr) != FALSE;
}

bool writeRaw(const std::wstring& path, const std::string& bytes) {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const BOOL ok = bytes.empty() ||
                    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

std::optional<std::string> readRaw(const std::wstring& path) {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;
    std::string bytes;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
    CloseHandle(file);
    return bytes;
}

std::vector<std::wstring> listFolder(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") names.push_back(name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

void removeTree(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        for (const std::wstring& name : listFolder(path)) removeTree(path + L"\\" + name);
        RemoveDirectoryW(path.c_str());
    } else {
        DeleteFileW(path.c_str());
    }
}

std::wstring programFolder() {
    std::wstring name(32768, L'\0');
    name.resize(GetModuleFileNameW(nullptr, &name[0], static_cast<DWORD>(name.size())));
    return name.substr(0, name.rfind(L'\\'));
}

namespace {

bool startProcess(const std::wstring& exe, const std::wstring& arguments,
                  PROCESS_INFORMATION& process) {
    std::wstring commandLine = L"\"" + exe + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    return CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                          nullptr, &startup, &process) != FALSE;
}

}  // namespace

HeldFile::HeldFile(const std::wstring& path, bool exclusive, DWORD holdMs) {
    const std::wstring tag = uniqueSuffix();
    const std::wstring readyName = L"kelvane-held-ready-" + tag;
    const std::wstring quitName = L"kelvane-held-quit-" + tag;
    ready_ = CreateEventW(nullptr, TRUE, FALSE, readyName.c_str());
    quit_ = CreateEventW(nullptr, TRUE, FALSE, quitName.c_str());
    if (!ready_ || !quit_) return;
    const std::wstring arguments = std::wstring(exclusive ? L"hold-exclusive" : L"hold-reading") +
                                   L" \"" + path + L"\" " + readyName + L" " + quitName + L" " +
                                   std::to_wstring(holdMs);
    if (!startProcess(programFolder() + L"\\kelvane_store_helper.exe", arguments, process_)) {
        return;
    }
    // Ready, or the helper ended because it could not open the file.
    const HANDLE waits[] = {ready_, process_.hProcess};
    holding_ = WaitForMultipleObjects(2, waits, FALSE, 30000) == WAIT_OBJECT_0;
}

HeldFile::~HeldFile() {
    if (process_.hProcess) {
        SetEvent(quit_);
        if (WaitForSingleObject(process_.hProcess, 10000) != WAIT_OBJECT_0) {
            TerminateProcess(process_.hProcess, 1);
            WaitForSingleObject(process_.hProcess, 10000);
        }
        CloseHandle(process_.hThread);
        CloseHandle(process_.hProcess);
    }
    if (ready_) CloseHandle(ready_);
    if (quit_) CloseHandle(quit_);
}

int runHelper(const std::wstring& exe, const std::wstring& arguments) {
    PROCESS_INFORMATION process{};
    if (!startProcess(exe, arguments, process)) return -1;
    DWORD code = static_cast<DWORD>(-1);
    if (WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0) {
        GetExitCodeProcess(process.hProcess, &code);
    } else {
        TerminateProcess(process.hProcess, 1);
        WaitForSingleObject(process.hProcess, 10000);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(code);
}

}  // namespace kelvane::winfiles
