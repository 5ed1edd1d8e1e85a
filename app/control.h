#pragma once
// Win32 only: what every control of the window has, and the object-on-HWND idiom.

#include <windows.h>

namespace horvane {

// Place of a control within its parent's client area.
struct Place {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

// A child window: its handle and the common properties. Owned by its C++ object, which is
// neither copied nor moved since the window points back at it.
class Control {
  public:
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    HWND hwnd() const { return hwnd_; }

    bool Visible() const;
    // Shows without activating, or hides.
    void SetVisible(bool visible);
    bool Enabled() const;
    void SetEnabled(bool enabled);
    int Width() const;
    void SetWidth(int width);

  protected:
    Control() = default;
    ~Control();

    HWND hwnd_ = nullptr;

    template <typename Derived>
    friend LRESULT CALLBACK ObjectWindowProc(HWND, UINT, WPARAM, LPARAM);
};

// Window procedure of classes whose windows belong to a C++ object: the object comes in the
// creation parameter, is kept in GWLP_USERDATA from WM_NCCREATE on and gets every message
// through its member HandleMessage; the link is cut at WM_NCDESTROY.
template <typename Derived>
LRESULT CALLBACK ObjectWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Derived* self = nullptr;
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        self = static_cast<Derived*>(create->lpCreateParams);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        if (self) self->hwnd_ = window;
    } else {
        self = reinterpret_cast<Derived*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    }
    if (!self) return DefWindowProcA(window, message, wParam, lParam);
    const LRESULT result = self->HandleMessage(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
    }
    return result;
}

// Registers a window class of this module once; true when it is (or already was) registered.
bool RegisterWindowClass(const WNDCLASSEXA& windowClass);

}  // namespace horvane
