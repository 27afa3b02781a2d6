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

// What the last failing file call on this thread ran into, as far as the store tells causes
// apart.
enum class FileError {
    none,
    notFound,          // the file or a folder on its path is missing
    alreadyExists,     // a new file was asked for and the name is taken
    sharingViolation,  // another process holds the file in a way that excludes this use
    lockViolation,     // another process locked a range of it
    accessDenied,      // also what Windows answers for a file that is being deleted, and for a
                       // rename onto a file another process holds
    notSupported,      // the file system keeps no such thing (security on FAT, say)
    other,
};

struct FileAttributes {
    bool readOnly = false;
    bool directory = false;
    bool hidden = false;
    bool system = false;
    bool archive = false;
    bool notContentIndexed = false;
};

// Which parts of a security descriptor to put on a file.
enum SecurityParts : unsigned {
    securityOwner = 1,
    securityDacl = 2,
};

struct ShellCopyOutcome {
    int status = 0;        // 0 when the shell finished without an error
    bool aborted = false;  // the user cancelled some part of it
};

// Primitives only: each is one platform call, or the few calls that make one answer. Which
// step comes when, and what a failure leads to, is the store's business.
struct PlatformCalls {
    // The system folder as the platform gives it; absent when the call fails.
    std::optional<Path> (*systemDirectory)();
    // The full file name of the running program; absent when the call fails.
    std::optional<Path> (*moduleFileName)();
    bool (*setCurrentDirectory)(const Path& directory);
    std::uint32_t (*processId)();

    // Absent when the path names nothing (or cannot be looked at).
    std::optional<FileAttributes> (*fileAttributes)(const Path& path);
    // Gives the file exactly these attributes (directory aside).
    bool (*setFileAttributes)(const Path& path, const FileAttributes& attributes);
    // The file's owner and DACL as one self-relative security descriptor; absent on failure.
    std::optional<ByteString> (*fileSecurity)(const Path& path);
    // Puts the chosen parts of such a descriptor on the file, the DACL with its protection
    // from inheritance as it was.
    bool (*setFileSecurity)(const Path& path, const ByteString& descriptor, unsigned parts);
    // The names (without folder) of the files in the folder whose names start with prefix.
    std::vector<Path> (*listFiles)(const Path& folder, const Path& prefix);

    FileHandle (*openFile)(const Path& path, FileOpen mode);
    // A new, empty file for writing, shared with nobody; fails when the name is taken.
    FileHandle (*createNewFile)(const Path& path);
    std::optional<std::int64_t> (*fileSize)(FileHandle file);
    bool (*readFile)(FileHandle file, void* buffer, std::uint32_t size, std::uint32_t& done);
    bool (*writeFile)(FileHandle file, const void* data, std::uint32_t size, std::uint32_t& done);
    bool (*flushFile)(FileHandle file);
    bool (*closeFile)(FileHandle file);
    // One rename, written through to the disk. With replace it takes the place of an existing
    // `to` in one step, so that `to` names either file at every instant; without, it fails
    // when `to` exists.
    bool (*renameFile)(const Path& from, const Path& to, bool replace);
    bool (*deleteFile)(const Path& path);
    FileError (*lastFileError)();
    void (*sleep)(std::uint32_t milliseconds);

    // Makes the resolver forget the names it has cached, so that a changed hosts file counts
    // at once. Nothing to report: where there is no such service, there is no cache.
    void (*flushResolverCache)();

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
