// Owners of the GDI and shell handles the window makes: each is destroyed
// exactly once, by its owner.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <utility>

namespace gui {

template <typename Handle, BOOL(WINAPI* Destroy)(Handle)>
class Owned {
public:
    Owned() = default;
    explicit Owned(Handle handle) : handle_(handle) {}
    ~Owned() { reset(); }
    Owned(Owned&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    Owned& operator=(Owned&& other) noexcept {
        if (this != &other) reset(std::exchange(other.handle_, nullptr));
        return *this;
    }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    void reset(Handle handle = nullptr) {
        if (handle_) Destroy(handle_);
        handle_ = handle;
    }
    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

private:
    Handle handle_ = nullptr;
};

inline BOOL WINAPI DeleteGdiObject(HGDIOBJ object) {
    return DeleteObject(object);
}
inline BOOL WINAPI DestroyImageList(HIMAGELIST list) {
    return ImageList_Destroy(list);
}

using IconOwner = Owned<HICON, DestroyIcon>;
using GdiObjectOwner = Owned<HGDIOBJ, DeleteGdiObject>;
using MemoryDcOwner = Owned<HDC, DeleteDC>;
using ImageListOwner = Owned<HIMAGELIST, DestroyImageList>;

// A DC from GetDC / GetWindowDC, given back with ReleaseDC.
class WindowDc {
public:
    explicit WindowDc(HWND window, bool whole = false)
        : window_(window), dc_(whole ? GetWindowDC(window) : GetDC(window)) {}
    ~WindowDc() {
        if (dc_) ReleaseDC(window_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// Selects an object into a DC for the length of a scope.
class SelectIn {
public:
    SelectIn(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
    ~SelectIn() { SelectObject(dc_, old_); }
    SelectIn(const SelectIn&) = delete;
    SelectIn& operator=(const SelectIn&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

}  // namespace gui
