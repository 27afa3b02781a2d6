// The store's platform calls on Windows, all through the W functions, with every buffer sized
// by what the call says it needs, so that no path is cut.
#include "hosts/platform.h"

#include <windows.h>
#include <aclapi.h>
#include <shellapi.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

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
    result.hidden = (attributes & FILE_ATTRIBUTE_HIDDEN) != 0;
    result.system = (attributes & FILE_ATTRIBUTE_SYSTEM) != 0;
    result.archive = (attributes & FILE_ATTRIBUTE_ARCHIVE) != 0;
    result.notContentIndexed = (attributes & FILE_ATTRIBUTE_NOT_CONTENT_INDEXED) != 0;
    return result;
}

bool setFileAttributes(const Path& path, const FileAttributes& attributes) {
    DWORD bits = 0;
    if (attributes.readOnly) bits |= FILE_ATTRIBUTE_READONLY;
    if (attributes.hidden) bits |= FILE_ATTRIBUTE_HIDDEN;
    if (attributes.system) bits |= FILE_ATTRIBUTE_SYSTEM;
    if (attributes.archive) bits |= FILE_ATTRIBUTE_ARCHIVE;
    if (attributes.notContentIndexed) bits |= FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    return SetFileAttributesW(path.c_str(), bits == 0 ? FILE_ATTRIBUTE_NORMAL : bits) != FALSE;
}

// The security calls answer with an error code instead of setting the thread's last error.
bool succeeded(DWORD error) {
    if (error == ERROR_SUCCESS) return true;
    SetLastError(error);
    return false;
}

std::optional<ByteString> fileSecurity(const Path& path) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!succeeded(GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT,
                                         OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                         nullptr, nullptr, nullptr, nullptr, &descriptor))) {
        return std::nullopt;
    }
    // A self-relative descriptor is one block of bytes: copy it and free the system's.
    ByteString bytes(static_cast<const char*>(descriptor), GetSecurityDescriptorLength(descriptor));
    LocalFree(descriptor);
    return bytes;
}

bool setFileSecurity(const Path& path, const ByteString& descriptor, unsigned parts) {
    // An aligned copy: the descriptor's parts are read in place.
    std::vector<DWORD> aligned((descriptor.size() + sizeof(DWORD) - 1) / sizeof(DWORD));
    if (!descriptor.empty()) std::memcpy(aligned.data(), descriptor.data(), descriptor.size());
    const PSECURITY_DESCRIPTOR source = aligned.data();

    SECURITY_INFORMATION information = 0;
    PSID owner = nullptr;
    PACL dacl = nullptr;
    if (parts & securityOwner) {
        BOOL defaulted = FALSE;
        if (!GetSecurityDescriptorOwner(source, &owner, &defaulted)) return false;
        if (owner != nullptr) information |= OWNER_SECURITY_INFORMATION;
    }
    if (parts & securityDacl) {
        BOOL present = FALSE;
        BOOL defaulted = FALSE;
        SECURITY_DESCRIPTOR_CONTROL control = 0;
        DWORD revision = 0;
        if (!GetSecurityDescriptorDacl(source, &present, &dacl, &defaulted) ||
            !GetSecurityDescriptorControl(source, &control, &revision)) {
            return false;
        }
        if (present) {
            information |= DACL_SECURITY_INFORMATION;
            information |= (control & SE_DACL_PROTECTED) ? PROTECTED_DACL_SECURITY_INFORMATION
                                                         : UNPROTECTED_DACL_SECURITY_INFORMATION;
        }
    }
    if (information == 0) return true;
    Path name = path;  // the call takes a non-const string
    return succeeded(SetNamedSecurityInfoW(&name[0], SE_FILE_OBJECT, information, owner, nullptr,
                                           dacl, nullptr));
}

struct FindCloser {
    void operator()(HANDLE find) const { FindClose(find); }
};

std::vector<Path> listFiles(const Path& folder, const Path& prefix) {
    std::vector<Path> names;
    WIN32_FIND_DATAW found;
    const Path pattern = folder + prefix + L"*";
    const HANDLE first = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found,
                                          FindExSearchNameMatch, nullptr, 0);
    if (first == INVALID_HANDLE_VALUE) return names;
    const std::unique_ptr<void, FindCloser> find(first);
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.emplace_back(found.cFileName);
    } while (FindNextFileW(find.get(), &found));
    return names;
}

FileHandle openFile(const Path& path, FileOpen mode) {
    const bool read = mode == FileOpen::readSharingRead;
    return fromHandle(CreateFileW(path.c_str(), read ? GENERIC_READ : GENERIC_WRITE,
                                  read ? FILE_SHARE_READ : 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
}

FileHandle createNewFile(const Path& path) {
    return fromHandle(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
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

// MoveFileExW onto an existing file is one rename on NTFS and one rename() under Wine: unlike
// ReplaceFileW, which Wine does as a delete and a rename, nothing lies between.
bool renameFile(const Path& from, const Path& to, bool replace) {
    const DWORD flags = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
    return MoveFileExW(from.c_str(), to.c_str(), flags) != FALSE;
}

bool deleteFile(const Path& path) {
    return DeleteFileW(path.c_str()) != FALSE;
}

FileError lastFileError() {
    switch (GetLastError()) {
        case ERROR_SUCCESS: return FileError::none;
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND: return FileError::notFound;
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS: return FileError::alreadyExists;
        case ERROR_SHARING_VIOLATION: return FileError::sharingViolation;
        case ERROR_LOCK_VIOLATION: return FileError::lockViolation;
        case ERROR_ACCESS_DENIED: return FileError::accessDenied;
        case ERROR_NOT_SUPPORTED:
        case ERROR_INVALID_FUNCTION: return FileError::notSupported;
        default: return FileError::other;
    }
}

// What ipconfig /flushdns does. dnsapi.dll is loaded by its full name in the system folder, so
// that no file planted elsewhere is loaded, once, and stays for the next Save.
void flushResolverCache() {
    using FlushFunction = BOOL(WINAPI*)();
    static const FlushFunction flush = []() -> FlushFunction {
        const std::optional<Path> system = systemDirectory();
        if (!system) return nullptr;
        const Path library = *system + L"\\dnsapi.dll";
        const HMODULE dnsapi = LoadLibraryExW(library.c_str(), nullptr, 0);
        FARPROC found = dnsapi ? GetProcAddress(dnsapi, "DnsFlushResolverCache") : nullptr;
        return found ? reinterpret_cast<FlushFunction>(reinterpret_cast<void (*)()>(found)) : nullptr;
    }();
    if (flush) flush();
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
    calls.processId = []() -> std::uint32_t { return GetCurrentProcessId(); };
    calls.fileAttributes = fileAttributes;
    calls.setFileAttributes = setFileAttributes;
    calls.fileSecurity = fileSecurity;
    calls.setFileSecurity = setFileSecurity;
    calls.listFiles = listFiles;
    calls.openFile = openFile;
    calls.createNewFile = createNewFile;
    calls.fileSize = fileSize;
    calls.readFile = readFile;
    calls.writeFile = writeFile;
    calls.flushFile = flushFile;
    calls.closeFile = closeFile;
    calls.renameFile = renameFile;
    calls.deleteFile = deleteFile;
    calls.lastFileError = lastFileError;
    calls.sleep = [](std::uint32_t milliseconds) { Sleep(milliseconds); };
    calls.flushResolverCache = flushResolverCache;
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
