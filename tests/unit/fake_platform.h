// An in-memory platform for the store: folders, files, handles with Windows' sharing rules,
// another process that holds files open, any single step made to fail, and a log of every
// window and shell call. While it lives it is the table the store calls.
#pragma once

#include "hosts/platform.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace kelvane::fake {

enum class Step {
    attributes,
    setAttributes,
    security,
    setSecurity,  // both the owner and the DACL are refused
    setOwner,     // only the owner is refused, as for a process without the privilege
    list,
    open,
    size,
    read,
    shortRead,    // the read succeeds with one byte fewer than asked
    createTemp,
    write,
    shortWrite,   // the write succeeds with one byte fewer than asked
    flush,
    close,        // the handle is gone all the same, as with CloseHandle
    rename,
    remove,
};

// How another process holds a file open.
enum class Hold { none, reading, exclusive };

struct File {
    ByteString bytes;
    FileAttributes attributes;
    ByteString security = "owner:Administrators;dacl:hosts";
    Hold heldElsewhere = Hold::none;
    // The hold ends after this many calls have run into it; 0: it lasts.
    int holdEndsAfterTries = 0;
};

struct Handle {
    Path path;
    bool writing = false;
    std::size_t position = 0;
};

struct Window {
    bool valid = true;
    WindowHandle parent = nullptr;
    bool enabled = true;
};

struct FakePlatform {
    FakePlatform();
    ~FakePlatform();
    FakePlatform(const FakePlatform&) = delete;
    FakePlatform& operator=(const FakePlatform&) = delete;

    void addFolder(const Path& folder) { folders.insert(folder); }
    // The file's folder is added with it.
    void addFile(const Path& path, const ByteString& bytes, bool readOnly = false);
    // Another process holds the file; after `tries` calls have run into the hold it lets go
    // (0: never).
    void holdElsewhere(const Path& path, Hold hold, int tries = 0);
    void failAt(Step step) { failing.insert(step); }
    bool fails(Step step) const { return failing.count(step) != 0; }

    std::set<Path> folders;
    std::map<Path, File> files;
    std::map<std::size_t, Handle> handles;
    std::size_t nextHandle = 1;
    std::set<Step> failing;

    FileError lastError = FileError::none;
    // Every wait the store asked for, in milliseconds, in order.
    std::vector<std::uint32_t> waits;
    int resolverFlushes = 0;
    // A file system that keeps no security (FAT): reading it fails as not supported.
    bool securityUnsupported = false;
    // Another process opens the target between our release and the rename, this many times.
    int renameRefusals = 0;
    // What a filter driver turns the renamed file's bytes into; nothing: it leaves them.
    std::optional<ByteString> bytesAfterRename;

    std::optional<Path> systemDirectory;
    std::optional<Path> moduleFileName;
    std::optional<Path> currentDirectory;

    // Window n has the handle value n + 1; programWindows lists them in this order.
    std::vector<Window> windows;
    WindowHandle active = nullptr;
    WindowHandle foreground = nullptr;
    static WindowHandle windowHandle(std::size_t index);

    ShellCopyOutcome shellOutcome;
    std::wstring shellSources;
    std::wstring shellDestinations;
    // One entry per window or shell call: "active", "foreground", "windows", "isWindow 1",
    // "parent 1", "enabled? 1", "enable 1 0", "shell", "setForeground 1", "setActive 1".
    std::vector<std::string> log;

private:
    FakePlatform* outer_;  // a fake made while another lives gives it back when it ends
    std::unique_ptr<ScopedPlatformCalls> installed_;
};

}  // namespace kelvane::fake
