// The platform services behind the hosts file store: one table of plain function pointers, in
// the manner of an OS layer. The store makes every platform call through the table in force,
// so a test can put in a whole fake platform, or swap single calls of the native table to make
// one step fail against real files.
#pragma once

#include "hosts_store.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace kelvane {

// Opaque handles: a file handle is null when an open failed; a window handle is null for none.
using FileHandle = void*;
using WindowHandle = void*;

// Both modes open an existing file only.
enum class FileOpen {
    readSharingRead,  // read; others may read, nobody may write
    writeExclusive,   // write; shared with nobody
};

struct FileAttributes {
    bool readOnly = false;
    bool directory = false;
};

struct ShellCopyOutcome {
    int status = 0;        // 0 when the shell finished without an error
    bool aborted = false;  // the user cancelled some part of it
};

struct PlatformCalls {
    // The system folder as the platform gives it; absent when the call fails.
    std::optional<Path> (*systemDirectory)();
    // The full file name of the running program; absent when the call fails.
    std::optional<Path> (*moduleFileName)();
    bool (*setCurrentDirectory)(const Path& directory);

    // Absent when the path names nothing (or cannot be looked at).
    std::optional<FileAttributes> (*fileAttributes)(const Path& path);
    FileHandle (*openFile)(const Path& path, FileOpen mode);
    // A new, empty file for writing, shared with nobody, in the same folder as `beside`;
    // its name goes to `created`.
    FileHandle (*createTempFile)(const Path& beside, Path& created);
    std::optional<std::int64_t> (*fileSize)(FileHandle file);
    bool (*readFile)(FileHandle file, void* buffer, std::uint32_t size, std::uint32_t& done);
    bool (*writeFile)(FileHandle file, const void* data, std::uint32_t size, std::uint32_t& done);
    bool (*flushFile)(FileHandle file);
    bool (*closeFile)(FileHandle file);
    // `replacement` takes the place of `replaced`, which keeps its attributes and security.
    bool (*replaceFile)(const Path& replaced, const Path& replacement);
    // Fails when `to` exists.
    bool (*moveFile)(const Path& from, const Path& to);
    bool (*deleteFile)(const Path& path);

    // The shell's copy with its own dialogs. Both lists hold zero-terminated paths followed by
    // one more zero (the zeros are part of the strings).
    ShellCopyOutcome (*shellFileCopy)(const std::wstring& sources, const std::wstring& destinations);

    WindowHandle (*activeWindow)();
    WindowHandle (*foregroundWindow)();
    // The program's own visible top-level windows.
    std::vector<WindowHandle> (*programWindows)();
    bool (*isWindow)(WindowHandle window);
    WindowHandle (*parentWindow)(WindowHandle window);
    bool (*isWindowEnabled)(WindowHandle window);
    void (*enableWindow)(WindowHandle window, bool enable);
    void (*setForegroundWindow)(WindowHandle window);
    void (*setActiveWindow)(WindowHandle window);
};

// The platform's own table: Win32 on Windows; elsewhere every call fails.
const PlatformCalls& nativePlatformCalls();

// The table the store calls now; it starts as the native one.
const PlatformCalls& platformCalls();

// Puts `calls` in force and gives back the table that was.
PlatformCalls installPlatformCalls(const PlatformCalls& calls);

// Keeps a table in force for its own lifetime, then brings back the one before.
class ScopedPlatformCalls {
public:
    explicit ScopedPlatformCalls(const PlatformCalls& calls) : previous_(installPlatformCalls(calls)) {}
    ~ScopedPlatformCalls() { installPlatformCalls(previous_); }
    ScopedPlatformCalls(const ScopedPlatformCalls&) = delete;
    ScopedPlatformCalls& operator=(const ScopedPlatformCalls&) = delete;

private:
    PlatformCalls previous_;
};

}  // namespace kelvane
