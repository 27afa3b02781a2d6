// The store's platform calls on Windows, all through the W functions, with every buffer sized
// by what the call says it needs, so that no path is cut.
#include "hosts/platform.h"

#include <windows.h>
#include <shellapi.h>

#include <string>

namespace kelvane {

namespace {

HANDLE toHandle(FileHandle file) {
    return static_cast<HANDLE>(file);
}

HWND toWindow(WindowHandle window) {
    return static_cast<HWND>(window);
}

FileHandle fromHandle(HANDLE handle) {
    return handle == INVALID_HANDLE_VALUE ? nullptr : static_cast<FileHandle>(handle);
}

std::optional<Path> systemDirectory() {
    // The call answers a too-small buffer with the size it needs, terminator included.
    UINT size = GetSystemDirectoryW(nullptr, 0);
    for (int attempt = 0; size != 0 && attempt < 4; ++attempt) {
        Path directory(size, L'\0');
        const UINT length = GetSystemDirectoryW(&directory[0], size);
        if (length == 0) return std::nullopt;
        if (length < size) {
            directory.resize(length);
            return directory;
        }
        size = length;
    }
    return std::nullopt;
}

std::optional<Path> moduleFileName() {
    // A full buffer means the name was cut: grow until it fits.
    for (DWORD size = MAX_PATH; size <= 0x10000; size *= 2) {
        Path name(size, L'\0');
        const DWORD length = GetModuleFileNameW(nullptr, &name[0], size);
        if (length == 0) return std::nullopt;
        if (length < size) {
            name.resize(length);
            return name;
        }
    }
    return std::nullopt;
}

bool setCurrentDirectory(const Path& directory) {
    return SetCurrentDirectoryW(directory.c_str()) != FALSE;
}

std::optional<FileAttributes> fileAttributes(const Path& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return std::nullopt;
    FileAttributes result;
    result.readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    result.directory = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    return result;
}

FileHandle openFile(const Path& path, FileOpen mode) {
    const bool read = mode == FileOpen::readSharingRead;
    return fromHandle(CreateFileW(path.c_str(), read ? GENERIC_READ : GENERIC_WRITE,
                                  read ? FILE_SHARE_READ : 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
}

FileHandle createTempFile(const Path& beside, Path& created) {
    // The name carries the process id and a counter; CREATE_NEW never takes an existing file.
    static unsigned counter = 0;
    const DWORD process = GetCurrentProcessId();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const Path name = beside + L".kelvane-" + std::to_wstring(process) + L"-" +
                          std::to_wstring(GetTickCount() + counter++) + L".tmp";
        const HANDLE handle = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                          FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            created = name;
            return handle;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) break;
    }
    return nullptr;
}

std::optional<std::int64_t> fileSize(FileHandle file) {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(toHandle(file), &size)) return std::nullopt;
    return static_cast<std::int64_t>(size.QuadPart);
}

bool readFile(FileHandle file, void* buffer, std::uint32_t size, std::uint32_t& done) {
    DWORD read = 0;
    const BOOL ok = ReadFile(toHandle(file), buffer, size, &read, nullptr);
    done = read;
    return ok != FALSE;
}

bool writeFile(FileHandle file, const void* data, std::uint32_t size, std::uint32_t& done) {
    DWORD written = 0;
    const BOOL ok = WriteFile(toHandle(file), data, size, &written, nullptr);
    done = written;
    return ok != FALSE;
}

bool flushFile(FileHandle file) {
    return FlushFileBuffers(toHandle(file)) != FALSE;
}

bool closeFile(FileHandle file) {
    return CloseHandle(toHandle(file)) != FALSE;
}

bool replaceFile(const Path& replaced, const Path& replacement) {
    // Windows merges the replaced file's attributes into the replacement; Wine moves the
    // replacement over as it is. Carrying them over first gives the same file on both.
    const DWORD attributes = GetFileAttributesW(replaced.c_str());
    const DWORD carried = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                          FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & carried) != 0) {
        SetFileAttributesW(replacement.c_str(), attributes & carried);
    }
    if (ReplaceFileW(replaced.c_str(), replacement.c_str(), nullptr, 0, nullptr, nullptr)) {
        return true;
    }
    // This error means the old file is already gone and the new bytes wait under the
    // temporary name: finish with a move rather than lose both.
    return GetLastError() == ERROR_UNABLE_TO_MOVE_REPLACEMENT &&
           MoveFileExW(replacement.c_str(), replaced.c_str(), MOVEFILE_WRITE_THROUGH) != FALSE;
}

bool moveFile(const Path& from, const Path& to) {
    return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH) != FALSE;
}

bool deleteFile(const Path& path) {
    return DeleteFileW(path.c_str()) != FALSE;
}

ShellCopyOutcome shellFileCopy(const std::wstring& sources, const std::wstring& destinations) {
    // No owner and no flags: the shell keeps its progress, replace question and error messages.
    SHFILEOPSTRUCTW operation{};
    operation.hwnd = nullptr;
    operation.wFunc = FO_COPY;
    operation.pFrom = sources.c_str();
    operation.pTo = destinations.c_str();
    operation.fFlags = 0;
    ShellCopyOutcome outcome;
    outcome.status = SHFileOperationW(&operation);
    outcome.aborted = operation.fAnyOperationsAborted != FALSE;
    return outcome;
}

BOOL CALLBACK collectVisibleWindow(HWND window, LPARAM list) {
    if (IsWindowVisible(window)) {
        reinterpret_cast<std::vector<WindowHandle>*>(list)->push_back(window);
    }
    return TRUE;
}

std::vector<WindowHandle> programWindows() {
    // The program's windows all belong to its one user-interface thread.
    std::vector<WindowHandle> windows;
    EnumThreadWindows(GetCurrentThreadId(), collectVisibleWindow,
                      reinterpret_cast<LPARAM>(&windows));
    return windows;
}

PlatformCalls makeWin32Calls() {
    PlatformCalls calls{};
    calls.systemDirectory = systemDirectory;
    calls.moduleFileName = moduleFileName;
    calls.setCurrentDirectory = setCurrentDirectory;
    calls.fileAttributes = fileAttributes;
    calls.openFile = openFile;
    calls.createTempFile = createTempFile;
    calls.fileSize = fileSize;
    calls.readFile = readFile;
    calls.writeFile = writeFile;
    calls.flushFile = flushFile;
    calls.closeFile = closeFile;
    calls.replaceFile = replaceFile;
    calls.moveFile = moveFile;
    calls.deleteFile = deleteFile;
    calls.shellFileCopy = shellFileCopy;
    calls.activeWindow = []() -> WindowHandle { return GetActiveWindow(); };
    calls.foregroundWindow = []() -> WindowHandle { return GetForegroundWindow(); };
    calls.programWindows = programWindows;
    calls.isWindow = [](WindowHandle window) { return IsWindow(toWindow(window)) != FALSE; };
    calls.parentWindow = [](WindowHandle window) -> WindowHandle {
        return GetParent(toWindow(window));
    };
    calls.isWindowEnabled = [](WindowHandle window) {
        return IsWindowEnabled(toWindow(window)) != FALSE;
    };
    calls.enableWindow = [](WindowHandle window, bool enable) {
        EnableWindow(toWindow(window), enable ? TRUE : FALSE);
    };
    calls.setForegroundWindow = [](WindowHandle window) {
        SetForegroundWindow(toWindow(window));
    };
    calls.setActiveWindow = [](WindowHandle window) { SetActiveWindow(toWindow(window)); };
    return calls;
}

}  // namespace

const PlatformCalls& nativePlatformCalls() {
    static const PlatformCalls calls = makeWin32Calls();
    return calls;
}

}  // namespace kelvane
