#pragma once
// Win32 only: the picture button, a child window showing one of four pictures by its state.

#include <windows.h>

#include <functional>
#include <optional>
#include <string_view>

#include "app/control.h"
#include "app/gdi.h"

namespace horvane {

// One picture of a button: a bitmap, an icon (drawn on white at its own size), or nothing.
class ButtonPicture {
  public:
    ButtonPicture() = default;
    static ButtonPicture FromBitmap(Bitmap bitmap);
    static ButtonPicture FromIcon(Icon icon, int width, int height);

    bool empty() const { return !bitmap_ && !icon_; }
    SIZE size() const { return size_; }
    // Draws the picture with its top-left corner at (0, 0), at its own size.
    void Draw(HDC dc) const;
    // The picture as drawn, as a bitmap of its own size; null when empty.
    Bitmap Render() const;

  private:
    Bitmap bitmap_;
    Icon icon_;
    SIZE size_{0, 0};
};

struct ButtonPictures {
    ButtonPicture normal;
    ButtonPicture hot;
    ButtonPicture pressed;
    ButtonPicture disabled;
};

// States: normal; hot while the pointer is over it with the left button up; pressed while
// the pointer is over it with the left button down. A disabled button stays normal and gets
// no mouse input. It takes the mouse capture on a press and raises a click only when the
// left button is released over it; it never takes the keyboard focus. With a transparent
// colour its window shape is the shown picture less the pixels of that colour.
class PictureButton : public Control {
  public:
    static constexpr const char* kClassName = "HorvanePictureButton";
    enum class State { Normal, Hot, Pressed };

    PictureButton() = default;
    ~PictureButton() = default;

    // `text` is the button's window text, for screen readers and automation; nothing shows it.
    bool Create(HWND parent, int id, const Place& place, bool visible, bool enabled,
                std::string_view text, ButtonPictures pictures,
                std::optional<COLORREF> transparentColour = std::nullopt);

    State state() const { return state_; }
    // The picture drawn now; null when the button has no picture for it at all.
    const ButtonPicture* ShownPicture() const;

    // Draws the button as it looks now into `dc` at (0, 0).
    void Paint(HDC dc) const;

    std::function<void()> onClick;
    std::function<void()> onPressed;   // every left-button press that reaches the button
    std::function<void()> onReleased;  // every left-button release that reaches the button

  private:
    friend LRESULT CALLBACK ObjectWindowProc<PictureButton>(HWND, UINT, WPARAM, LPARAM);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    bool IsOver(POINT client) const;
    bool CursorIsOver() const;
    void TrackLeaving();
    void SetState(State state);
    // Repaints, and reshapes the window when the shown picture has changed.
    void Refresh();
    void Reshape();

    ButtonPictures pictures_;
    std::optional<COLORREF> transparentColour_;
    State state_ = State::Normal;
    bool capturing_ = false;
    bool tracking_ = false;
    const ButtonPicture* shapedFor_ = nullptr;
    Region hitShape_;  // a copy of the window shape, for hit tests while capturing
};

}  // namespace horvane
