// The window's own control kinds: the label (caption bytes, painting, events) and the
// picture button (pictures by state, click only on a release over it, shape from its
// picture), and the label snapshot of the skin (Windows, under Wine on the test display).

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/chrome.h"
#include "app/gdi.h"
#include "app/label.h"
#include "app/picture.h"
#include "app/picture_button.h"

namespace horvane {
namespace {

constexpr COLORREF kHostColour = RGB(10, 200, 30);

// A plain top-level window to put controls on, painted in one colour.
class Host {
  public:
    Host() {
        WNDCLASSEXA windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = Proc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "HorvaneTestHost";
        RegisterClassExA(&windowClass);  // fails harmlessly when already registered
        window_ = CreateWindowExA(0, "HorvaneTestHost", "", WS_POPUP | WS_CLIPCHILDREN, 100, 100,
                                  200, 120, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    }
    ~Host() { DestroyWindow(window_); }
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    HWND get() const { return window_; }

  private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_ERASEBKGND) {
            RECT client{};
            GetClientRect(window, &client);
            Brush brush(CreateSolidBrush(kHostColour));
            FillRect(reinterpret_cast<HDC>(wParam), &client, brush.get());
            return 1;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }

    HWND window_ = nullptr;
};

void PumpMessages() {
    MSG message{};
    for (int i = 0; i < 1000 && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE); ++i) {
        DispatchMessageA(&message);
    }
}

// A 32-bit DIB section with the given pixels (0x00RRGGBB, rows top to bottom).
Bitmap MakeBitmap(int width, int height, const std::vector<std::uint32_t>& pixels) {
    void* bits = nullptr;
    Bitmap bitmap = CreateTopDownBitmap(width, height, &bits);
    if (bitmap) std::memcpy(bits, pixels.data(), pixels.size() * sizeof(std::uint32_t));
    return bitmap;
}

Bitmap SolidBitmap(int width, int height, std::uint32_t pixel) {
    return MakeBitmap(width, height, std::vector<std::uint32_t>(width * height, pixel));
}

// What a window paints through WM_PRINTCLIENT, as 0x00RRGGBB pixels.
PixelGrid Printed(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    Bitmap canvas = SolidBitmap(client.right, client.bottom, 0x00777777);
    {
        MemoryDC memory(nullptr);
        SelectedObject selected(memory.get(), canvas.get());
        SendMessageA(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory.get()), PRF_CLIENT);
    }
    PixelGrid grid = ReadPixels(canvas.get());
    for (std::uint32_t& pixel : grid.pixels) pixel &= 0x00FFFFFF;
    return grid;
}

std::uint32_t PixelAt(const PixelGrid& grid, int x, int y) {
    return grid.pixels.at(static_cast<std::size_t>(y) * grid.width + x);
}

std::string WindowText(HWND window) {
    char buffer[512] = {};
    const int length = GetWindowTextA(window, buffer, sizeof buffer);
    return std::string(buffer, length > 0 ? length : 0);
}

const LabelLook kPlainLook{nullptr, RGB(0, 0, 0), RGB(255, 255, 255), HorizontalAlignment::Left,
                           VerticalAlignment::Centre};

// ---- Label ---------------------------------------------------------------------------------

TEST(Label, CaptionIsKeptByteForByteAndIsTheWindowText) {
    Host host;
    Label label;
    ASSERT_TRUE(label.Create(host.get(), 7, {0, 0, 100, 20}, true, "", kPlainLook));
    const std::string captions[] = {
        "当前网络时间: 获取中...",
        "     Horvane",
        "",
        "同步时间成功，同步为: 2010-11-13 12:05:06",
        "a\x81\x5c"
        "b",  // a GBK character whose second byte is a backslash
        std::string(300, 'x'),
    };
    for (const std::string& caption : captions) {
        SCOPED_TRACE(caption);
        label.SetCaption(caption);
        EXPECT_EQ(label.Caption(), caption);
        EXPECT_EQ(WindowText(label.hwnd()), caption);
        EXPECT_EQ(GetWindowTextLengthA(label.hwnd()), static_cast<int>(caption.size()));
    }
}

TEST(Label, TextWrittenFromOutsideBecomesTheCaption) {
    Host host;
    Label label;
    ASSERT_TRUE(label.Create(host.get(), 7, {0, 0, 100, 20}, true, "before", kPlainLook));
    EXPECT_EQ(label.Caption(), "before");
    SendMessageA(label.hwnd(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("自动校时完成"));
    EXPECT_EQ(label.Caption(), "自动校时完成");
}

TEST(Label, CreationCaptionIsTheWindowText) {
    Host host;
    Label label;
    ASSERT_TRUE(label.Create(host.get(), 7, {0, 0, 100, 20}, false,
                             "本程序采用的是国家授时中心标准时间", kPlainLook));
    EXPECT_EQ(WindowText(label.hwnd()), "本程序采用的是国家授时中心标准时间");
    EXPECT_FALSE(label.Visible());
    EXPECT_EQ(GetDlgCtrlID(label.hwnd()), 7);
}

TEST(Label, PaintsItsPictureTopLeftAndFillsTheRestWithItsColour) {
    Host host;
    Label label;
    LabelLook look = kPlainLook;
    look.backColour = RGB(0, 0, 255);
    ASSERT_TRUE(label.Create(host.get(), 7, {0, 0, 10, 6}, true, "", look));
    const std::vector<std::uint32_t> picture{0x00FF0000, 0x0000FF00,  //
                                             0x00FFFF00, 0x0000FFFF};
    Bitmap bitmap = MakeBitmap(2, 2, picture);
    label.SetBackgroundPicture(EncodePicture(bitmap.get()));
    label.SetPicturePlacement(PicturePlacement::TopLeft);

    const PixelGrid grid = Printed(label.hwnd());
    ASSERT_EQ(grid.width, 10);
    EXPECT_EQ(PixelAt(grid, 0, 0), 0x00FF0000u);
    EXPECT_EQ(PixelAt(grid, 1, 1), 0x0000FFFFu);
    EXPECT_EQ(PixelAt(grid, 2, 0), 0x000000FFu);  // background colour, blue
    EXPECT_EQ(PixelAt(grid, 9, 5), 0x000000FFu);
}

TEST(Label, TilesItsPicture) {
    Host host;
    Label label;
    ASSERT_TRUE(label.Create(host.get(), 7, {0, 0, 5, 3}, true, "", kPlainLook));
    Bitmap bitmap = MakeBitmap(2, 2, {0x00FF0000, 0x0000FF00, 0x00FFFF00, 0x0000FFFF});
    label.SetBackgroundPicture(EncodePicture(bitmap.get()));
    label.SetPicturePlacement(PicturePlacement::Tiled);

    const PixelGrid grid = Printed(label.hwnd());
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x) {
            EXPECT_EQ(PixelAt(grid, x, y), PixelAt(grid, x % 2, y % 2)) << x << "," << y;
        }
    }
    EXPECT_EQ(PixelAt(grid, 4, 2), 0x00FF0000u);
}

TEST(Label, AnUndecodablePictureShowsTheBackgroundColour) {
    Host host;
    Label label;
    ASSERT_TRUE(label.Create(host.get(), 7, {0, 0, 4, 4}, true, "", kPlainLook));
    label.SetBackgroundPicture(Picture{'B', 'M', 0, 0, 0});
    EXPECT_EQ(PixelAt(Printed(label.hwnd()), 1, 1), 0x00FFFFFFu);
}

TEST(Label, DrawsItsCaptionInItsTextColour) {
    Host host;
    Label label;
    Font font(CreateFontA(-20, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                          OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY,
                          DEFAULT_PITCH, "Arial"));
    LabelLook look = kPlainLook;
    look.font = font.get();
    ASSERT_TRUE(label.Create(host.get(), 7, {0, 0, 60, 24}, true, "", look));
    auto countRed = [&] {
        const PixelGrid grid = Printed(label.hwnd());
        int red = 0;
        for (std::uint32_t pixel : grid.pixels) red += pixel == 0x00FF0000;
        return red;
    };
    label.SetTextColour(RGB(255, 0, 0));
    EXPECT_EQ(countRed(), 0);  // no caption, nothing drawn
    label.SetCaption("HHH");
    EXPECT_GT(countRed(), 20);
    label.SetTextColour(RGB(0, 0, 0));
    EXPECT_EQ(countRed(), 0);
}

TEST(Label, RaisesPressedOnALeftButtonPress) {
    Host host;
    Label label;
    ASSERT_TRUE(label.Create(host.get(), 7, {0, 0, 40, 20}, true, "", kPlainLook));
    int pressed = 0;
    label.onPressed = [&] { ++pressed; };
    SendMessageA(label.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    SendMessageA(label.hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
    SendMessageA(label.hwnd(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(3, 3));
    EXPECT_EQ(pressed, 1);
}

TEST(Label, KeepsTheFontItIsGiven) {
    Host host;
    Label label;
    ASSERT_TRUE(label.Create(host.get(), 7, {0, 0, 40, 20}, true, "", kPlainLook));
    EXPECT_EQ(SendMessageA(label.hwnd(), WM_GETFONT, 0, 0), 0);
    Font font(CreateFontA(-12, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, GB2312_CHARSET,
                          OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH,
                          "宋体"));
    label.SetFont(font.get());
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(label.hwnd(), WM_GETFONT, 0, 0)), font.get());
}

// ---- PictureButton ---------------------------------------------------------------------------

constexpr std::uint32_t kNormal = 0x00102030;
constexpr std::uint32_t kHot = 0x00405060;
constexpr std::uint32_t kPressed = 0x00708090;
constexpr std::uint32_t kDisabled = 0x00A0B0C0;

ButtonPicture Solid(std::uint32_t pixel) {
    return ButtonPicture::FromBitmap(SolidBitmap(20, 10, pixel));
}

ButtonPictures AllFour() {
    return {Solid(kNormal), Solid(kHot), Solid(kPressed), Solid(kDisabled)};
}

LPARAM At(int x, int y) { return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)); }

class PictureButtonTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(host_.get(), nullptr);
        ShowWindow(host_.get(), SW_SHOWNOACTIVATE);
    }

    void Create(ButtonPictures pictures, bool enabled = true) {
        ASSERT_TRUE(button_.Create(host_.get(), 9, {10, 10, 20, 10}, true, enabled, "立即同步",
                                   std::move(pictures)));
        button_.onClick = [this] { ++clicks_; };
        button_.onPressed = [this] { ++presses_; };
        button_.onReleased = [this] { ++releases_; };
    }
    LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam) {
        return SendMessageA(button_.hwnd(), message, wParam, lParam);
    }
    std::uint32_t Shown() { return PixelAt(Printed(button_.hwnd()), 5, 5); }

    Host host_;
    PictureButton button_;
    int clicks_ = 0;
    int presses_ = 0;
    int releases_ = 0;
};

TEST_F(PictureButtonTest, ClicksOnlyWhenReleasedOverItAfterAPressOnIt) {
    Create(AllFour());
    struct Step {
        UINT message;
        int x;
        int y;
    };
    struct Case {
        const char* name;
        std::vector<Step> steps;
        int clicks;
    };
    const Case cases[] = {
        {"press and release inside", {{WM_LBUTTONDOWN, 5, 5}, {WM_LBUTTONUP, 6, 4}}, 1},
        {"release outside", {{WM_LBUTTONDOWN, 5, 5}, {WM_LBUTTONUP, 40, 5}}, 0},
        {"release left of it", {{WM_LBUTTONDOWN, 5, 5}, {WM_LBUTTONUP, -3, 5}}, 0},
        {"release without a press", {{WM_LBUTTONUP, 5, 5}}, 0},
        {"off and back on before the release",
         {{WM_LBUTTONDOWN, 5, 5},
          {WM_MOUSEMOVE, 50, 50},
          {WM_MOUSEMOVE, 5, 5},
          {WM_LBUTTONUP, 5, 5}},
         1},
        {"two clicks",
         {{WM_LBUTTONDOWN, 1, 1},
          {WM_LBUTTONUP, 1, 1},
          {WM_LBUTTONDOWN, 19, 9},
          {WM_LBUTTONUP, 19, 9}},
         2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        clicks_ = presses_ = releases_ = 0;
        int downs = 0;
        int ups = 0;
        for (const Step& step : c.steps) {
            const WPARAM keys = step.message == WM_LBUTTONUP ? 0 : MK_LBUTTON;
            Send(step.message, step.message == WM_MOUSEMOVE && downs == ups ? 0 : keys,
                 At(step.x, step.y));
            downs += step.message == WM_LBUTTONDOWN;
            ups += step.message == WM_LBUTTONUP;
        }
        EXPECT_EQ(clicks_, c.clicks);
        EXPECT_EQ(presses_, downs);
        EXPECT_EQ(releases_, ups);
        EXPECT_NE(GetCapture(), button_.hwnd());
    }
}

TEST_F(PictureButtonTest, HoldsTheCaptureWhilePressed) {
    Create(AllFour());
    Send(WM_LBUTTONDOWN, MK_LBUTTON, At(5, 5));
    EXPECT_EQ(GetCapture(), button_.hwnd());
    Send(WM_LBUTTONUP, 0, At(60, 60));
    EXPECT_NE(GetCapture(), button_.hwnd());
    EXPECT_EQ(clicks_, 0);
}

TEST_F(PictureButtonTest, LosingTheCaptureCancelsThePress) {
    Create(AllFour());
    Send(WM_LBUTTONDOWN, MK_LBUTTON, At(5, 5));
    ReleaseCapture();
    EXPECT_NE(button_.state(), PictureButton::State::Pressed);
    Send(WM_LBUTTONUP, 0, At(5, 5));
    EXPECT_EQ(clicks_, 0);
}

TEST_F(PictureButtonTest, ShowsThePictureOfItsState) {
    Create(AllFour());
    EXPECT_EQ(Shown(), kNormal);
    Send(WM_MOUSEMOVE, 0, At(5, 5));
    EXPECT_EQ(Shown(), kHot);
    Send(WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(Shown(), kNormal);
    Send(WM_MOUSEMOVE, 0, At(5, 5));
    Send(WM_LBUTTONDOWN, MK_LBUTTON, At(5, 5));
    EXPECT_EQ(Shown(), kPressed);
    Send(WM_MOUSEMOVE, MK_LBUTTON, At(30, 5));  // off the button, still held
    EXPECT_EQ(Shown(), kNormal);
    Send(WM_MOUSEMOVE, MK_LBUTTON, At(5, 5));  // back on
    EXPECT_EQ(Shown(), kPressed);
    Send(WM_LBUTTONUP, 0, At(5, 5));
    EXPECT_EQ(Shown(), kHot);
    EXPECT_EQ(clicks_, 1);
}

TEST_F(PictureButtonTest, DisabledShowsItsDisabledPictureAndIgnoresTheMouse) {
    Create(AllFour(), false);
    EXPECT_FALSE(button_.Enabled());
    EXPECT_EQ(Shown(), kDisabled);
    button_.SetEnabled(true);
    EXPECT_EQ(Shown(), kNormal);
    Send(WM_MOUSEMOVE, 0, At(5, 5));
    button_.SetEnabled(false);
    EXPECT_EQ(Shown(), kDisabled);
    EXPECT_EQ(button_.state(), PictureButton::State::Normal);
}

TEST_F(PictureButtonTest, FallsBackToTheNormalPicture) {
    Create({Solid(kNormal), {}, {}, {}});
    Send(WM_MOUSEMOVE, 0, At(5, 5));
    EXPECT_EQ(Shown(), kNormal);  // no hot picture
    Send(WM_LBUTTONDOWN, MK_LBUTTON, At(5, 5));
    EXPECT_EQ(Shown(), kNormal);  // no pressed picture
    Send(WM_LBUTTONUP, 0, At(5, 5));
    button_.SetEnabled(false);
    EXPECT_EQ(Shown(), kNormal);  // no disabled picture
}

TEST_F(PictureButtonTest, WithoutPicturesShowsBlack) {
    Create({});
    EXPECT_EQ(Shown(), 0x00000000u);
}

TEST_F(PictureButtonTest, HasItsAccessibleTextAndNoTabStop) {
    Create(AllFour());
    EXPECT_EQ(WindowText(button_.hwnd()), "立即同步");
    EXPECT_FALSE(GetWindowLongA(button_.hwnd(), GWL_STYLE) & WS_TABSTOP);
}

// A 24 x 24 icon: a disc of `disc` on white, or the whole square in `disc` when `full`.
Icon MakeIcon(std::uint32_t disc, bool full) {
    std::vector<std::uint32_t> pixels(24 * 24, 0x00FFFFFF);
    for (int y = 0; y < 24; ++y) {
        for (int x = 0; x < 24; ++x) {
            const int dx = 2 * x - 23;
            const int dy = 2 * y - 23;
            if (full || dx * dx + dy * dy <= 22 * 22) pixels[y * 24 + x] = disc;
        }
    }
    Bitmap colour = MakeBitmap(24, 24, pixels);
    Bitmap mask = SolidBitmap(24, 24, 0);  // opaque everywhere
    ICONINFO info{};
    info.fIcon = TRUE;
    info.hbmColor = colour.get();
    info.hbmMask = mask.get();
    return Icon(CreateIconIndirect(&info));
}

TEST_F(PictureButtonTest, TakesTheShapeOfItsPictureLessItsTransparentColour) {
    ButtonPictures pictures;
    pictures.normal = ButtonPicture::FromIcon(MakeIcon(0x002060C0, false), 24, 24);
    pictures.pressed = ButtonPicture::FromIcon(MakeIcon(0x00204080, true), 24, 24);
    ASSERT_TRUE(button_.Create(host_.get(), 9, {0, 0, 24, 24}, true, true, "Horvane",
                               std::move(pictures), RGB(255, 255, 255)));
    auto inShape = [&](int x, int y) {
        Region shape(CreateRectRgn(0, 0, 0, 0));
        if (GetWindowRgn(button_.hwnd(), shape.get()) == ERROR) return true;  // a rectangle
        return PtInRegion(shape.get(), x, y) != FALSE;
    };
    EXPECT_FALSE(inShape(0, 0));
    EXPECT_FALSE(inShape(23, 23));
    EXPECT_TRUE(inShape(12, 12));
    EXPECT_TRUE(inShape(12, 1));

    // The pressed picture fills the square: the shape follows the picture shown.
    SendMessageA(button_.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, At(12, 12));
    EXPECT_TRUE(inShape(0, 0));
    SendMessageA(button_.hwnd(), WM_LBUTTONUP, 0, At(12, 12));
    EXPECT_FALSE(inShape(0, 0));
}

TEST_F(PictureButtonTest, AnIconIsDrawnOnWhite) {
    ButtonPictures pictures;
    pictures.normal = ButtonPicture::FromIcon(MakeIcon(0x002060C0, false), 24, 24);
    ASSERT_TRUE(
        button_.Create(host_.get(), 9, {0, 0, 24, 24}, true, true, "Horvane", std::move(pictures)));
    const PixelGrid grid = Printed(button_.hwnd());
    EXPECT_EQ(PixelAt(grid, 0, 0), 0x00FFFFFFu);
    EXPECT_EQ(PixelAt(grid, 12, 12), 0x002060C0u);
}

// ---- Snapshot of what lies behind a label ----------------------------------------------------

TEST(MakeLabelTransparent, TakesThePixelsBehindTheLabel) {
    Host host;
    Label label;
    LabelLook look = kPlainLook;
    look.backColour = RGB(255, 0, 255);
    ASSERT_TRUE(label.Create(host.get(), 7, {20, 30, 40, 12}, true, "", look));
    ShowWindow(host.get(), SW_SHOWNOACTIVATE);
    UpdateWindow(host.get());
    PumpMessages();

    MakeLabelTransparent(label);
    EXPECT_TRUE(label.Visible());
    const PixelGrid grid = Printed(label.hwnd());
    ASSERT_EQ(grid.width, 40);
    EXPECT_EQ(PixelAt(grid, 0, 0), 0x000AC81Eu);  // the host's colour, not the label's
    EXPECT_EQ(PixelAt(grid, 39, 11), 0x000AC81Eu);
}

TEST(CaptureWindowImage, IsABitmapFileOfTheWindowSize) {
    Host host;
    Label label;
    ASSERT_TRUE(label.Create(host.get(), 7, {0, 0, 33, 17}, true, "", kPlainLook));
    ShowWindow(host.get(), SW_SHOWNOACTIVATE);
    UpdateWindow(host.get());
    PumpMessages();
    const Picture image = CaptureWindowImage(label.hwnd());
    ASSERT_GT(image.size(), 54u);
    BITMAPINFOHEADER header;
    std::memcpy(&header, image.data() + sizeof(BITMAPFILEHEADER), sizeof header);
    EXPECT_EQ(header.biWidth, 33);
    EXPECT_EQ(std::abs(header.biHeight), 17);
    EXPECT_EQ(header.biBitCount, 24);
}

}  // namespace
}  // namespace horvane
