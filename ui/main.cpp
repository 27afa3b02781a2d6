// Program entry: the one window and its message loop. Ends with status 0 however it ends.
#include "event_loop.h"
#include "hosts/hosts_store.h"
#include "main_window.h"

#include <windows.h>
#include <ole2.h>

namespace {

// The program runs elevated with its own folder as the current directory: a DLL planted
// beside it must never be loaded. Windows 7 without KB2533623 lacks SetDefaultDllDirectories;
// there the program starts without it.
void restrictDllSearch() {
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    FARPROC found = kernel ? GetProcAddress(kernel, "SetDefaultDllDirectories") : nullptr;
    if (found) {
        auto setDefaultDllDirectories = reinterpret_cast<SetDefaultDllDirectoriesFunction>(
            reinterpret_cast<void (*)()>(found));
        setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
    SetDllDirectoryW(L"");
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    restrictDllSearch();
    const HRESULT ole = OleInitialize(nullptr);
    kelvane::fixProgramDirectory();
    {
        std::unique_ptr<kelvane::MainWindow> window = kelvane::MainWindow::build(instance);
        if (window) kelvane::runEventLoop(*window);
    }  // the window's icons go with it
    if (SUCCEEDED(ole)) OleUninitialize();
    return 0;
}
