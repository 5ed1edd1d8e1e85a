#pragma once
// Win32 only: the label, a child window that paints its one line of text itself.

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>

#include "app/control.h"
#include "app/gdi.h"
#include "app/picture.h"

namespace horvane {

enum class HorizontalAlignment { Left, Centre, Right };
enum class VerticalAlignment { Top, Centre, Bottom };
enum class PicturePlacement { TopLeft, Tiled };

struct LabelLook {
    HFONT font = nullptr;  // not owned; none means the default GUI font
    COLORREF textColour = RGB(0, 0, 0);
    COLORREF backColour = RGB(255, 255, 255);
    HorizontalAlignment horizontal = HorizontalAlignment::Left;
    VerticalAlignment vertical = VerticalAlignment::Centre;
};

// The caption is the window text too (ANSI bytes), so that screen readers and automation
// read it; text written to the window from outside becomes the caption.
class Label : public Control {
  public:
    static constexpr const char* kClassName = "HorvaneLabel";

    Label() = default;
    ~Label() = default;

    bool Create(HWND parent, int id, const Place& place, bool visible, std::string_view caption,
                const LabelLook& look);

    // Exactly the bytes last written.
    const std::string& Caption() const { return caption_; }
    void SetCaption(std::string_view caption);
    void SetTextColour(COLORREF colour);
    void SetBackColour(COLORREF colour);
    void SetFont(HFONT font);
    // A picture as the bytes of an image file; empty means none. A picture that cannot be
    // decoded shows as none.
    void SetBackgroundPicture(const Picture& picture);
    void SetPicturePlacement(PicturePlacement placement);

    // Draws the label as it looks now into `dc` at (0, 0).
    void Paint(HDC dc) const;

    // Left button pressed on the label.
    std::function<void()> onPressed;

  private:
    friend LRESULT CALLBACK ObjectWindowProc<Label>(HWND, UINT, WPARAM, LPARAM);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void Redraw();

    std::string caption_;
    LabelLook look_;
    Bitmap picture_;
    PicturePlacement placement_ = PicturePlacement::TopLeft;
};

}  // namespace horvane
