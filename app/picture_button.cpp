#include "app/picture_button.h"

#include <string>
#include <utility>

#include "app/region.h"

namespace horvane {

ButtonPicture ButtonPicture::FromBitmap(Bitmap bitmap) {
    ButtonPicture picture;
    BITMAP object{};
    if (bitmap && GetObject(bitmap.get(), sizeof object, &object)) {
        picture.size_ = {object.bmWidth, object.bmHeight};
        picture.bitmap_ = std::move(bitmap);
    }
    return picture;
}

ButtonPicture ButtonPicture::FromIcon(Icon icon, int width, int height) {
    ButtonPicture picture;
    if (icon) {
        picture.size_ = {width, height};
        picture.icon_ = std::move(icon);
    }
    return picture;
}

void ButtonPicture::Draw(HDC dc) const {
    if (bitmap_) {
        MemoryDC source(dc);
        SelectedObject selected(source.get(), bitmap_.get());
        BitBlt(dc, 0, 0, size_.cx, size_.cy, source.get(), 0, 0, SRCCOPY);
    } else if (icon_) {
        RECT square{0, 0, size_.cx, size_.cy};
        FillRect(dc, &square, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        DrawIconEx(dc, 0, 0, icon_.get(), size_.cx, size_.cy, 0, nullptr, DI_NORMAL);
    }
}

Bitmap ButtonPicture::Render() const {
    if (empty() || size_.cx <= 0 || size_.cy <= 0) return {};
    WindowDC screen(nullptr);
    MemoryDC memory(screen.get());
    Bitmap canvas(CreateCompatibleBitmap(screen.get(), size_.cx, size_.cy));
    if (!memory || !canvas) return {};
    {
        SelectedObject selected(memory.get(), canvas.get());
        Draw(memory.get());
    }
    return canvas;
}

bool PictureButton::Create(HWND parent, int id, const Place& place, bool visible, bool enabled,
                           std::string_view text, ButtonPictures pictures,
                           std::optional<COLORREF> transparentColour) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = ObjectWindowProc<PictureButton>;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kClassName;
    if (!RegisterWindowClass(windowClass)) return false;

    pictures_ = std::move(pictures);
    transparentColour_ = transparentColour;
    const std::string caption(text);
    const DWORD style =
        WS_CHILD | WS_CLIPSIBLINGS | (visible ? WS_VISIBLE : 0) | (enabled ? 0 : WS_DISABLED);
    if (!CreateWindowExA(0, kClassName, caption.c_str(), style, place.left, place.top, place.width,
                         place.height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                         instance, this)) {
        return false;
    }
    Reshape();
    return true;
}

const ButtonPicture* PictureButton::ShownPicture() const {
    if (hwnd_ && !IsWindowEnabled(hwnd_) && !pictures_.disabled.empty()) {
        return &pictures_.disabled;
    }
    if (state_ == State::Hot && !pictures_.hot.empty()) return &pictures_.hot;
    if (state_ == State::Pressed && !pictures_.pressed.empty()) return &pictures_.pressed;
    if (!pictures_.normal.empty()) return &pictures_.normal;
    return nullptr;
}

void PictureButton::Paint(HDC target) const {
    RECT client{};
    GetClientRect(hwnd_, &client);
    if (client.right <= 0 || client.bottom <= 0) return;
    MemoryDC memory(target);
    Bitmap canvas(CreateCompatibleBitmap(target, client.right, client.bottom));
    if (!memory || !canvas) return;
    SelectedObject selected(memory.get(), canvas.get());
    FillRect(memory.get(), &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    if (const ButtonPicture* picture = ShownPicture()) picture->Draw(memory.get());
    BitBlt(target, 0, 0, client.right, client.bottom, memory.get(), 0, 0, SRCCOPY);
}

void PictureButton::Reshape() {
    const ButtonPicture* picture = ShownPicture();
    shapedFor_ = picture;
    if (!transparentColour_) return;
    Region shape;
    if (picture) {
        Bitmap drawn = picture->Render();
        if (drawn) shape = RegionFromBitmap(drawn.get(), *transparentColour_);
    }
    hitShape_ = CopyRegion(shape.get());
    // The window owns the region from here on; none makes it a plain rectangle again.
    if (SetWindowRgn(hwnd_, shape.get(), TRUE)) shape.release();
}

void PictureButton::Refresh() {
    if (!hwnd_) return;
    if (ShownPicture() != shapedFor_) Reshape();
    InvalidateRect(hwnd_, nullptr, FALSE);
    UpdateWindow(hwnd_);
}

void PictureButton::SetState(State state) {
    if (state == state_) return;
    state_ = state;
    Refresh();
}

bool PictureButton::IsOver(POINT point) const {
    RECT client{};
    GetClientRect(hwnd_, &client);
    if (!PtInRect(&client, point)) return false;
    return !hitShape_ || PtInRegion(hitShape_.get(), point.x, point.y);
}

bool PictureButton::CursorIsOver() const {
    POINT point{};
    if (!GetCursorPos(&point) || !ScreenToClient(hwnd_, &point)) return false;
    return IsOver(point);
}

void PictureButton::TrackLeaving() {
    if (tracking_) return;
    TRACKMOUSEEVENT track{};
    track.cbSize = sizeof track;
    track.dwFlags = TME_LEAVE;
    track.hwndTrack = hwnd_;
    tracking_ = TrackMouseEvent(&track) != FALSE;
}

LRESULT PictureButton::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_ERASEBKGND:
            return 1;  // the paint covers everything
        case WM_PAINT: {
            PaintScope paint(hwnd_);
            Paint(paint.get());
            return 0;
        }
        case WM_PRINTCLIENT:
            Paint(reinterpret_cast<HDC>(wParam));
            return 0;
        case WM_MOUSEMOVE: {
            TrackLeaving();
            const POINT point{static_cast<short>(LOWORD(lParam)),
                              static_cast<short>(HIWORD(lParam))};
            const bool over = IsOver(point);
            const bool buttonDown = capturing_ || (wParam & MK_LBUTTON);
            SetState(!over ? State::Normal : buttonDown ? State::Pressed : State::Hot);
            return 0;
        }
        case WM_MOUSELEAVE:
            tracking_ = false;
            if (!capturing_) SetState(State::Normal);
            return 0;
        case WM_LBUTTONDOWN:
            if (onPressed) onPressed();
            if (!hwnd_ || !IsWindowEnabled(hwnd_)) return 0;
            SetCapture(hwnd_);
            capturing_ = GetCapture() == hwnd_;
            SetState(State::Pressed);
            return 0;
        case WM_LBUTTONUP: {
            if (onReleased) onReleased();
            if (!hwnd_) return 0;
            const POINT point{static_cast<short>(LOWORD(lParam)),
                              static_cast<short>(HIWORD(lParam))};
            const bool wasPressed = capturing_;
            const bool over = IsOver(point);
            capturing_ = false;
            if (wasPressed) ReleaseCapture();
            SetState(over ? State::Hot : State::Normal);
            if (wasPressed && over && IsWindowEnabled(hwnd_) && onClick) onClick();
            return 0;
        }
        case WM_CAPTURECHANGED:
            if (capturing_) {
                capturing_ = false;
                SetState(CursorIsOver() ? State::Hot : State::Normal);
            }
            return 0;
        case WM_ENABLE:
            if (!wParam && capturing_) ReleaseCapture();
            state_ = State::Normal;
            Refresh();
            return 0;
        case WM_SETFOCUS:
            // Never keeps the keyboard focus: hand it back to where it came from.
            if (wParam) SetFocus(reinterpret_cast<HWND>(wParam));
            return 0;
        default:
            return DefWindowProcA(hwnd_, message, wParam, lParam);
    }
}

}  // namespace horvane
