#pragma once
// Win32 only: window shapes made from pictures.

#include <windows.h>

#include <span>
#include <cstdint>

#include "app/gdi.h"

namespace horvane {

// The region made of exactly those pixels of `bitmap` whose colour is not `keyColour`
// (0x00BBGGRR, compared exactly), in the bitmap's pixel coordinates. An empty region when
// every pixel has the key colour; none when the bitmap cannot be read. The bitmap must not
// be selected into a device context.
Region RegionFromBitmap(HBITMAP bitmap, COLORREF keyColour);

// The same for a picture given as the bytes of a bitmap file; none when it cannot be decoded.
Region RegionFromBitmap(std::span<const std::uint8_t> picture, COLORREF keyColour);

// A second region with the same area; none when `region` is none.
Region CopyRegion(HRGN region);

}  // namespace horvane
