// A second process for the store tests.
//   store_helper hold-exclusive|hold-reading <file> <ready event> <quit event> <hold ms>
//     opens the file (no sharing / sharing reads), signals ready, and keeps it open until the
//     quit event is set or the hold has lasted its milliseconds.
//   store_helper backup
//     runs the Backup command's steps from wherever this copy of the program lies. Exit code:
//     1 the copy succeeded, 2 the current directory is the program's folder, 4 the backup path
//     lies in that folder.
#include "hosts/hosts_store.h"

#include <windows.h>

#include <string>

namespace {

int hold(const wchar_t* mode, const wchar_t* file, const wchar_t* readyName,
         const wchar_t* quitName, DWORD holdMs) {
    const bool exclusive = std::wstring(mode) == L"hold-exclusive";
    const HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, readyName);
    const HANDLE quit = OpenEventW(SYNCHRONIZE, FALSE, quitName);
    if (!ready || !quit) return 3;
    const HANDLE held = CreateFileW(file, exclusive ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ,
                                    exclusive ? 0 : FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (held == INVALID_HANDLE_VALUE) return 2;
    SetEvent(ready);
    WaitForSingleObject(quit, holdMs);
    CloseHandle(held);
    return 0;
}

int backup() {
    kelvane::fixProgramDirectory();
    const std::optional<kelvane::Path> directory = kelvane::programDirectory();
    if (!directory) return 0;
    int result = kelvane::shellCopy(kelvane::resolveBackupPath(), {kelvane::resolveHostsPath()});

    const DWORD size = GetCurrentDirectoryW(0, nullptr);
    std::wstring current(size, L'\0');
    current.resize(GetCurrentDirectoryW(size, &current[0]));
    if (current == *directory) result |= 2;
    if (kelvane::resolveBackupPath() == *directory + L"\\Host_Bak") result |= 4;
    return result;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring mode = argc > 1 ? argv[1] : L"";
    if (argc == 6 && (mode == L"hold-exclusive" || mode == L"hold-reading")) {
        return hold(argv[1], argv[2], argv[3], argv[4], static_cast<DWORD>(_wtoi(argv[5])));
    }
    if (argc == 2 && mode == L"backup") return backup();
    return 100;
}
