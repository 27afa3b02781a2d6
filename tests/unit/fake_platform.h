// An in-memory platform for the store: folders, files, handles with Windows' sharing rules,
// another process that holds files open, any single step made to fail, and a log of every
// window and shell call. While it lives it is the table the store calls.
#pragma once

#include "hosts/platform.h"

#include <cstddef>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace kelvane::fake {

enum class Step {
    attributes,
    open,
    size,
    read,
    shortRead,   // the read succeeds with one byte fewer than asked
    createTemp,
    write,
    shortWrite,  // the write succeeds with one byte fewer than asked
    flush,
    close,       // the handle is gone all the same, as with CloseHandle
    replace,
    move,
    remove,
};

// How another process holds a file open.
enum class Hold { none, reading, exclusive };

struct File {
    ByteString bytes;
    bool readOnly = false;
    Hold heldElsewhere = Hold::none;
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
    void failAt(Step step) { failing.insert(step); }
    bool fails(Step step) const { return failing.count(step) != 0; }

    std::set<Path> folders;
    std::map<Path, File> files;
    std::map<std::size_t, Handle> handles;
    std::size_t nextHandle = 1;
    std::set<Step> failing;

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
