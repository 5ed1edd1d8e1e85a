#include "app/chrome.h"

#include <string>

#include "app/gdi.h"
#include "app/main_window.h"
#include "app/region.h"
#include "app/startup.h"

namespace horvane {

namespace {

constexpr char kTitlePrefix[] = "     ";
constexpr WPARAM kMinimiseCommand = 0xF021;  // SC_MINIMIZE with low bits the system ignores

}  // namespace

bool ShapeWindowFromPicture(HWND window, const Picture& picture, COLORREF keyColour) {
    if (picture.empty()) return false;
    Region shape = RegionFromBitmap(picture, keyColour);
    if (!shape) return false;
    if (!SetWindowRgn(window, shape.get(), TRUE)) return false;
    shape.release();  // the window owns it now
    return true;
}

Picture CaptureWindowImage(HWND window) {
    RECT rect{};
    if (!GetWindowRect(window, &rect)) return {};
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) return {};
    WindowDC source(window, WindowDC::Area::Window);
    if (!source) return {};
    MemoryDC memory(source.get());
    Bitmap image(CreateCompatibleBitmap(source.get(), width, height));
    if (!memory || !image) return {};
    {
        SelectedObject selected(memory.get(), image.get());
        if (!BitBlt(memory.get(), 0, 0, width, height, source.get(), 0, 0, SRCCOPY)) return {};
    }
    return EncodePicture(image.get());
}

void MakeLabelTransparent(Label& label) {
    label.SetPicturePlacement(PicturePlacement::TopLeft);
    label.SetVisible(false);
    ProcessPendingEvents();  // the window paints where the label was
    label.SetBackgroundPicture(CaptureWindowImage(label.hwnd()));
    label.SetVisible(true);
}

void SetTitleBarText(std::string_view text) {
    TheMainWindow().标题栏.SetCaption(std::string(kTitlePrefix) + std::string(text));
}

void OnTitleBarPressed() {
    // Moves the window as if its caption bar had been pressed, until the button is released.
    ReleaseCapture();
    SendMessageA(TheMainWindow().hwnd(), WM_NCLBUTTONDOWN, HTCAPTION, 0);
}

void OnMinimiseClicked() {
    SendMessageA(TheMainWindow().hwnd(), WM_SYSCOMMAND, kMinimiseCommand, 0);
}

void OnContactButtonPressed() { SetTitleBarText(ContactLine); }

void OnContactButtonReleased() { SetTitleBarText(kProductName); }

}  // namespace horvane
