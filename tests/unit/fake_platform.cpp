#include "fake_platform.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace kelvane::fake {

namespace {

FakePlatform* fake = nullptr;

Path folderOf(const Path& path) {
    const std::size_t cut = path.rfind(L'\\');
    return cut == Path::npos ? Path() : path.substr(0, cut);
}

FileHandle toFileHandle(std::size_t id) {
    return reinterpret_cast<FileHandle>(static_cast<std::uintptr_t>(id));
}

Handle* handleOf(FileHandle file) {
    const auto found = fake->handles.find(reinterpret_cast<std::uintptr_t>(file));
    return found == fake->handles.end() ? nullptr : &found->second;
}

bool isOpen(const Path& path) {
    return std::any_of(fake->handles.begin(), fake->handles.end(),
                       [&](const auto& entry) { return entry.second.path == path; });
}

bool openForWriting(const Path& path) {
    return std::any_of(fake->handles.begin(), fake->handles.end(), [&](const auto& entry) {
        return entry.second.path == path && entry.second.writing;
    });
}

FileHandle newHandle(const Path& path, bool writing) {
    const std::size_t id = fake->nextHandle++;
    fake->handles[id] = Handle{path, writing, 0};
    return toFileHandle(id);
}

std::string windowNumber(WindowHandle window) {
    return std::to_string(reinterpret_cast<std::uintptr_t>(window));
}

Window* windowOf(WindowHandle handle) {
    const auto number = reinterpret_cast<std::uintptr_t>(handle);
    if (number == 0 || number > fake->windows.size()) return nullptr;
    return &fake->windows[number - 1];
}

// Records why a call failed, as GetLastError would, and gives what a failing call returns.
template <typename Result>
Result failWith(FileError error, Result result) {
    fake->lastError = error;
    return result;
}

// The hold of another process stops a call; counts it and lets go when its time has come.
bool blockedByHold(File& file, bool onlyExclusive) {
    if (file.heldElsewhere == Hold::none) return false;
    if (onlyExclusive && file.heldElsewhere != Hold::exclusive) return false;
    if (file.holdEndsAfterTries > 0 && --file.holdEndsAfterTries == 0) file.heldElsewhere = Hold::none;
    return true;
}

PlatformCalls makeFakeCalls() {
    PlatformCalls calls{};
    calls.systemDirectory = []() { return fake->systemDirectory; };
    calls.moduleFileName = []() { return fake->moduleFileName; };
    calls.setCurrentDirectory = [](const Path& directory) {
        fake->currentDirectory = directory;
        return true;
    };
    calls.processId = []() -> std::uint32_t { return 4242; };
    calls.fileAttributes = [](const Path& path) -> std::optional<FileAttributes> {
        if (fake->fails(Step::attributes)) return failWith(FileError::other, std::nullopt);
        if (fake->folders.count(path)) {
            FileAttributes folder;
            folder.directory = true;
            return folder;
        }
        const auto found = fake->files.find(path);
        if (found == fake->files.end()) return failWith(FileError::notFound, std::nullopt);
        return found->second.attributes;
    };
    calls.setFileAttributes = [](const Path& path, const FileAttributes& attributes) {
        const auto found = fake->files.find(path);
        if (fake->fails(Step::setAttributes) || found == fake->files.end()) {
            return failWith(FileError::other, false);
        }
        found->second.attributes = attributes;
        return true;
    };
    calls.fileSecurity = [](const Path& path) -> std::optional<ByteString> {
        if (fake->securityUnsupported) return failWith(FileError::notSupported, std::nullopt);
        const auto found = fake->files.find(path);
        if (fake->fails(Step::security) || found == fake->files.end()) {
            return failWith(FileError::other, std::nullopt);
        }
        return found->second.security;
    };
    calls.setFileSecurity = [](const Path& path, const ByteString& descriptor, unsigned parts) {
        const auto found = fake->files.find(path);
        if (fake->fails(Step::setSecurity) || found == fake->files.end()) {
            return failWith(FileError::other, false);
        }
        if ((parts & securityOwner) && fake->fails(Step::setOwner)) {
            return failWith(FileError::accessDenied, false);
        }
        // The owner stays the creator's unless it is set: what follows ";" is the DACL.
        const std::size_t cut = descriptor.find(';');
        const ByteString dacl = descriptor.substr(cut);
        const ByteString owner = (parts & securityOwner)
                                     ? descriptor.substr(0, cut)
                                     : found->second.security.substr(0, found->second.security.find(';'));
        found->second.security = owner + ((parts & securityDacl) ? dacl : ";dacl:inherited");
        return true;
    };
    calls.listFiles = [](const Path& folder, const Path& prefix) {
        std::vector<Path> names;
        if (fake->fails(Step::list)) return names;
        for (const auto& entry : fake->files) {
            const Path& path = entry.first;
            if (path.compare(0, folder.size(), folder) != 0) continue;
            const Path name = path.substr(folder.size());
            if (name.find(L'\\') == Path::npos && name.compare(0, prefix.size(), prefix) == 0) {
                names.push_back(name);
            }
        }
        return names;
    };
    // Like Wine run as root, opening for writing ignores the read-only attribute.
    calls.openFile = [](const Path& path, FileOpen mode) -> FileHandle {
        if (fake->fails(Step::open)) return failWith(FileError::other, nullptr);
        const auto found = fake->files.find(path);
        if (found == fake->files.end()) return failWith(FileError::notFound, nullptr);
        const bool reading = mode == FileOpen::readSharingRead;
        if (blockedByHold(found->second, reading) || (reading ? openForWriting(path) : isOpen(path))) {
            return failWith(FileError::sharingViolation, nullptr);
        }
        return newHandle(path, !reading);
    };
    calls.createNewFile = [](const Path& path) -> FileHandle {
        if (fake->fails(Step::createTemp)) return failWith(FileError::other, nullptr);
        if (!fake->folders.count(folderOf(path))) return failWith(FileError::notFound, nullptr);
        if (fake->files.count(path)) return failWith(FileError::alreadyExists, nullptr);
        File created;
        created.attributes.archive = true;
        created.security = "owner:Administrators;dacl:inherited";
        fake->files[path] = created;
        return newHandle(path, true);
    };
    calls.fileSize = [](FileHandle file) -> std::optional<std::int64_t> {
        const Handle* handle = handleOf(file);
        if (fake->fails(Step::size) || !handle) return failWith(FileError::other, std::nullopt);
        return static_cast<std::int64_t>(fake->files[handle->path].bytes.size());
    };
    calls.readFile = [](FileHandle file, void* buffer, std::uint32_t size, std::uint32_t& done) {
        done = 0;
        Handle* handle = handleOf(file);
        if (fake->fails(Step::read) || !handle || handle->writing) return failWith(FileError::other, false);
        const ByteString& bytes = fake->files[handle->path].bytes;
        std::size_t count = std::min<std::size_t>(size, bytes.size() - handle->position);
        if (fake->fails(Step::shortRead) && count > 0) --count;
        std::memcpy(buffer, bytes.data() + handle->position, count);
        handle->position += count;
        done = static_cast<std::uint32_t>(count);
        return true;
    };
    calls.writeFile = [](FileHandle file, const void* data, std::uint32_t size,
                         std::uint32_t& done) {
        done = 0;
        Handle* handle = handleOf(file);
        if (fake->fails(Step::write) || !handle || !handle->writing) return failWith(FileError::other, false);
        std::size_t count = size;
        if (fake->fails(Step::shortWrite) && count > 0) --count;
        ByteString& bytes = fake->files[handle->path].bytes;
        bytes.replace(handle->position, count, static_cast<const char*>(data), count);
        handle->position += count;
        done = static_cast<std::uint32_t>(count);
        return true;
    };
    calls.flushFile = [](FileHandle file) {
        const Handle* handle = handleOf(file);
        if (fake->fails(Step::flush) || !handle || !handle->writing) return failWith(FileError::other, false);
        return true;
    };
    calls.closeFile = [](FileHandle file) {
        const bool known = fake->handles.erase(reinterpret_cast<std::uintptr_t>(file)) != 0;
        if (!known || fake->fails(Step::close)) return failWith(FileError::other, false);
        return true;
    };
    // One step: the target names the old file until the new one takes its place.
    calls.renameFile = [](const Path& from, const Path& to, bool replace) {
        if (fake->fails(Step::rename)) return failWith(FileError::other, false);
        const auto source = fake->files.find(from);
        if (source == fake->files.end()) return failWith(FileError::notFound, false);
        if (!fake->folders.count(folderOf(to))) return failWith(FileError::notFound, false);
        const auto target = fake->files.find(to);
        if (target != fake->files.end()) {
            if (!replace) return failWith(FileError::alreadyExists, false);
            if (target->second.attributes.readOnly) return failWith(FileError::accessDenied, false);
            if (fake->renameRefusals > 0) {
                --fake->renameRefusals;
                return failWith(FileError::accessDenied, false);
            }
            if (blockedByHold(target->second, false) || isOpen(to)) {
                return failWith(FileError::accessDenied, false);
            }
        }
        if (isOpen(from)) return failWith(FileError::sharingViolation, false);
        File moved = source->second;
        fake->files.erase(source);
        if (fake->bytesAfterRename) moved.bytes = *fake->bytesAfterRename;
        fake->files[to] = moved;
        return true;
    };
    calls.deleteFile = [](const Path& path) {
        const auto found = fake->files.find(path);
        if (fake->fails(Step::remove)) return failWith(FileError::other, false);
        if (found == fake->files.end()) return failWith(FileError::notFound, false);
        if (isOpen(path) || blockedByHold(found->second, false)) {
            return failWith(FileError::sharingViolation, false);
        }
        fake->files.erase(found);
        return true;
    };
    calls.lastFileError = []() { return fake->lastError; };
    calls.sleep = [](std::uint32_t milliseconds) { fake->waits.push_back(milliseconds); };
    calls.flushResolverCache = []() { ++fake->resolverFlushes; };
    calls.shellFileCopy = [](const std::wstring& sources, const std::wstring& destinations) {
        fake->log.push_back("shell");
        fake->shellSources = sources;
        fake->shellDestinations = destinations;
        return fake->shellOutcome;
    };
    calls.activeWindow = []() {
        fake->log.push_back("active");
        return fake->active;
    };
    calls.foregroundWindow = []() {
        fake->log.push_back("foreground");
        return fake->foreground;
    };
    calls.programWindows = []() {
        fake->log.push_back("windows");
        std::vector<WindowHandle> list;
        for (std::size_t i = 0; i < fake->windows.size(); ++i) {
            list.push_back(FakePlatform::windowHandle(i));
        }
        return list;
    };
    calls.isWindow = [](WindowHandle window) {
        fake->log.push_back("isWindow " + windowNumber(window));
        const Window* found = windowOf(window);
        return found && found->valid;
    };
    calls.parentWindow = [](WindowHandle window) {
        fake->log.push_back("parent " + windowNumber(window));
        const Window* found = windowOf(window);
        return found ? found->parent : nullptr;
    };
    calls.isWindowEnabled = [](WindowHandle window) {
        fake->log.push_back("enabled? " + windowNumber(window));
        const Window* found = windowOf(window);
        return found && found->enabled;
    };
    calls.enableWindow = [](WindowHandle window, bool enable) {
        fake->log.push_back("enable " + windowNumber(window) + (enable ? " 1" : " 0"));
        if (Window* found = windowOf(window)) found->enabled = enable;
    };
    calls.setForegroundWindow = [](WindowHandle window) {
        fake->log.push_back("setForeground " + windowNumber(window));
    };
    calls.setActiveWindow = [](WindowHandle window) {
        fake->log.push_back("setActive " + windowNumber(window));
    };
    return calls;
}

}  // namespace

FakePlatform::FakePlatform() : outer_(fake) {
    fake = this;
    installed_ = std::make_unique<ScopedPlatformCalls>(makeFakeCalls());
}

FakePlatform::~FakePlatform() {
    installed_.reset();
    fake = outer_;
}

void FakePlatform::addFile(const Path& path, const ByteString& bytes, bool readOnly) {
    folders.insert(folderOf(path));
    File file;
    file.bytes = bytes;
    file.attributes.readOnly = readOnly;
    file.attributes.archive = true;
    files[path] = file;
}

void FakePlatform::holdElsewhere(const Path& path, Hold hold, int tries) {
    files[path].heldElsewhere = hold;
    files[path].holdEndsAfterTries = tries;
}

WindowHandle FakePlatform::windowHandle(std::size_t index) {
    return reinterpret_cast<WindowHandle>(static_cast<std::uintptr_t>(index + 1));
}

}  // namespace kelvane::fake
