#pragma once
// Win32 only: pictures held as the bytes of a bitmap file, and their conversions.

#include <windows.h>

#include <cstdint>
#include <span>
#include <vector>

#include "app/gdi.h"

namespace horvane {

// The bytes of an image file (here always a Windows bitmap file); empty means no picture.
using Picture = std::vector<std::uint8_t>;

// The pixels of a bitmap as 0x00RRGGBB values, rows top to bottom.
struct PixelGrid {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
};

// A 32-bit top-down DIB section (pixels 0x00RRGGBB, rows top to bottom); `bits` receives its
// pixel memory. Null when it cannot be made.
Bitmap CreateTopDownBitmap(int width, int height, void** bits);

// Decodes a bitmap file (uncompressed 1, 4, 8, 16, 24 or 32 bits per pixel, either row
// order) into a 32-bit bitmap; a null bitmap when the bytes are not such a file.
Bitmap DecodePicture(std::span<const std::uint8_t> picture);

// The bytes of a 24-bit bitmap file holding `bitmap`'s pixels; empty when it cannot be read.
// The bitmap must not be selected into a device context.
Picture EncodePicture(HBITMAP bitmap);

// The pixels of `bitmap`; an empty grid when it cannot be read. The bitmap must not be
// selected into a device context.
PixelGrid ReadPixels(HBITMAP bitmap);

// A BITMAP resource of this program as the bytes of a bitmap file; empty when missing.
Picture LoadBitmapResource(int id);

// An icon resource of this program at the given size; null when missing.
Icon LoadIconResource(int id, int width, int height);

// The icon drawn on a white square of the given size, as a 32-bit bitmap.
Bitmap RenderIconOnWhite(HICON icon, int width, int height);

}  // namespace horvane
