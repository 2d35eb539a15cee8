// RAII owners of the handles the program holds: GDI objects, DCs and selections, keys, kernel handles, menus.
#pragma once
#include <windows.h>

#include <utility>

// Owns one handle and releases it with the given function when it goes (or is reset). Every
// resource the program holds is released by one of these owners, never by hand.
template <class Handle, auto Release, Handle Empty = Handle{}>
class Owned {
public:
    Owned() = default;
    explicit Owned(Handle handle) : handle_(handle) {}
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    Owned(Owned&& other) noexcept : handle_(other.release()) {}
    Owned& operator=(Owned&& other) noexcept {
        reset(other.release());
        return *this;
    }
    ~Owned() { reset(); }

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != Empty; }
    Handle release() {
        const Handle h = handle_;
        handle_ = Empty;
        return h;
    }
    void reset(Handle handle = Empty) {
        if (handle_ != Empty) Release(handle_);
        handle_ = handle;
    }
    // For the functions that hand a new handle back through a pointer (RegOpenKeyEx, ...).
    Handle* put() {
        reset();
        return &handle_;
    }

private:
    Handle handle_ = Empty;
};

template <class GdiHandle>
using GdiObject = Owned<GdiHandle, DeleteObject>;
using OwnedBitmap = GdiObject<HBITMAP>;
using OwnedFont = GdiObject<HFONT>;
using OwnedPen = GdiObject<HPEN>;
using MemoryDC = Owned<HDC, DeleteDC>;
using OwnedKey = Owned<HKEY, RegCloseKey>;
using KernelHandle = Owned<HANDLE, CloseHandle>;
using OwnedMenu = Owned<HMENU, DestroyMenu>;
using LocalMemory = Owned<HLOCAL, LocalFree>;
using OwnedIcon = Owned<HICON, DestroyIcon>;
using OwnedCursor = Owned<HCURSOR, DestroyCursor>;
using ServiceHandle = Owned<SC_HANDLE, CloseServiceHandle>;

// A window's DC for the time of a scope.
class WindowDC {
public:
    explicit WindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    ~WindowDC() {
        if (dc_) ReleaseDC(window_, dc_);
    }
    HDC get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    HWND window_;
    HDC dc_;
};

// An object selected into a DC; the DC's earlier object is selected again when this goes.
class SelectedObject {
public:
    SelectedObject() = default;
    SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), original_(SelectObject(dc, object)) {}
    SelectedObject(SelectedObject&& other) noexcept
        : dc_(std::exchange(other.dc_, nullptr)), original_(std::exchange(other.original_, nullptr)) {}
    SelectedObject& operator=(SelectedObject&& other) noexcept {
        Restore();
        dc_ = std::exchange(other.dc_, nullptr);
        original_ = std::exchange(other.original_, nullptr);
        return *this;
    }
    ~SelectedObject() { Restore(); }

private:
    void Restore() {
        if (dc_ && original_) SelectObject(dc_, original_);
    }

    HDC dc_ = nullptr;
    HGDIOBJ original_ = nullptr;
};
