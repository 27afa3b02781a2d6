// Systems without the Windows API have no hosts file of this kind and no shell to copy it:
// every call reports failure, so every store operation gives absent or 0.
#include "hosts/platform.h"

namespace kelvane {

namespace {

PlatformCalls makeUnavailableCalls() {
    PlatformCalls calls{};
    calls.systemDirectory = []() -> std::optional<Path> { return std::nullopt; };
    calls.moduleFileName = []() -> std::optional<Path> { return std::nullopt; };
    calls.setCurrentDirectory = [](const Path&) { return false; };
    calls.processId = []() -> std::uint32_t { return 0; };
    calls.fileAttributes = [](const Path&) -> std::optional<FileAttributes> { return std::nullopt; };
    calls.setFileAttributes = [](const Path&, const FileAttributes&) { return false; };
    calls.fileSecurity = [](const Path&) -> std::optional<ByteString> { return std::nullopt; };
    calls.setFileSecurity = [](const Path&, const ByteString&, unsigned) { return false; };
    calls.listFiles = [](const Path&, const Path&) { return std::vector<Path>(); };
    calls.openFile = [](const Path&, FileOpen) -> FileHandle { return nullptr; };
    calls.createNewFile = [](const Path&) -> FileHandle { return nullptr; };
    calls.fileSize = [](FileHandle) -> std::optional<std::int64_t> { return std::nullopt; };
    calls.readFile = [](FileHandle, void*, std::uint32_t, std::uint32_t&) { return false; };
    calls.writeFile = [](FileHandle, const void*, std::uint32_t, std::uint32_t&) { return false; };
    calls.flushFile = [](FileHandle) { return false; };
    calls.closeFile = [](FileHandle) { return false; };
    calls.renameFile = [](const Path&, const Path&, bool) { return false; };
    calls.deleteFile = [](const Path&) { return false; };
    calls.lastFileError = []() { return FileError::other; };
    calls.sleep = [](std::uint32_t) {};
    calls.flushResolverCache = []() {};
    calls.shellFileCopy = [](const std::wstring&, const std::wstring&) {
        return ShellCopyOutcome{1, false};
    };
    calls.activeWindow = []() -> WindowHandle { return nullptr; };
    calls.foregroundWindow = []() -> WindowHandle { return nullptr; };
    calls.programWindows = []() { return std::vector<WindowHandle>(); };
    calls.isWindow = [](WindowHandle) { return false; };
    calls.parentWindow = [](WindowHandle) -> WindowHandle { return nullptr; };
    calls.isWindowEnabled = [](WindowHandle) { return false; };
    calls.enableWindow = [](WindowHandle, bool) {};
    calls.setForegroundWindow = [](WindowHandle) {};
    calls.setActiveWindow = [](WindowHandle) {};
    return calls;
}

}  // namespace

const PlatformCalls& nativePlatformCalls() {
    static const PlatformCalls calls = makeUnavailableCalls();
    return calls;
}

}  // namespace kelvane
