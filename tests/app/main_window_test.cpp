// The main window as created (layout, stacking, styles, fonts), its keyboard rules and the
// clock display handlers, driven with a fake clock (Windows, under Wine on the test display;
// the program's resources are linked in).

#include "app/main_window.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/chrome.h"
#include "app/display.h"
#include "app/startup.h"
#include "net/reply.h"
#include "time/clock.h"
#include "time/date_time.h"

namespace horvane {
namespace {

std::string WindowText(HWND window) {
    char buffer[512] = {};
    const int length = GetWindowTextA(window, buffer, sizeof buffer);
    return std::string(buffer, length > 0 ? length : 0);
}

std::string ClassName(HWND window) {
    char buffer[128] = {};
    GetClassNameA(window, buffer, sizeof buffer);
    return buffer;
}

class MainWindowTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(window_.Create({})); }

    MainWindow window_;
};

struct ControlRow {
    int id;
    const char* className;
    RECT place;  // left, top, right, bottom
    bool visible;
    bool enabled;
    bool tabStop;
    std::string text;
};

TEST_F(MainWindowTest, ControlsMatchTheLayoutInStackingOrder) {
    const ControlRow rows[] = {
        {control_id::桌面, "Button", {28, 197, 43, 220}, true, true, true, ""},
        {control_id::标签2,
         "HorvaneLabel",
         {46, 197, 247, 221},
         true,
         true,
         false,
         "在桌面创建一个自动校时的图标"},
        {control_id::标签1,
         "HorvaneLabel",
         {46, 169, 247, 193},
         true,
         true,
         false,
         "每次开机自动同步(需自动联网用户)"},
        {control_id::开机, "Button", {28, 169, 43, 192}, true, true, true, ""},
        {control_id::同步,
         "HorvanePictureButton",
         {258, 188, 350, 220},
         true,
         false,
         false,
         "立即同步"},
        {control_id::本地时间,
         "HorvaneLabel",
         {44, 122, 337, 148},
         true,
         true,
         false,
         "您的本地时间: 获取中..."},
        {control_id::网络时间,
         "HorvaneLabel",
         {44, 88, 337, 114},
         true,
         true,
         false,
         "当前网络时间: 获取中..."},
        {control_id::标签,
         "HorvaneLabel",
         {19, 42, 362, 65},
         true,
         true,
         false,
         "本程序采用的是国家授时中心标准时间"},
        {control_id::程序图标,
         "HorvanePictureButton",
         {7, 4, 31, 28},
         true,
         true,
         false,
         "Horvane"},
        {control_id::最小化按钮,
         "HorvanePictureButton",
         {287, 1, 313, 18},
         true,
         true,
         false,
         "最小化"},
        {control_id::最大化按钮,
         "HorvanePictureButton",
         {314, 1, 340, 18},
         true,
         true,
         false,
         "最大化"},
        {control_id::设置按钮,
         "HorvanePictureButton",
         {259, 1, 286, 18},
         true,
         true,
         false,
         "设置"},
        {control_id::关闭按钮,
         "HorvanePictureButton",
         {340, 1, 376, 18},
         true,
         true,
         false,
         "关闭"},
        {control_id::标题栏, "HorvaneLabel", {0, 0, 0, 31}, false, true, false, ""},
    };
    HWND child = GetWindow(window_.hwnd(), GW_CHILD);
    for (const ControlRow& row : rows) {
        SCOPED_TRACE(row.id);
        ASSERT_NE(child, nullptr);
        EXPECT_EQ(GetDlgCtrlID(child), row.id);
        EXPECT_STRCASEEQ(ClassName(child).c_str(), row.className);
        RECT rect{};
        GetWindowRect(child, &rect);
        MapWindowPoints(nullptr, window_.hwnd(), reinterpret_cast<POINT*>(&rect), 2);
        EXPECT_EQ(rect.left, row.place.left);
        EXPECT_EQ(rect.top, row.place.top);
        EXPECT_EQ(rect.right, row.place.right);
        EXPECT_EQ(rect.bottom, row.place.bottom);
        const LONG style = GetWindowLongA(child, GWL_STYLE);
        EXPECT_EQ((style & WS_VISIBLE) != 0, row.visible);
        EXPECT_EQ(IsWindowEnabled(child) != FALSE, row.enabled);
        EXPECT_EQ((style & WS_TABSTOP) != 0, row.tabStop);
        EXPECT_EQ(WindowText(child), row.text);
        child = GetWindow(child, GW_HWNDNEXT);
    }
    EXPECT_EQ(child, nullptr);  // nothing else: timers and the client are not windows here
}

TEST_F(MainWindowTest, IsABorderlessHiddenWindowCentredOnTheScreen) {
    const HWND hwnd = window_.hwnd();
    EXPECT_FALSE(IsWindowVisible(hwnd));
    const LONG style = GetWindowLongA(hwnd, GWL_STYLE);
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_TRUE(style & WS_MAXIMIZEBOX);
    EXPECT_TRUE(style & WS_CLIPCHILDREN);
    EXPECT_FALSE(style & (WS_CAPTION | WS_THICKFRAME | WS_SYSMENU | WS_BORDER));
    EXPECT_TRUE(GetWindowLongA(hwnd, GWL_EXSTYLE) & WS_EX_APPWINDOW);
    EXPECT_FALSE(GetWindowLongA(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST);
    RECT rect{};
    GetWindowRect(hwnd, &rect);
    EXPECT_EQ(rect.left, (GetSystemMetrics(SM_CXSCREEN) - 381) / 2);
    EXPECT_EQ(rect.top, (GetSystemMetrics(SM_CYSCREEN) - 249) / 2);
    EXPECT_EQ(rect.right - rect.left, 381);
    EXPECT_EQ(rect.bottom - rect.top, 249);
    RECT client{};
    GetClientRect(hwnd, &client);
    EXPECT_EQ(client.right, 381);
    EXPECT_EQ(client.bottom, 249);
    EXPECT_EQ(window_.Caption(), "");
    EXPECT_NE(GetClassLongPtrA(hwnd, GCLP_HICON), 0);
    EXPECT_NE(GetClassLongPtrA(hwnd, GCLP_HICONSM), 0);
}

TEST_F(MainWindowTest, TimersRunFromCreation) {
    EXPECT_EQ(window_.显示时间.period(), 1000);
    EXPECT_EQ(window_.校对.period(), 5000);
    // The display timer's first tick arrives as a message of the window.
    MSG message{};
    const DWORD start = GetTickCount();
    bool ticked = false;
    while (!ticked && GetTickCount() - start < 5000) {
        if (PeekMessageA(&message, window_.hwnd(), WM_TIMER, WM_TIMER, PM_REMOVE)) {
            ticked = message.wParam == control_id::显示时间;
        } else {
            Sleep(20);
        }
    }
    EXPECT_TRUE(ticked);
}

TEST_F(MainWindowTest, LabelFontsAreBoldSongTi) {
    struct FontRow {
        const Label* label;
        LONG height;  // 0: the default GUI font (no font of its own)
    };
    const FontRow rows[] = {{&window_.网络时间, -16}, {&window_.本地时间, -16},
                            {&window_.标签, -12},     {&window_.标题栏, -12},
                            {&window_.标签1, 0},      {&window_.标签2, 0}};
    for (const FontRow& row : rows) {
        SCOPED_TRACE(row.height);
        const auto font =
            reinterpret_cast<HFONT>(SendMessageA(row.label->hwnd(), WM_GETFONT, 0, 0));
        if (row.height == 0) {
            EXPECT_EQ(font, nullptr);
            continue;
        }
        LOGFONTA logFont{};
        ASSERT_TRUE(GetObjectA(font, sizeof logFont, &logFont));
        EXPECT_EQ(logFont.lfHeight, row.height);
        EXPECT_EQ(logFont.lfWeight, FW_BOLD);
        EXPECT_EQ(logFont.lfCharSet, GB2312_CHARSET);
        EXPECT_FALSE(logFont.lfItalic || logFont.lfUnderline || logFont.lfStrikeOut);
        EXPECT_STREQ(logFont.lfFaceName, "宋体");
    }
}

TEST_F(MainWindowTest, CheckBoxesSitOnWhite) {
    for (HWND box : {window_.开机.hwnd(), window_.桌面.hwnd()}) {
        EXPECT_EQ(GetWindowLongA(box, GWL_STYLE) & BS_TYPEMASK, BS_AUTOCHECKBOX);
        const HDC dc = GetDC(box);
        const auto brush = reinterpret_cast<HBRUSH>(SendMessageA(window_.hwnd(), WM_CTLCOLORSTATIC,
                                                                 reinterpret_cast<WPARAM>(dc),
                                                                 reinterpret_cast<LPARAM>(box)));
        LOGBRUSH logBrush{};
        ASSERT_TRUE(GetObjectA(brush, sizeof logBrush, &logBrush));
        EXPECT_EQ(logBrush.lbColor, RGB(255, 255, 255));
        EXPECT_EQ(GetBkColor(dc), RGB(255, 255, 255));
        ReleaseDC(box, dc);
    }
}

TEST_F(MainWindowTest, TabMovesTheFocusBetweenTheCheckBoxesOnly) {
    ShowWindow(window_.hwnd(), SW_SHOW);
    SetForegroundWindow(window_.hwnd());
    SetFocus(window_.开机.hwnd());
    ASSERT_EQ(GetFocus(), window_.开机.hwnd());
    MSG tab{window_.开机.hwnd(), WM_KEYDOWN, VK_TAB, 0, 0, {}};
    const HWND expected[] = {window_.桌面.hwnd(), window_.开机.hwnd(), window_.桌面.hwnd()};
    for (HWND next : expected) {
        tab.hwnd = GetFocus();
        EXPECT_TRUE(window_.PreTranslateMessage(tab));
        EXPECT_EQ(GetFocus(), next);
    }
    // From the window itself the first box takes the focus.
    SetFocus(window_.hwnd());
    tab.hwnd = window_.hwnd();
    EXPECT_TRUE(window_.PreTranslateMessage(tab));
    EXPECT_EQ(GetFocus(), window_.开机.hwnd());
    // Other keys are left to the controls.
    MSG escape{window_.开机.hwnd(), WM_KEYDOWN, VK_ESCAPE, 0, 0, {}};
    EXPECT_FALSE(window_.PreTranslateMessage(escape));
    MSG enter{window_.开机.hwnd(), WM_KEYDOWN, VK_RETURN, 0, 0, {}};
    EXPECT_FALSE(window_.PreTranslateMessage(enter));
}

TEST_F(MainWindowTest, NeverMaximises) {
    SendMessageA(window_.hwnd(), WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    EXPECT_FALSE(IsZoomed(window_.hwnd()));
    SendMessageA(window_.hwnd(), WM_NCLBUTTONDBLCLK, HTCAPTION, 0);
    EXPECT_FALSE(IsZoomed(window_.hwnd()));
}

TEST_F(MainWindowTest, ContactLineFitsLeftOfTheTitleButtons) {
    Font font = CreateSongFont(12);
    const HDC dc = GetDC(nullptr);
    const HGDIOBJ previous = SelectObject(dc, font.get());
    const std::string title = std::string("     ") + ContactLine;
    SIZE size{};
    GetTextExtentPoint32A(dc, title.c_str(), static_cast<int>(title.size()), &size);
    SelectObject(dc, previous);
    ReleaseDC(nullptr, dc);
    EXPECT_GT(size.cx, 0);
    EXPECT_LT(size.cx, 259);  // 设置按钮 starts at x = 259
    EXPECT_EQ(std::string(ContactLine).find('\n'), std::string::npos);
}

TEST_F(MainWindowTest, TitleAndContactTextsSwapOnPressAndRelease) {
    SetTitleBarText("Horvane");
    EXPECT_EQ(window_.标题栏.Caption(), "     Horvane");
    OnContactButtonPressed();
    EXPECT_EQ(window_.标题栏.Caption(), std::string("     ") + ContactLine);
    OnContactButtonReleased();
    EXPECT_EQ(window_.标题栏.Caption(), "     Horvane");
    SetTitleBarText("");
    EXPECT_EQ(window_.标题栏.Caption(), "     ");
}

class DisplayTest : public MainWindowTest {
  protected:
    DisplayTest() : clock_({{2010, 11, 13, 12, 5, 0}, 250}), scoped_(clock_) {}

    void SetUp() override {
        MainWindowTest::SetUp();
        ClockOffset = 0;
    }
    void TearDown() override { ClockOffset = 0; }

    FakeClock clock_;
    ScopedActiveClock scoped_;
};

TEST_F(DisplayTest, LocalLineTicksWhileTheNetworkTimeIsUnknown) {
    OnDisplayTick();
    EXPECT_EQ(window_.本地时间.Caption(), "您的本地时间: 2010-11-13 12:05:00");
    EXPECT_EQ(window_.网络时间.Caption(), "当前网络时间: 获取中...");
    clock_.Advance(1);
    ClockOffset = 6;  // not shown before a reply has been shown
    OnDisplayTick();
    EXPECT_EQ(window_.本地时间.Caption(), "您的本地时间: 2010-11-13 12:05:01");
    EXPECT_EQ(window_.网络时间.Caption(), "当前网络时间: 获取中...");
    EXPECT_FALSE(window_.同步.Enabled());
}

TEST_F(DisplayTest, AReplyShowsItsOwnTimeThenTicksGoByTheOffset) {
    NetworkTime = {2010, 11, 13, 12, 5, 6};
    ClockOffset = 6;
    OnNetworkTimeArrived();
    EXPECT_EQ(window_.网络时间.Caption(), "当前网络时间: 2010-11-13 12:05:06");
    EXPECT_TRUE(window_.同步.Enabled());

    clock_.Advance(2);
    OnDisplayTick();
    EXPECT_EQ(window_.本地时间.Caption(), "您的本地时间: 2010-11-13 12:05:02");
    EXPECT_EQ(window_.网络时间.Caption(), "当前网络时间: 2010-11-13 12:05:08");
}

TEST_F(DisplayTest, OffsetsAreTruncatedTowardZeroAndMayBeNegative) {
    struct Row {
        double offset;
        const char* network;
    };
    const Row rows[] = {
        {-10.0, "当前网络时间: 2010-11-13 12:04:50"},
        {-10.9, "当前网络时间: 2010-11-13 12:04:50"},
        {0.9, "当前网络时间: 2010-11-13 12:05:00"},
        {43200.0, "当前网络时间: 2010-11-14 00:05:00"},
    };
    NetworkTime = {2010, 11, 13, 12, 5, 0};
    OnNetworkTimeArrived();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.offset);
        ClockOffset = row.offset;
        OnDisplayTick();
        EXPECT_EQ(window_.网络时间.Caption(), row.network);
    }
}

TEST_F(DisplayTest, AnyOtherNetworkCaptionCountsAsKnown) {
    ClockOffset = 3;
    window_.网络时间.SetCaption("当前网络时间: 获取中..");  // one dot short
    OnDisplayTick();
    EXPECT_EQ(window_.网络时间.Caption(), "当前网络时间: 2010-11-13 12:05:03");
}

TEST(CloseButtonDeathTest, StopsTheTimersAndEndsWithExitCodeZero) {
    EXPECT_EXIT(
        {
            MainWindow window;
            if (window.Create({})) OnCloseClicked();
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace horvane
