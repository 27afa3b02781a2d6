// Scoped device contexts and selections; the GDI objects themselves are owned through
// win_handles.h.
#pragma once

#include "win_handles.h"

#include <windows.h>

namespace kelvane {

// The device context of a window, from GetDC (client area) or GetWindowDC (whole window),
// released when it goes out of scope.
class WindowDc {
public:
    enum class Area { client, whole };
    explicit WindowDc(HWND window, Area area = Area::client)
        : window_(window), dc_(area == Area::whole ? GetWindowDC(window) : GetDC(window)) {}
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    ~WindowDc() {
        if (dc_) ReleaseDC(window_, dc_);
    }
    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// An object selected into a device context for the length of a scope.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;
    ~SelectedObject() {
        if (previous_ && previous_ != HGDI_ERROR) SelectObject(dc_, previous_);
    }

private:
    HDC dc_;
    HGDIOBJ previous_;
};

}  // namespace kelvane
