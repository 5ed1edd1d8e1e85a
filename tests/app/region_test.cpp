// Window shapes from pictures: RegionFromBitmap, the bitmap-file conversions behind it and
// ShapeWindowFromPicture (Windows, under Wine).

#include "app/region.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "app/chrome.h"
#include "app/gdi.h"
#include "app/picture.h"

namespace horvane {
namespace {

constexpr COLORREF kMagenta = RGB(255, 0, 255);
constexpr std::uint32_t kMagentaPixel = 0x00FF00FF;  // 0x00RRGGBB

// A 32-bit bitmap with the given pixels (0x00RRGGBB, rows top to bottom).
Bitmap MakeBitmap(int width, int height, const std::vector<std::uint32_t>& pixels) {
    void* bits = nullptr;
    Bitmap bitmap = CreateTopDownBitmap(width, height, &bits);
    if (bitmap) std::memcpy(bits, pixels.data(), pixels.size() * sizeof(std::uint32_t));
    return bitmap;
}

Picture MakePicture(int width, int height, const std::vector<std::uint32_t>& pixels) {
    Bitmap bitmap = MakeBitmap(width, height, pixels);
    return EncodePicture(bitmap.get());
}

// The window background's layout: 381 x 249 with a staircase of 3, 2 and 1 magenta pixels
// at each corner on the outermost three rows.
std::vector<std::uint32_t> SkinPixels(int width, int height) {
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height, 0x004B6995);
    for (int step = 0; step < 3; ++step) {
        const int count = 3 - step;
        for (int x = 0; x < count; ++x) {
            const int rows[] = {step, height - 1 - step};
            for (int y : rows) {
                pixels[static_cast<std::size_t>(y) * width + x] = kMagentaPixel;
                pixels[static_cast<std::size_t>(y) * width + (width - 1 - x)] = kMagentaPixel;
            }
        }
    }
    return pixels;
}

long RegionArea(HRGN region) {
    const DWORD size = GetRegionData(region, 0, nullptr);
    std::vector<std::uint8_t> buffer(size);
    auto* data = reinterpret_cast<RGNDATA*>(buffer.data());
    if (size == 0 || GetRegionData(region, size, data) == 0) return -1;
    const RECT* rects = reinterpret_cast<const RECT*>(data->Buffer);
    long area = 0;
    for (DWORD i = 0; i < data->rdh.nCount; ++i) {
        area += (rects[i].right - rects[i].left) * (rects[i].bottom - rects[i].top);
    }
    return area;
}

TEST(RegionFromBitmap, LeavesOutExactlyTheKeyPixels) {
    constexpr int kWidth = 381;
    constexpr int kHeight = 249;
    const std::vector<std::uint32_t> pixels = SkinPixels(kWidth, kHeight);
    Region region = RegionFromBitmap(MakePicture(kWidth, kHeight, pixels), kMagenta);
    ASSERT_TRUE(region);
    EXPECT_EQ(RegionArea(region.get()), kWidth * kHeight - 24);
    int keyPixelsInside = 0;
    int otherPixelsOutside = 0;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const bool inside = PtInRegion(region.get(), x, y) != FALSE;
            const bool key = pixels[static_cast<std::size_t>(y) * kWidth + x] == kMagentaPixel;
            if (key && inside) ++keyPixelsInside;
            if (!key && !inside) ++otherPixelsOutside;
        }
    }
    EXPECT_EQ(keyPixelsInside, 0);
    EXPECT_EQ(otherPixelsOutside, 0);
    RECT box{};
    EXPECT_EQ(GetRgnBox(region.get(), &box), COMPLEXREGION);
    EXPECT_EQ(box.left, 0);
    EXPECT_EQ(box.top, 0);
    EXPECT_EQ(box.right, kWidth);
    EXPECT_EQ(box.bottom, kHeight);
}

TEST(RegionFromBitmap, NoKeyPixelGivesTheFullRectangle) {
    Bitmap bitmap = MakeBitmap(7, 5, std::vector<std::uint32_t>(35, 0x00123456));
    Region region = RegionFromBitmap(bitmap.get(), kMagenta);
    ASSERT_TRUE(region);
    RECT box{};
    EXPECT_EQ(GetRgnBox(region.get(), &box), SIMPLEREGION);
    EXPECT_EQ(box.left, 0);
    EXPECT_EQ(box.top, 0);
    EXPECT_EQ(box.right, 7);
    EXPECT_EQ(box.bottom, 5);
}

TEST(RegionFromBitmap, OnlyKeyPixelsGiveAnEmptyRegion) {
    Bitmap bitmap = MakeBitmap(6, 4, std::vector<std::uint32_t>(24, kMagentaPixel));
    Region region = RegionFromBitmap(bitmap.get(), kMagenta);
    ASSERT_TRUE(region);
    RECT box{};
    EXPECT_EQ(GetRgnBox(region.get(), &box), NULLREGION);
}

TEST(RegionFromBitmap, ComparesColoursExactly) {
    // Neighbours of magenta in each channel stay in the shape.
    const std::vector<std::uint32_t> pixels{kMagentaPixel, 0x00FE00FF, 0x00FF01FF, 0x00FF00FE};
    Region region = RegionFromBitmap(MakePicture(4, 1, pixels), kMagenta);
    ASSERT_TRUE(region);
    EXPECT_FALSE(PtInRegion(region.get(), 0, 0));
    for (int x = 1; x < 4; ++x) EXPECT_TRUE(PtInRegion(region.get(), x, 0)) << x;
}

TEST(RegionFromBitmap, KeyColourIsRedInTheLowestByte) {
    // Pure blue is 0x00FF0000 as a colour value; red is 0x000000FF.
    const std::vector<std::uint32_t> pixels{0x000000FF /* blue */, 0x00FF0000 /* red */};
    Region region = RegionFromBitmap(MakePicture(2, 1, pixels), RGB(0, 0, 255));
    ASSERT_TRUE(region);
    EXPECT_FALSE(PtInRegion(region.get(), 0, 0));
    EXPECT_TRUE(PtInRegion(region.get(), 1, 0));
}

TEST(RegionFromBitmap, ManyRunsAreAllKept) {
    // A checkerboard of 300 x 40: 6000 one-pixel runs, more than one ExtCreateRegion chunk.
    constexpr int kWidth = 300;
    constexpr int kHeight = 40;
    std::vector<std::uint32_t> pixels(kWidth * kHeight);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            pixels[y * kWidth + x] = ((x + y) % 2) ? kMagentaPixel : 0x00000000;
        }
    }
    Region region = RegionFromBitmap(MakePicture(kWidth, kHeight, pixels), kMagenta);
    ASSERT_TRUE(region);
    EXPECT_EQ(RegionArea(region.get()), kWidth * kHeight / 2);
    EXPECT_TRUE(PtInRegion(region.get(), kWidth - 2, kHeight - 2));
    EXPECT_FALSE(PtInRegion(region.get(), kWidth - 1, kHeight - 2));
}

TEST(RegionFromBitmap, UndecodablePictureGivesNone) {
    const Picture garbage{'B', 'M', 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
    EXPECT_FALSE(RegionFromBitmap(garbage, kMagenta));
    EXPECT_FALSE(RegionFromBitmap(Picture{}, kMagenta));
    EXPECT_FALSE(RegionFromBitmap(static_cast<HBITMAP>(nullptr), kMagenta));
}

TEST(Picture, EncodeThenDecodeKeepsEveryPixel) {
    // Odd width: rows of the 24-bit file are padded.
    const std::vector<std::uint32_t> pixels{0x00FF0000, 0x0000FF00, 0x000000FF,
                                            0x00FFFFFF, 0x00000000, 0x00123456};
    const Picture picture = MakePicture(3, 2, pixels);
    ASSERT_FALSE(picture.empty());
    EXPECT_EQ(picture[0], 'B');
    EXPECT_EQ(picture[1], 'M');
    Bitmap decoded = DecodePicture(picture);
    ASSERT_TRUE(decoded);
    const PixelGrid grid = ReadPixels(decoded.get());
    EXPECT_EQ(grid.width, 3);
    EXPECT_EQ(grid.height, 2);
    ASSERT_EQ(grid.pixels.size(), pixels.size());
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        EXPECT_EQ(grid.pixels[i] & 0x00FFFFFF, pixels[i]) << i;
    }
}

// A bitmap file written by hand: 8 bits per pixel with a two-colour table, 2 x 2, rows
// bottom to top, each padded to four bytes.
Picture PalettedPicture() {
    Picture picture;
    auto put16 = [&](unsigned v) {
        picture.push_back(v & 0xFF);
        picture.push_back((v >> 8) & 0xFF);
    };
    auto put32 = [&](unsigned v) {
        put16(v & 0xFFFF);
        put16(v >> 16);
    };
    const unsigned offset = 14 + 40 + 2 * 4;
    // File header: type, size, reserved, offset of the pixels.
    put16(0x4D42);
    put32(offset + 8);
    put32(0);
    put32(offset);
    // Info header: size, width, height, planes, bit count, compression, image size,
    // resolution x and y, colours used, colours important.
    for (unsigned v : {40u, 2u, 2u}) put32(v);
    put16(1);
    put16(8);
    for (unsigned v : {0u, 8u, 0u, 0u, 2u, 0u}) put32(v);
    put32(0x00FF00FF);  // entry 0: magenta (B, G, R, 0 in the file)
    put32(0x00336699);  // entry 1
    for (int b : {1, 0, 0, 0, 0, 1, 0, 0}) picture.push_back(static_cast<std::uint8_t>(b));
    return picture;
}

TEST(Picture, DecodesAPalettedBottomUpFile) {
    Region region = RegionFromBitmap(PalettedPicture(), kMagenta);
    ASSERT_TRUE(region);
    // Bottom row (first in the file): 1, 0; top row: 0, 1.
    EXPECT_FALSE(PtInRegion(region.get(), 0, 0));
    EXPECT_TRUE(PtInRegion(region.get(), 1, 0));
    EXPECT_TRUE(PtInRegion(region.get(), 0, 1));
    EXPECT_FALSE(PtInRegion(region.get(), 1, 1));
}

TEST(Picture, RejectsTruncatedAndForeignFiles) {
    Picture truncated = PalettedPicture();
    truncated.resize(truncated.size() - 3);
    EXPECT_FALSE(DecodePicture(truncated));
    Picture wrongType = PalettedPicture();
    wrongType[0] = 'X';
    EXPECT_FALSE(DecodePicture(wrongType));
    Picture zeroWidth = PalettedPicture();
    zeroWidth[18] = 0;
    EXPECT_FALSE(DecodePicture(zeroWidth));
}

class ShapedWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        window_ = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 40, 30, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(window_, nullptr);
    }
    void TearDown() override { DestroyWindow(window_); }

    // The window's shape, or none when it has none.
    Region Shape() const {
        Region shape(CreateRectRgn(0, 0, 0, 0));
        if (GetWindowRgn(window_, shape.get()) == ERROR) return {};
        return shape;
    }

    HWND window_ = nullptr;
};

TEST_F(ShapedWindow, TakesThePictureShape) {
    const Picture picture = MakePicture(40, 30, SkinPixels(40, 30));
    EXPECT_TRUE(ShapeWindowFromPicture(window_, picture, kMagenta));
    Region shape = Shape();
    ASSERT_TRUE(shape);
    EXPECT_EQ(RegionArea(shape.get()), 40 * 30 - 24);
    EXPECT_FALSE(PtInRegion(shape.get(), 0, 0));
    EXPECT_FALSE(PtInRegion(shape.get(), 39, 29));
    EXPECT_TRUE(PtInRegion(shape.get(), 3, 0));
}

TEST_F(ShapedWindow, KeepsItsShapeWhenThePictureIsUnusable) {
    EXPECT_FALSE(ShapeWindowFromPicture(window_, Picture{}, kMagenta));
    EXPECT_FALSE(ShapeWindowFromPicture(window_, Picture{'B', 'M', 0, 0}, kMagenta));
    EXPECT_FALSE(Shape());  // still no shape: a plain rectangle
}

}  // namespace
}  // namespace horvane
