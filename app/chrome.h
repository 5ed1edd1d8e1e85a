#pragma once
// Win32 only: the window's skin and its own title bar and caption buttons.

#include <windows.h>

#include <string_view>

#include "app/label.h"
#include "app/picture.h"

namespace horvane {

// Shown as the title text while 程序图标 or 设置按钮 is held down; fits the title strip left
// of the caption buttons in the title bar's font.
inline constexpr char ContactLine[] = "作者: 林晓舟  lxz@horvane.cn";

// The transparent colour of the skin: magenta.
inline constexpr COLORREF kSkinKeyColour = 0xFF00FF;

// Gives `window` the shape of the pixels of `picture` that differ from `keyColour` and
// redraws it; false (shape unchanged) when the picture is empty, cannot be decoded or gives
// no region.
bool ShapeWindowFromPicture(HWND window, const Picture& picture, COLORREF keyColour);

// What the screen shows in the rectangle of `window` (its whole window area), as the bytes
// of a 24-bit bitmap file of that size; empty when it cannot be taken.
Picture CaptureWindowImage(HWND window);

// Gives `label` a snapshot of what lies behind it as its background picture (top-left) and
// leaves it visible. Lets pending messages through while the label is hidden.
void MakeLabelTransparent(Label& label);

// The caption of 标题栏 becomes five spaces and `text`.
void SetTitleBarText(std::string_view text);

void OnTitleBarPressed();
void OnMinimiseClicked();
void OnContactButtonPressed();
void OnContactButtonReleased();

}  // namespace horvane
