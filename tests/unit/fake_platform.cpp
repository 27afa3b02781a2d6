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

PlatformCalls makeFakeCalls() {
    PlatformCalls calls{};
    calls.systemDirectory = []() { return fake->systemDirectory; };
    calls.moduleFileName = []() { return fake->moduleFileName; };
    calls.setCurrentDirectory = [](const Path& directory) {
        fake->currentDirectory = directory;
        return true;
    };
    calls.fileAttributes = [](const Path& path) -> std::optional<FileAttributes> {
        if (fake->fails(Step::attributes)) return std::nullopt;
        if (fake->folders.count(path)) return FileAttributes{false, true};
        const auto found = fake->files.find(path);
        if (found == fake->files.end()) return std::nullopt;
        return FileAttributes{found->second.readOnly, false};
    };
    // Like Wine run as root, opening for writing ignores the read-only attribute.
    calls.openFile = [](const Path& path, FileOpen mode) -> FileHandle {
        if (fake->fails(Step::open)) return nullptr;
        const auto found = fake->files.find(path);
        if (found == fake->files.end()) return nullptr;
        const Hold held = found->second.heldElsewhere;
        if (mode == FileOpen::readSharingRead) {
            if (held == Hold::exclusive || openForWriting(path)) return nullptr;
            return newHandle(path, false);
        }
        if (held != Hold::none || isOpen(path)) return nullptr;
        return newHandle(path, true);
    };
    calls.createTempFile = [](const Path& beside, Path& created) -> FileHandle {
        if (fake->fails(Step::createTemp) || !fake->folders.count(folderOf(beside))) {
            return nullptr;
        }
        for (int n = 0;; ++n) {
            const Path name = beside + L".tmp" + std::to_wstring(n);
            if (fake->files.count(name)) continue;
            fake->files[name] = File{};
            created = name;
            return newHandle(name, true);
        }
    };
    calls.fileSize = [](FileHandle file) -> std::optional<std::int64_t> {
        const Handle* handle = handleOf(file);
        if (fake->fails(Step::size) || !handle) return std::nullopt;
        return static_cast<std::int64_t>(fake->files[handle->path].bytes.size());
    };
    calls.readFile = [](FileHandle file, void* buffer, std::uint32_t size, std::uint32_t& done) {
        done = 0;
        Handle* handle = handleOf(file);
        if (fake->fails(Step::read) || !handle || handle->writing) return false;
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
        if (fake->fails(Step::write) || !handle || !handle->writing) return false;
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
        return !fake->fails(Step::flush) && handle && handle->writing;
    };
    calls.closeFile = [](FileHandle file) {
        const bool known = fake->handles.erase(reinterpret_cast<std::uintptr_t>(file)) != 0;
        return known && !fake->fails(Step::close);
    };
    calls.replaceFile = [](const Path& replaced, const Path& replacement) {
        if (fake->fails(Step::replace)) return false;
        const auto target = fake->files.find(replaced);
        const auto source = fake->files.find(replacement);
        if (target == fake->files.end() || source == fake->files.end()) return false;
        if (isOpen(replaced) || isOpen(replacement) || target->second.heldElsewhere != Hold::none) {
            return false;
        }
        target->second.bytes = source->second.bytes;  // the target keeps its attributes
        fake->files.erase(source);
        return true;
    };
    calls.moveFile = [](const Path& from, const Path& to) {
        if (fake->fails(Step::move)) return false;
        const auto source = fake->files.find(from);
        if (source == fake->files.end() || isOpen(from) || fake->files.count(to) ||
            !fake->folders.count(folderOf(to))) {
            return false;
        }
        fake->files[to] = source->second;
        fake->files.erase(from);
        return true;
    };
    calls.deleteFile = [](const Path& path) {
        if (fake->fails(Step::remove) || isOpen(path)) return false;
        return fake->files.erase(path) != 0;
    };
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
    files[path] = File{bytes, readOnly, Hold::none};
}

WindowHandle FakePlatform::windowHandle(std::size_t index) {
    return reinterpret_cast<WindowHandle>(static_cast<std::uintptr_t>(index + 1));
}

}  // namespace kelvane::fake
