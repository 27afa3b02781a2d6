// The few file operations the benchmark needs around its measurements.
#pragma once

#include "driver.h"

#include <windows.h>

#include <optional>
#include <string>

namespace kelvane::bench {

// A kernel handle (file, process, thread) closed when it goes out of scope.
class OwnedHandle {
public:
    explicit OwnedHandle(HANDLE handle = INVALID_HANDLE_VALUE) : handle_(handle) {}
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;
    OwnedHandle(OwnedHandle&& other) noexcept : handle_(other.release()) {}
    OwnedHandle& operator=(OwnedHandle&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }
    ~OwnedHandle() { reset(); }

    HANDLE get() const { return handle_; }
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
    HANDLE release() {
        HANDLE handle = handle_;
        handle_ = INVALID_HANDLE_VALUE;
        return handle;
    }
    void reset(HANDLE handle = INVALID_HANDLE_VALUE) {
        if (valid()) {
            CloseHandle(handle_);
        }
        handle_ = handle;
    }

private:
    HANDLE handle_;
};

// The whole file in one ReadFile; absent when it cannot be read.
std::optional<std::string> readWholeFile(const std::wstring& path);

// Size in bytes; -1 when the file cannot be opened.
long long fileSize(const std::wstring& path);

// The hosts file the program reads and writes, as the driver finds it.
using e2e::hostsFilePath;

// A file beside the hosts file, for the baseline's own writes.
std::wstring besideHostsFile(const wchar_t* name);

// The folder of this program, with a trailing backslash.
std::wstring ownFolder();

}  // namespace kelvane::bench
