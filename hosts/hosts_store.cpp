#include "hosts/hosts_store.h"

#include "hosts/platform.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>
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
    FileRemover() = default;
    ~FileRemover() {
        if (!kept_ && !path_.empty()) platformCalls().deleteFile(path_);
    }
    FileRemover(const FileRemover&) = delete;
    FileRemover& operator=(const FileRemover&) = delete;
    void track(const Path& path) { path_ = path; }
    void keep() { kept_ = true; }

private:
    Path path_;
    bool kept_ = false;
};

// Tries a step again while another process's hold is what stops it, with growing waits, until
// the step's retries or the whole operation's waiting time run out.
class HoldRetries {
public:
    template <typename Step>
    bool run(Step step) {
        const PlatformCalls& calls = platformCalls();
        for (int attempt = 1;; ++attempt) {
            if (step()) return true;
            const FileError error = calls.lastFileError();
            const bool held = error == FileError::sharingViolation ||
                              error == FileError::lockViolation ||
                              error == FileError::accessDenied;
            const std::uint32_t wait = kHoldWaitStepMs * static_cast<std::uint32_t>(attempt);
            if (!held || attempt > kHoldRetries || waited_ + wait > kHoldWaitLimitMs) return false;
            calls.sleep(wait);
            waited_ += wait;
        }
    }

private:
    std::uint32_t waited_ = 0;
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

namespace {

// The folder part of a path, with its trailing backslash; empty for a bare name.
Path folderPrefixOf(const Path& path) {
    const std::size_t cut = path.rfind(kSeparator);
    return cut == Path::npos ? Path() : path.substr(0, cut + 1);
}

bool isSaveTempName(const Path& name) {
    const Path prefix = kSaveTempPrefix;
    const Path suffix = kSaveTempSuffix;
    return name.size() > prefix.size() + suffix.size() && name.compare(0, prefix.size(), prefix) == 0 &&
           name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// Our temporary files that a Save cut short (a crash, End Task, a power cut) left behind. One
// that another process still holds is in use and stays: deleting it fails.
void removeLeftovers(const Path& folder) {
    const PlatformCalls& calls = platformCalls();
    for (const Path& name : calls.listFiles(folder, kSaveTempPrefix)) {
        if (isSaveTempName(name)) calls.deleteFile(folder + name);
    }
}

// A new temporary file in the folder, under a name of our own form.
OpenFile createSaveTemp(const Path& folder, Path& created) {
    const PlatformCalls& calls = platformCalls();
    const std::wstring process = std::to_wstring(calls.processId());
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const Path name = folder + kSaveTempPrefix + process + L"-" + std::to_wstring(++counter) +
                          kSaveTempSuffix;
        OpenFile file(calls.createNewFile(name));
        if (file) {
            created = name;
            return file;
        }
        if (calls.lastFileError() != FileError::alreadyExists) break;
    }
    return OpenFile();
}

bool writeAll(FileHandle file, std::string_view piece) {
    if (piece.size() > std::numeric_limits<std::uint32_t>::max()) return false;
    const auto size = static_cast<std::uint32_t>(piece.size());
    std::uint32_t done = 0;
    return platformCalls().writeFile(file, piece.data(), size, done) && done == size;
}

// The file holds exactly the pieces, one after another, read back in blocks.
bool holdsExactly(const Path& path, std::initializer_list<std::string_view> data,
                  HoldRetries& retries) {
    const PlatformCalls& calls = platformCalls();
    OpenFile file;
    if (!retries.run([&] {
            file = OpenFile(calls.openFile(path, FileOpen::readSharingRead));
            return static_cast<bool>(file);
        })) {
        return false;
    }
    std::int64_t expected = 0;
    for (std::string_view piece : data) expected += static_cast<std::int64_t>(piece.size());
    const std::optional<std::int64_t> size = calls.fileSize(file.get());
    if (!size || *size != expected) return false;

    // A small block, used again and again: a fresh buffer of megabytes costs more than the
    // reads (every page of it is faulted in).
    constexpr std::uint32_t kBlock = 64u << 10;
    std::vector<char> block;
    for (std::string_view piece : data) {
        while (!piece.empty()) {
            const auto want = static_cast<std::uint32_t>(std::min<std::size_t>(piece.size(), kBlock));
            block.resize(want);
            std::uint32_t done = 0;
            if (!calls.readFile(file.get(), block.data(), want, done) || done != want ||
                piece.compare(0, want, std::string_view(block.data(), want)) != 0) {
                return false;
            }
            piece.remove_prefix(want);
        }
    }
    return file.close();
}

}  // namespace

// The new bytes go to a temporary file beside the file, which takes the file's attributes and
// security and then its place, in one rename: at every instant the path names the whole old
// file or the whole new one. Until that rename a failure leaves the old file as it was.
int writeFileBytes(const Path& path, std::initializer_list<std::string_view> data) {
    if (path.empty()) return 0;
    const PlatformCalls& calls = platformCalls();
    const Path folder = folderPrefixOf(path);
    HoldRetries retries;

    // Windows refuses to open a read-only file for writing, but a process running as root on
    // another system may be let through: the attribute decides, the same everywhere.
    const std::optional<FileAttributes> attributes = calls.fileAttributes(path);
    const bool exists = attributes.has_value();
    if (!exists && calls.lastFileError() != FileError::notFound) return 0;
    if (exists && (attributes->readOnly || attributes->directory)) return 0;

    removeLeftovers(folder);

    // Hold the existing file with no sharing while the new bytes are made, so that nobody
    // changes it underneath us.
    OpenFile held;
    std::optional<ByteString> security;
    if (exists) {
        if (!retries.run([&] {
                held = OpenFile(calls.openFile(path, FileOpen::writeExclusive));
                return static_cast<bool>(held);
            })) {
            return 0;
        }
        security = calls.fileSecurity(path);
        if (!security && calls.lastFileError() != FileError::notSupported) return 0;
    }

    Path tempPath;
    FileRemover removeTemp;
    OpenFile temp = createSaveTemp(folder, tempPath);
    if (!temp) return 0;
    removeTemp.track(tempPath);
    for (std::string_view piece : data) {
        if (!piece.empty() && !writeAll(temp.get(), piece)) return 0;
    }
    if (!calls.flushFile(temp.get())) return 0;

    // The same file with new bytes: its attributes, its DACL, and its owner where the platform
    // lets us set that (an owner other than ourselves needs a privilege we may not hold).
    if (exists) {
        FileAttributes carried = *attributes;
        carried.readOnly = false;
        if (!calls.setFileAttributes(tempPath, carried)) return 0;
    }
    if (security && !calls.setFileSecurity(tempPath, *security, securityOwner | securityDacl) &&
        !calls.setFileSecurity(tempPath, *security, securityDacl)) {
        return 0;
    }
    if (!temp.close()) return 0;

    held.close();  // a rename onto a file that is open fails
    if (!retries.run([&] { return calls.renameFile(tempPath, path, exists); })) return 0;
    removeTemp.keep();

    // A security product or a filter driver may have blocked or changed the write.
    return holdsExactly(path, data, retries) ? 1 : 0;
}

int writeHostsFileBytes(const Path& path, std::string_view bytes) {
    const int result = writeFileBytes(path, {bytes});
    if (result == 1) platformCalls().flushResolverCache();
    return result;
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
