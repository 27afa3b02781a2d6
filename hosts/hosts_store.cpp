#include "hosts/hosts_store.h"

#include "hosts/platform.h"

#include <cstdint>
#include <limits>
#include <new>
#include <utility>
#include <vector>

namespace kelvane {

namespace {

// Closes its file on every path out; close() reports the platform's answer where it matters.
class OpenFile {
public:
    explicit OpenFile(FileHandle handle = nullptr) : handle_(handle) {}
    ~OpenFile() { close(); }
    OpenFile(OpenFile&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    OpenFile& operator=(OpenFile&& other) noexcept {
        if (this != &other) {
            close();
            handle_ = std::exchange(other.handle_, nullptr);
        }
        return *this;
    }
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;

    explicit operator bool() const { return handle_ != nullptr; }
    FileHandle get() const { return handle_; }

    bool close() {
        FileHandle handle = std::exchange(handle_, nullptr);
        return handle == nullptr || platformCalls().closeFile(handle);
    }

private:
    FileHandle handle_;
};

// Deletes the named file when it goes out of scope, unless told to keep it. Declared before
// the file's handle, so that the handle is closed first.
class FileRemover {
public:
    explicit FileRemover(const Path& path) : path_(path) {}
    ~FileRemover() {
        if (!kept_ && !path_.empty()) platformCalls().deleteFile(path_);
    }
    FileRemover(const FileRemover&) = delete;
    FileRemover& operator=(const FileRemover&) = delete;
    void keep() { kept_ = true; }

private:
    const Path& path_;
    bool kept_ = false;
};

std::optional<Path>& fixedProgramDirectory() {
    static std::optional<Path> directory;
    return directory;
}

constexpr wchar_t kSeparator = L'\\';

// Texts and byte strings are both std::string: both conversions keep what stands before the
// first zero byte, and give absent when that is nothing.
std::optional<std::string> beforeFirstZero(std::optional<std::string> bytes) {
    if (!bytes) return std::nullopt;
    const std::size_t zero = bytes->find('\0');
    if (zero != std::string::npos) bytes->resize(zero);
    if (bytes->empty()) return std::nullopt;
    return bytes;
}

}  // namespace

const ByteString& emptyByteString() {
    static const ByteString empty;
    return empty;
}

void fixProgramDirectory() {
    const PlatformCalls& calls = platformCalls();
    Path directory;
    if (std::optional<Path> file = calls.moduleFileName()) {
        // UTF-16 has no double-byte characters, so the last backslash is always a separator.
        const std::size_t cut = file->rfind(kSeparator);
        if (cut != Path::npos) directory = file->substr(0, cut);
    }
    fixedProgramDirectory() = directory.empty() ? std::nullopt : std::optional<Path>(directory);
    if (directory.empty()) return;
    // "D:" alone would name the drive's current folder, not its root.
    if (directory.size() == 2 && directory[1] == L':') directory += kSeparator;
    calls.setCurrentDirectory(directory);
}

std::optional<Path> programDirectory() {
    return fixedProgramDirectory();
}

std::optional<Path> systemDirectory() {
    std::optional<Path> directory = platformCalls().systemDirectory();
    if (!directory || directory->empty()) return std::nullopt;
    if (directory->back() != kSeparator) directory->push_back(kSeparator);
    return directory;
}

Path resolveHostsPath() {
    return systemDirectory().value_or(Path()) + L"\\drivers\\etc\\hosts";
}

Path resolveBackupPath() {
    return programDirectory().value_or(Path()) + L"\\Host_Bak";
}

MaybeBytes readFileBytes(const Path& path) {
    if (path.empty()) return std::nullopt;
    const PlatformCalls& calls = platformCalls();
    OpenFile file(calls.openFile(path, FileOpen::readSharingRead));
    if (!file) return std::nullopt;

    const std::optional<std::int64_t> size = calls.fileSize(file.get());
    if (!size || *size <= 0 || *size > std::numeric_limits<std::int32_t>::max()) return std::nullopt;

    ByteString bytes;
    try {
        bytes.resize(static_cast<std::size_t>(*size));
    } catch (const std::bad_alloc&) {
        return std::nullopt;  // only this buffer reports its lack; the file's size is not ours
    }
    std::uint32_t done = 0;
    if (!calls.readFile(file.get(), &bytes[0], static_cast<std::uint32_t>(*size), done)) {
        return std::nullopt;
    }
    if (done < bytes.size()) bytes.resize(done);
    if (!file.close() || bytes.empty()) return std::nullopt;
    return bytes;
}

MaybeText bytesToText(MaybeBytes bytes) {
    return beforeFirstZero(std::move(bytes));
}

MaybeBytes textToBytes(MaybeText text) {
    return beforeFirstZero(std::move(text));
}

// The new bytes go to a temporary file beside the hosts file, are flushed, and then take the
// file's place in one step, so that a failure at any point leaves the old bytes in place.
int writeFileBytes(const Path& path, std::initializer_list<std::string_view> data) {
    if (path.empty()) return 0;
    const PlatformCalls& calls = platformCalls();

    // Windows refuses to open a read-only file for writing, but a process running as root on
    // another system may be let through: the attribute decides, the same everywhere.
    const std::optional<FileAttributes> attributes = calls.fileAttributes(path);
    const bool exists = attributes.has_value();
    if (exists && (attributes->readOnly || attributes->directory)) return 0;

    // Hold the existing file with no sharing while the new bytes are made, so that a file
    // another process holds open is left alone and nobody changes it underneath us.
    OpenFile held;
    if (exists) {
        held = OpenFile(calls.openFile(path, FileOpen::writeExclusive));
        if (!held) return 0;
    }

    Path tempPath;
    FileRemover removeTemp(tempPath);
    OpenFile temp(calls.createTempFile(path, tempPath));
    if (!temp) return 0;
    for (std::string_view piece : data) {
        if (piece.empty()) continue;
        if (piece.size() > std::numeric_limits<std::uint32_t>::max()) return 0;
        const auto size = static_cast<std::uint32_t>(piece.size());
        std::uint32_t done = 0;
        if (!calls.writeFile(temp.get(), piece.data(), size, done) || done != size) return 0;
    }
    if (!calls.flushFile(temp.get()) || !temp.close()) return 0;

    held.close();  // the replacement needs the file free
    const bool placed = exists ? calls.replaceFile(path, tempPath) : calls.moveFile(tempPath, path);
    if (!placed) return 0;
    removeTemp.keep();
    return 1;
}

int shellCopy(const Path& destination, std::initializer_list<Path> sources) {
    // The shell takes lists of zero-terminated paths, ended by one more zero.
    std::wstring from;
    for (const Path& source : sources) {
        if (source.empty()) continue;
        from += source;
        from.push_back(L'\0');
    }
    if (from.empty()) return 0;
    from.push_back(L'\0');
    std::wstring to = destination;
    to.push_back(L'\0');
    to.push_back(L'\0');

    const PlatformCalls& calls = platformCalls();
    WindowHandle active = calls.activeWindow();
    if (active != nullptr && !calls.isWindow(active)) active = nullptr;
    const WindowHandle foreground = calls.foregroundWindow();

    // While the shell's dialogs run their own message loops, clicks on our windows must do
    // nothing: disable each top-level window, remembering how it was.
    struct SavedWindow {
        WindowHandle window;
        bool enabled;
    };
    std::vector<SavedWindow> saved;
    for (WindowHandle window : calls.programWindows()) {
        if (!calls.isWindow(window) || calls.parentWindow(window) != nullptr) continue;
        saved.push_back({window, calls.isWindowEnabled(window)});
        calls.enableWindow(window, false);
    }

    const ShellCopyOutcome outcome = calls.shellFileCopy(from, to);
    const int result = outcome.status == 0 && !outcome.aborted ? 1 : 0;

    for (const SavedWindow& window : saved) calls.enableWindow(window.window, window.enabled);
    if (foreground != nullptr && calls.isWindow(foreground)) calls.setForegroundWindow(foreground);
    if (active != nullptr && calls.isWindow(active)) calls.setActiveWindow(active);
    return result;
}

}  // namespace kelvane
