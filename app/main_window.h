#pragma once
// Win32 only: the program's one window and its seventeen controls.

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>

#include "app/check_box.h"
#include "app/gdi.h"
#include "app/label.h"
#include "app/picture.h"
#include "app/picture_button.h"
#include "net/daytime_client.h"
#include "net/server_list.h"

namespace horvane {

// The texts the window starts with.
inline constexpr char kNetworkTimePrefix[] = "当前网络时间: ";
inline constexpr char kLocalTimePrefix[] = "您的本地时间: ";
inline constexpr char kNetworkTimeWaiting[] = "当前网络时间: 获取中...";
inline constexpr char kLocalTimeWaiting[] = "您的本地时间: 获取中...";
inline constexpr char kProductName[] = "Horvane";

// Control ids (GetDlgCtrlID) and timer ids of the window, by control name.
namespace control_id {
inline constexpr int 桌面 = 101;
inline constexpr int 标签2 = 102;
inline constexpr int 标签1 = 103;
inline constexpr int 开机 = 104;
inline constexpr int 同步 = 105;
inline constexpr int 本地时间 = 106;
inline constexpr int 网络时间 = 107;
inline constexpr int 标签 = 108;
inline constexpr int 程序图标 = 109;
inline constexpr int 最小化按钮 = 110;
inline constexpr int 最大化按钮 = 111;
inline constexpr int 设置按钮 = 112;
inline constexpr int 关闭按钮 = 113;
inline constexpr int 标题栏 = 114;
inline constexpr UINT_PTR 显示时间 = 1;
inline constexpr UINT_PTR 校对 = 2;
}  // namespace control_id

// The borderless, skinned window of 381 x 249 pixels. There is one per process; other code
// reaches it through TheMainWindow(). Its events reach the program's handlers only between
// RaiseCreated() and StopEvents().
class MainWindow {
  public:
    static constexpr const char* kClassName = "HorvaneMainWindow";
    static constexpr int kWidth = 381;
    static constexpr int kHeight = 249;

    MainWindow();  // also creates the client 客户1
    ~MainWindow();
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Creates the hidden window with all its controls; the timers start counting. `servers`
    // is the list every fetch uses.
    bool Create(DaytimeServerList servers);

    // The created event: events reach their handlers from now on, then OnMainWindowCreated.
    void RaiseCreated();
    // No event of the window or its controls reaches a handler from now on.
    void StopEvents() { eventsOn_ = false; }
    bool EventsOn() const { return eventsOn_; }

    HWND hwnd() const { return hwnd_; }
    bool Visible() const;
    void SetVisible(bool visible);
    std::string Caption() const;
    void SetCaption(std::string_view caption);
    const Picture& BackgroundPicture() const { return background_; }
    const DaytimeServerList& Servers() const { return servers_; }

    // The window's keyboard rules, applied to a message about to be dispatched: Tab and
    // Shift+Tab move the focus between 开机 and 桌面. True when the message was used up.
    bool PreTranslateMessage(const MSG& message);

    // The controls, in stacking order, topmost first.
    CheckBox 桌面;
    Label 标签2;
    Label 标签1;
    CheckBox 开机;
    Timer 显示时间;
    Timer 校对;
    PictureButton 同步;
    Label 本地时间;
    Label 网络时间;
    DaytimeClient 客户1;
    Label 标签;
    PictureButton 程序图标;
    PictureButton 最小化按钮;
    PictureButton 最大化按钮;
    PictureButton 设置按钮;
    PictureButton 关闭按钮;
    Label 标题栏;

  private:
    friend LRESULT CALLBACK ObjectWindowProc<MainWindow>(HWND, UINT, WPARAM, LPARAM);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    bool CreateControls();
    void PaintBackground(HDC dc) const;
    void RestoreFocus();
    // Wraps a handler so that it runs only while events are on.
    std::function<void()> Handler(void (*handler)());

    HWND hwnd_ = nullptr;
    bool eventsOn_ = false;
    bool destroying_ = false;
    HWND savedFocus_ = nullptr;
    DaytimeServerList servers_;
    Picture background_;
    Bitmap backgroundBitmap_;
    Font timeFont_;   // "宋体", 16 pixels, bold
    Font titleFont_;  // "宋体", 12 pixels, bold
    Brush white_;
};

// "宋体" of the given character height (pixels), bold, GB2312 character set.
Font CreateSongFont(int characterHeight);

// The one main window; only valid while a MainWindow exists.
MainWindow& TheMainWindow();
bool MainWindowExists();

}  // namespace horvane
