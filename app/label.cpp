#include "app/label.h"

namespace horvane {

namespace {

UINT TextFormat(const LabelLook& look) {
    UINT format = DT_SINGLELINE | DT_NOPREFIX;
    switch (look.horizontal) {
        case HorizontalAlignment::Left:
            format |= DT_LEFT;
            break;
        case HorizontalAlignment::Centre:
            format |= DT_CENTER;
            break;
        case HorizontalAlignment::Right:
            format |= DT_RIGHT;
            break;
    }
    switch (look.vertical) {
        case VerticalAlignment::Top:
            format |= DT_TOP;
            break;
        case VerticalAlignment::Centre:
            format |= DT_VCENTER;
            break;
        case VerticalAlignment::Bottom:
            format |= DT_BOTTOM;
            break;
    }
    return format;
}

}  // namespace

bool Label::Create(HWND parent, int id, const Place& place, bool visible, std::string_view caption,
                   const LabelLook& look) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = ObjectWindowProc<Label>;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kClassName;
    if (!RegisterWindowClass(windowClass)) return false;

    look_ = look;
    caption_.assign(caption);
    const DWORD style = WS_CHILD | WS_CLIPSIBLINGS | (visible ? WS_VISIBLE : 0);
    return CreateWindowExA(0, kClassName, caption_.c_str(), style, place.left, place.top,
                           place.width, place.height, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance,
                           this) != nullptr;
}

void Label::SetCaption(std::string_view caption) {
    const std::string text(caption);
    if (hwnd_) {
        SetWindowTextA(hwnd_, text.c_str());  // WM_SETTEXT stores it and redraws
    } else {
        caption_ = text;
    }
}

void Label::SetTextColour(COLORREF colour) {
    look_.textColour = colour;
    Redraw();
}

void Label::SetBackColour(COLORREF colour) {
    look_.backColour = colour;
    Redraw();
}

void Label::SetFont(HFONT font) {
    look_.font = font;
    Redraw();
}

void Label::SetBackgroundPicture(const Picture& picture) {
    picture_ = picture.empty() ? Bitmap() : DecodePicture(picture);
    Redraw();
}

void Label::SetPicturePlacement(PicturePlacement placement) {
    placement_ = placement;
    Redraw();
}

void Label::Redraw() {
    if (!hwnd_) return;
    InvalidateRect(hwnd_, nullptr, FALSE);
    UpdateWindow(hwnd_);
}

void Label::Paint(HDC target) const {
    RECT client{};
    GetClientRect(hwnd_, &client);
    const int width = client.right;
    const int height = client.bottom;
    if (width <= 0 || height <= 0) return;

    // Off-screen first, then one blit: nothing flickers.
    MemoryDC memory(target);
    Bitmap canvas(CreateCompatibleBitmap(target, width, height));
    if (!memory || !canvas) return;
    SelectedObject selectedCanvas(memory.get(), canvas.get());

    Brush back(CreateSolidBrush(look_.backColour));
    FillRect(memory.get(), &client, back.get());

    BITMAP object{};
    if (picture_ && GetObject(picture_.get(), sizeof object, &object) && object.bmWidth > 0 &&
        object.bmHeight > 0) {
        MemoryDC source(target);
        SelectedObject selectedPicture(source.get(), picture_.get());
        if (placement_ == PicturePlacement::TopLeft) {
            BitBlt(memory.get(), 0, 0, object.bmWidth, object.bmHeight, source.get(), 0, 0,
                   SRCCOPY);
        } else {
            for (int y = 0; y < height; y += object.bmHeight) {
                for (int x = 0; x < width; x += object.bmWidth) {
                    BitBlt(memory.get(), x, y, object.bmWidth, object.bmHeight, source.get(), 0, 0,
                           SRCCOPY);
                }
            }
        }
    }

    if (!caption_.empty()) {
        HFONT font = look_.font ? look_.font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
        SelectedObject selectedFont(memory.get(), font);
        SetBkMode(memory.get(), TRANSPARENT);
        SetTextColor(memory.get(), look_.textColour);
        RECT textRect = client;
        DrawTextA(memory.get(), caption_.data(), static_cast<int>(caption_.size()), &textRect,
                  TextFormat(look_));
    }

    BitBlt(target, 0, 0, width, height, memory.get(), 0, 0, SRCCOPY);
}

LRESULT Label::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SETTEXT: {
            caption_ = lParam ? reinterpret_cast<const char*>(lParam) : "";
            const LRESULT result = DefWindowProcA(hwnd_, message, wParam, lParam);
            Redraw();
            return result;
        }
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
        case WM_LBUTTONDOWN:
            if (onPressed) onPressed();
            return 0;
        case WM_SETFONT:
            look_.font = reinterpret_cast<HFONT>(wParam);
            if (LOWORD(lParam)) Redraw();
            return 0;
        case WM_GETFONT:
            return reinterpret_cast<LRESULT>(look_.font);
        default:
            return DefWindowProcA(hwnd_, message, wParam, lParam);
    }
}

}  // namespace horvane
