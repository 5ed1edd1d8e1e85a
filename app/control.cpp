#include "app/control.h"

namespace horvane {

Control::~Control() {
    if (hwnd_ && IsWindow(hwnd_)) {
        // The object is half gone by now: its window is destroyed without it.
        SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
}

bool Control::Visible() const {
    return hwnd_ && (GetWindowLongPtrA(hwnd_, GWL_STYLE) & WS_VISIBLE);
}

void Control::SetVisible(bool visible) {
    if (hwnd_) ShowWindow(hwnd_, visible ? SW_SHOWNA : SW_HIDE);
}

bool Control::Enabled() const { return hwnd_ && IsWindowEnabled(hwnd_); }

void Control::SetEnabled(bool enabled) {
    if (hwnd_) EnableWindow(hwnd_, enabled ? TRUE : FALSE);
}

int Control::Width() const {
    RECT rect{};
    if (!hwnd_ || !GetWindowRect(hwnd_, &rect)) return 0;
    return rect.right - rect.left;
}

void Control::SetWidth(int width) {
    RECT rect{};
    if (!hwnd_ || !GetWindowRect(hwnd_, &rect)) return;
    SetWindowPos(hwnd_, nullptr, 0, 0, width, rect.bottom - rect.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool RegisterWindowClass(const WNDCLASSEXA& windowClass) {
    WNDCLASSEXA existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExA(windowClass.hInstance, windowClass.lpszClassName, &existing)) return true;
    return RegisterClassExA(&windowClass) != 0;
}

}  // namespace horvane
