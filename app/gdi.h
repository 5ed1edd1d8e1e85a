#pragma once
// Win32 only: small owners for GDI objects, device contexts, icons and window classes.

#include <windows.h>

#include <utility>

namespace horvane {

// Owns one GDI object (bitmap, font, brush, region) and deletes it.
template <typename Handle>
class GdiObject {
  public:
    GdiObject() = default;
    explicit GdiObject(Handle handle) : handle_(handle) {}
    ~GdiObject() { Reset(); }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    GdiObject(GdiObject&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    GdiObject& operator=(GdiObject&& other) noexcept {
        if (this != &other) {
            Reset();
            handle_ = std::exchange(other.handle_, nullptr);
        }
        return *this;
    }

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    // Gives the handle away (to an owner such as SetWindowRgn).
    Handle release() { return std::exchange(handle_, nullptr); }
    void Reset(Handle handle = nullptr) {
        if (handle_) DeleteObject(handle_);
        handle_ = handle;
    }

  private:
    Handle handle_ = nullptr;
};

using Bitmap = GdiObject<HBITMAP>;
using Font = GdiObject<HFONT>;
using Brush = GdiObject<HBRUSH>;
using Region = GdiObject<HRGN>;

// Owns an icon made by LoadImage (not shared) or CreateIconIndirect.
class Icon {
  public:
    Icon() = default;
    explicit Icon(HICON handle) : handle_(handle) {}
    ~Icon() { Reset(); }
    Icon(const Icon&) = delete;
    Icon& operator=(const Icon&) = delete;
    Icon(Icon&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    Icon& operator=(Icon&& other) noexcept {
        if (this != &other) {
            Reset();
            handle_ = std::exchange(other.handle_, nullptr);
        }
        return *this;
    }

    HICON get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    void Reset(HICON handle = nullptr) {
        if (handle_) DestroyIcon(handle_);
        handle_ = handle;
    }

  private:
    HICON handle_ = nullptr;
};

// A device context of a window (GetDC or GetWindowDC), released with the window it belongs
// to. A null window means the screen.
class WindowDC {
  public:
    enum class Area { Client, Window };
    explicit WindowDC(HWND window, Area area = Area::Client)
        : window_(window), dc_(area == Area::Window ? GetWindowDC(window) : GetDC(window)) {}
    ~WindowDC() {
        if (dc_) ReleaseDC(window_, dc_);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    WindowDC(WindowDC&& other) noexcept
        : window_(other.window_), dc_(std::exchange(other.dc_, nullptr)) {}
    WindowDC& operator=(WindowDC&&) = delete;

    HDC get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

  private:
    HWND window_;
    HDC dc_;
};

// A memory device context compatible with `reference` (the screen when null), deleted at
// the end.
class MemoryDC {
  public:
    explicit MemoryDC(HDC reference) : dc_(CreateCompatibleDC(reference)) {}
    ~MemoryDC() {
        if (dc_) DeleteDC(dc_);
    }
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;
    MemoryDC(MemoryDC&& other) noexcept : dc_(std::exchange(other.dc_, nullptr)) {}
    MemoryDC& operator=(MemoryDC&&) = delete;

    HDC get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

  private:
    HDC dc_;
};

// Selects an object into a device context and puts the previous one back at the end.
class SelectedObject {
  public:
    SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~SelectedObject() {
        if (previous_ && previous_ != HGDI_ERROR) SelectObject(dc_, previous_);
    }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;
    SelectedObject(SelectedObject&&) = delete;
    SelectedObject& operator=(SelectedObject&&) = delete;

  private:
    HDC dc_;
    HGDIOBJ previous_;
};

// BeginPaint / EndPaint.
class PaintScope {
  public:
    explicit PaintScope(HWND window) : window_(window) { dc_ = BeginPaint(window, &paint_); }
    ~PaintScope() { EndPaint(window_, &paint_); }
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;
    PaintScope(PaintScope&&) = delete;
    PaintScope& operator=(PaintScope&&) = delete;

    HDC get() const { return dc_; }

  private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_ = nullptr;
};

}  // namespace horvane
