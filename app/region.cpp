#include "app/region.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <vector>

#include "app/picture.h"
#include "app/pixel_runs.h"

namespace horvane {

namespace {

// Rectangles per ExtCreateRegion call; larger shapes are joined with CombineRgn.
constexpr std::size_t kRectsPerChunk = 2000;

Region RegionFromRects(const RECT* rects, std::size_t count, int width, int height) {
    std::vector<std::uint8_t> buffer(sizeof(RGNDATAHEADER) + count * sizeof(RECT));
    RGNDATAHEADER header{};
    header.dwSize = sizeof header;
    header.iType = RDH_RECTANGLES;
    header.nCount = static_cast<DWORD>(count);
    header.nRgnSize = static_cast<DWORD>(count * sizeof(RECT));
    header.rcBound = {0, 0, width, height};
    std::memcpy(buffer.data(), &header, sizeof header);
    std::memcpy(buffer.data() + sizeof header, rects, count * sizeof(RECT));
    return Region(ExtCreateRegion(nullptr, static_cast<DWORD>(buffer.size()),
                                  reinterpret_cast<const RGNDATA*>(buffer.data())));
}

}  // namespace

Region RegionFromBitmap(HBITMAP bitmap, COLORREF keyColour) {
    const PixelGrid grid = ReadPixels(bitmap);
    if (grid.pixels.empty()) return {};
    // The pixels read 0x00RRGGBB; the key colour is 0x00BBGGRR.
    const std::uint32_t key = (static_cast<std::uint32_t>(GetRValue(keyColour)) << 16) |
                              (static_cast<std::uint32_t>(GetGValue(keyColour)) << 8) |
                              GetBValue(keyColour);
    const std::vector<PixelRun> runs = RunsDifferingFrom(grid.pixels, grid.width, grid.height, key);

    std::vector<RECT> rects;
    rects.reserve(runs.size());
    for (const PixelRun& run : runs) rects.push_back({run.left, run.row, run.right, run.row + 1});

    Region shape(CreateRectRgn(0, 0, 0, 0));
    if (!shape) return {};
    for (std::size_t first = 0; first < rects.size(); first += kRectsPerChunk) {
        const std::size_t count = std::min(kRectsPerChunk, rects.size() - first);
        Region chunk = RegionFromRects(rects.data() + first, count, grid.width, grid.height);
        if (!chunk) return {};
        if (CombineRgn(shape.get(), shape.get(), chunk.get(), RGN_OR) == ERROR) return {};
    }
    return shape;
}

Region RegionFromBitmap(std::span<const std::uint8_t> picture, COLORREF keyColour) {
    Bitmap bitmap = DecodePicture(picture);
    if (!bitmap) return {};
    return RegionFromBitmap(bitmap.get(), keyColour);
}

Region CopyRegion(HRGN region) {
    if (!region) return {};
    Region copy(CreateRectRgn(0, 0, 0, 0));
    if (!copy || CombineRgn(copy.get(), region, nullptr, RGN_COPY) == ERROR) return {};
    return copy;
}

}  // namespace horvane
