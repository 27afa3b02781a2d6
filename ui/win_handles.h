// Small move-only owners of platform handles, each released exactly once.
#pragma once

#include <windows.h>

#include <utility>

namespace kelvane {

// Owns one handle and gives it to Release when it goes; Release is a function object type.
template <typename Handle, typename Release>
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : handle_(handle) {}
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) {
            reset();
            handle_ = std::exchange(other.handle_, nullptr);
        }
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { reset(); }

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

    void reset(Handle handle = nullptr) {
        if (handle_) Release()(handle_);
        handle_ = handle;
    }

private:
    Handle handle_ = nullptr;
};

struct DestroyIconCall {
    void operator()(HICON icon) const { DestroyIcon(icon); }
};

// For GDI objects of our own (brushes, fonts); never for a stock object.
struct DeleteObjectCall {
    void operator()(HGDIOBJ object) const { DeleteObject(object); }
};

using UniqueIcon = UniqueHandle<HICON, DestroyIconCall>;
using OwnedBrush = UniqueHandle<HBRUSH, DeleteObjectCall>;
using OwnedFont = UniqueHandle<HFONT, DeleteObjectCall>;

}  // namespace kelvane
