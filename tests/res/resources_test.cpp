// The resource script compiled into an executable: the pictures load with their sizes, the
// clock icon draws as the icon button expects (white around the clock, no white on the dial),
// and the manifest and version information are there.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "res/resource.h"

namespace {

HINSTANCE Self() { return GetModuleHandleW(nullptr); }

// A 32-bit top-down DIB section selected into a memory DC, filled white.
class WhiteCanvas {
  public:
    WhiteCanvas(int width, int height) : width_(width), height_(height) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
        old_ = SelectObject(dc_, bitmap_);
        std::memset(bits_, 0xFF, static_cast<size_t>(width) * height * 4);
    }
    WhiteCanvas(const WhiteCanvas&) = delete;
    WhiteCanvas& operator=(const WhiteCanvas&) = delete;
    ~WhiteCanvas() {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    HDC dc() const { return dc_; }
    // 0x00RRGGBB of a pixel.
    uint32_t At(int x, int y) const {
        GdiFlush();
        return static_cast<const uint32_t*>(bits_)[y * width_ + x] & 0xFFFFFF;
    }
    int width() const { return width_; }
    int height() const { return height_; }

  private:
    int width_, height_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    void* bits_ = nullptr;
};

TEST(Resources, BitmapsLoadWithTheirSizes) {
    struct Case {
        int id, width, height;
    };
    const Case cases[] = {
        {IDB_BACKGROUND, 381, 249}, {IDB_SYNC_NORMAL, 92, 32},      {IDB_SYNC_HOT, 92, 32},
        {IDB_SYNC_PRESSED, 92, 32}, {IDB_SYNC_DISABLED, 92, 32},    {IDB_SETTINGS_NORMAL, 27, 17},
        {IDB_SETTINGS_HOT, 27, 17}, {IDB_SETTINGS_PRESSED, 27, 17}, {IDB_MINIMISE_NORMAL, 26, 17},
        {IDB_MINIMISE_HOT, 26, 17}, {IDB_MINIMISE_PRESSED, 26, 17}, {IDB_MAXIMISE_NORMAL, 26, 17},
        {IDB_MAXIMISE_HOT, 26, 17}, {IDB_MAXIMISE_PRESSED, 26, 17}, {IDB_CLOSE_NORMAL, 36, 17},
        {IDB_CLOSE_HOT, 36, 17},    {IDB_CLOSE_PRESSED, 36, 17},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        HANDLE image =
            LoadImageW(Self(), MAKEINTRESOURCEW(c.id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
        ASSERT_NE(image, nullptr);
        DIBSECTION dib{};
        ASSERT_EQ(GetObjectW(image, sizeof(dib), &dib), static_cast<int>(sizeof(dib)));
        EXPECT_EQ(dib.dsBm.bmWidth, c.width);
        EXPECT_EQ(dib.dsBm.bmHeight, c.height);
        // True colours, stored palettised where a picture has no more than 256 of them.
        EXPECT_TRUE(dib.dsBm.bmBitsPixel == 8 || dib.dsBm.bmBitsPixel == 24)
            << dib.dsBm.bmBitsPixel;
        DeleteObject(image);
    }
}

TEST(Resources, BackgroundKeepsItsMagentaCorners) {
    HANDLE image = LoadImageW(Self(), MAKEINTRESOURCEW(IDB_BACKGROUND), IMAGE_BITMAP, 0, 0,
                              LR_CREATEDIBSECTION);
    ASSERT_NE(image, nullptr);
    BITMAP bitmap{};
    ASSERT_EQ(GetObjectW(image, sizeof(bitmap), &bitmap), static_cast<int>(sizeof(bitmap)));
    const int width = bitmap.bmWidth;
    const int height = bitmap.bmHeight;
    // The pixels as 32-bit blue, green, red, top-down, whatever depth the resource has.
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    std::vector<uint8_t> bits(static_cast<size_t>(width) * height * 4);
    HDC screen = GetDC(nullptr);
    const int rows = GetDIBits(screen, static_cast<HBITMAP>(image), 0, height, bits.data(), &info,
                               DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    ASSERT_EQ(rows, height);
    auto magenta = [&](int x, int y) {
        const uint8_t* p = bits.data() + (static_cast<size_t>(y) * width + x) * 4;
        return p[0] == 255 && p[1] == 0 && p[2] == 255;
    };
    int count = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) count += magenta(x, y) ? 1 : 0;
    }
    EXPECT_EQ(count, 24);
    EXPECT_TRUE(magenta(0, 0));
    EXPECT_TRUE(magenta(2, 0));
    EXPECT_TRUE(magenta(380, 248));
    EXPECT_FALSE(magenta(3, 0));
    DeleteObject(image);
}

// The icon button draws its icon over white and cuts away what stays white.
TEST(Resources, ClockIconDrawsWhiteOnlyAroundTheDial) {
    HICON icon = static_cast<HICON>(
        LoadImageW(Self(), MAKEINTRESOURCEW(IDI_CLOCK), IMAGE_ICON, 24, 24, LR_DEFAULTCOLOR));
    ASSERT_NE(icon, nullptr);
    WhiteCanvas canvas(24, 24);
    ASSERT_TRUE(DrawIconEx(canvas.dc(), 0, 0, icon, 24, 24, 0, nullptr, DI_NORMAL));
    DestroyIcon(icon);

    for (int y = 0; y < 24; ++y) {
        for (int x = 0; x < 24; ++x) {
            const double dx = x + 0.5 - 12, dy = y + 0.5 - 12;
            const double r2 = dx * dx + dy * dy;
            SCOPED_TRACE(testing::Message() << "pixel " << x << ", " << y);
            if (r2 > 12.0 * 12.0) {
                EXPECT_EQ(canvas.At(x, y), 0xFFFFFFu);
            }
            if (r2 <= 10.0 * 10.0) {
                EXPECT_NE(canvas.At(x, y), 0xFFFFFFu);
            }
        }
    }
}

// The application icon holds 48, 32 and 16 pixel images of 256 colours.
TEST(Resources, ApplicationIconHasThreeSizes) {
    HRSRC found = FindResourceW(Self(), MAKEINTRESOURCEW(IDI_HORVANE), MAKEINTRESOURCEW(14));
    ASSERT_NE(found, nullptr);  // RT_GROUP_ICON
    const auto* group = static_cast<const uint8_t*>(LockResource(LoadResource(Self(), found)));
    ASSERT_NE(group, nullptr);
    uint16_t count;
    std::memcpy(&count, group + 4, 2);
    ASSERT_EQ(count, 3);
    std::vector<int> sizes;
    for (int i = 0; i < count; ++i) {
        const uint8_t* entry = group + 6 + 14 * i;  // GRPICONDIRENTRY
        uint16_t bits;
        std::memcpy(&bits, entry + 6, 2);
        EXPECT_EQ(bits, 8);
        EXPECT_EQ(entry[0], entry[1]);
        sizes.push_back(entry[0]);
    }
    EXPECT_EQ(sizes, (std::vector<int>{48, 32, 16}));

    // The lowest icon ID of the executable, so the shell shows it.
    EXPECT_LT(IDI_HORVANE, IDI_CLOCK);
}

TEST(Resources, ManifestAsksForCommonControlsSixAsInvokerDpiAware) {
    HRSRC found = FindResourceW(Self(), MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    ASSERT_NE(found, nullptr);  // RT_MANIFEST, id 1
    const char* text = static_cast<const char*>(LockResource(LoadResource(Self(), found)));
    const std::string manifest(text, SizeofResource(Self(), found));
    EXPECT_NE(manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""),
              std::string::npos);
    EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos);
    EXPECT_NE(manifest.find(">true</dpiAware>"), std::string::npos);
}

TEST(Resources, VersionInformationInChineseAndEnglish) {
    wchar_t path[MAX_PATH];
    ASSERT_GT(GetModuleFileNameW(nullptr, path, MAX_PATH), 0u);
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path, &ignored);
    ASSERT_GT(size, 0u);
    std::vector<uint8_t> info(size);
    ASSERT_TRUE(GetFileVersionInfoW(path, 0, size, info.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);  // 1.0
    EXPECT_EQ(fixed->dwProductVersionLS, 0u);           // .0.0

    auto text = [&](const wchar_t* key) {
        wchar_t* value = nullptr;
        UINT chars = 0;
        if (!VerQueryValueW(info.data(), key, reinterpret_cast<void**>(&value), &chars)) {
            return std::wstring(L"(none)");
        }
        return std::wstring(value);
    };
    EXPECT_EQ(text(L"\\StringFileInfo\\080403a8\\ProductName"), L"Horvane");
    EXPECT_EQ(text(L"\\StringFileInfo\\080403a8\\FileDescription"), L"Horvane 北京时间校时工具");
    EXPECT_EQ(text(L"\\StringFileInfo\\080403a8\\ProductVersion"), L"1.0.0");
    EXPECT_EQ(text(L"\\StringFileInfo\\040904b0\\ProductName"), L"Horvane");
    EXPECT_EQ(text(L"\\StringFileInfo\\040904b0\\ProductVersion"), L"1.0.0");

    WORD* translations = nullptr;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation",
                               reinterpret_cast<void**>(&translations), &length));
    ASSERT_EQ(length, 8u);
    EXPECT_EQ(translations[0], 0x0804);
    EXPECT_EQ(translations[1], 936);
}

}  // namespace
