#include "bench_files.h"

namespace kelvane::bench {

std::optional<std::string> readWholeFile(const std::wstring& path) {
    OwnedHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size;
    if (!file.valid() || !GetFileSizeEx(file.get(), &size) || size.QuadPart > 0x7fffffff) {
        return std::nullopt;
    }
    std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    if (!bytes.empty() &&
        (!ReadFile(file.get(), &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr) ||
         read != bytes.size())) {
        return std::nullopt;
    }
    return bytes;
}

long long fileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
        return -1;
    }
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::wstring besideHostsFile(const wchar_t* name) {
    const std::wstring hosts = hostsFilePath();
    return hosts.substr(0, hosts.find_last_of(L'\\') + 1) + name;
}

std::wstring ownFolder() {
    wchar_t name[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, name, MAX_PATH);
    std::wstring path(name, length < MAX_PATH ? length : 0);
    return path.substr(0, path.find_last_of(L"\\/") + 1);
}

}  // namespace kelvane::bench
