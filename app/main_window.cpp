#include "app/main_window.h"

#include <array>
#include <utility>

#include "app/chrome.h"
#include "app/display.h"
#include "app/startup.h"
#include "app/sync.h"
#include "net/reply.h"
#include "res/resource.h"
#include "shell/shortcuts.h"

namespace horvane {

namespace {

MainWindow* g_mainWindow = nullptr;

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);

ButtonPicture BitmapPicture(int id) {
    return ButtonPicture::FromBitmap(DecodePicture(LoadBitmapResource(id)));
}

ButtonPictures TitleButtonPictures(int normalId) {
    // Normal, hot and pressed follow each other; there is no disabled picture.
    return {BitmapPicture(normalId), BitmapPicture(normalId + 1), BitmapPicture(normalId + 2), {}};
}

}  // namespace

Font CreateSongFont(int characterHeight) {
    // Character height (negative), bold, GB2312: the face name is GBK like every text here.
    return Font(CreateFontA(-characterHeight, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, GB2312_CHARSET,
                            OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                            DEFAULT_PITCH | FF_DONTCARE, "宋体"));
}

MainWindow& TheMainWindow() { return *g_mainWindow; }

bool MainWindowExists() { return g_mainWindow != nullptr; }

MainWindow::MainWindow() { g_mainWindow = this; }

MainWindow::~MainWindow() {
    if (hwnd_) {
        destroying_ = true;
        DestroyWindow(hwnd_);
    }
    if (g_mainWindow == this) g_mainWindow = nullptr;
}

std::function<void()> MainWindow::Handler(void (*handler)()) {
    return [this, handler] {
        if (eventsOn_) handler();
    };
}

bool MainWindow::Create(DaytimeServerList servers) {
    servers_ = std::move(servers);
    background_ = LoadBitmapResource(IDB_BACKGROUND);
    backgroundBitmap_ = DecodePicture(background_);
    timeFont_ = CreateSongFont(16);
    titleFont_ = CreateSongFont(12);
    white_ = Brush(CreateSolidBrush(kWhite));

    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = ObjectWindowProc<MainWindow>;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.hIcon = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_HORVANE),
                                                      IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                                                      GetSystemMetrics(SM_CYICON), LR_SHARED));
    windowClass.hIconSm = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_HORVANE),
                                                        IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                        GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    windowClass.lpszClassName = kClassName;
    if (!RegisterWindowClass(windowClass)) return false;

    // No caption, frame or system menu; the minimise and maximise styles are there for the
    // taskbar. WS_EX_APPWINDOW gives the captionless window its taskbar button.
    const int left = (GetSystemMetrics(SM_CXSCREEN) - kWidth) / 2;
    const int top = (GetSystemMetrics(SM_CYSCREEN) - kHeight) / 2;
    if (!CreateWindowExA(WS_EX_APPWINDOW, kClassName, "",
                         WS_POPUP | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_CLIPCHILDREN, left, top,
                         kWidth, kHeight, nullptr, nullptr, instance, this)) {
        return false;
    }
    if (!CreateControls()) return false;

    OnNetworkTimeKnown = [] { OnNetworkTimeArrived(); };
    客户1.SetDataArrivalHandler([this] { return eventsOn_ && OnDaytimeReply(客户1); });
    显示时间.Create(hwnd_, control_id::显示时间, 1000);
    校对.Create(hwnd_, control_id::校对, 5000);
    return true;
}

bool MainWindow::CreateControls() {
    const LabelLook plain{nullptr, kBlack, kWhite, HorizontalAlignment::Left,
                          VerticalAlignment::Centre};
    const LabelLook time{timeFont_.get(), kBlack, kWhite, HorizontalAlignment::Left,
                         VerticalAlignment::Centre};
    const LabelLook note{titleFont_.get(), kBlack, GetSysColor(COLOR_BTNFACE),
                         HorizontalAlignment::Centre, VerticalAlignment::Centre};
    const LabelLook title{titleFont_.get(), kBlack, GetSysColor(COLOR_BTNFACE),
                          HorizontalAlignment::Left, VerticalAlignment::Centre};

    // Everything starts hidden; the visible ones are shown once all exist.
    namespace id = control_id;
    bool ok = 桌面.Create(hwnd_, id::桌面, {28, 197, 15, 23}, false, true);
    ok = ok && 标签2.Create(hwnd_, id::标签2, {46, 197, 201, 24}, false,
                            "在桌面创建一个自动校时的图标", plain);
    ok = ok && 标签1.Create(hwnd_, id::标签1, {46, 169, 201, 24}, false,
                            "每次开机自动同步(需自动联网用户)", plain);
    ok = ok && 开机.Create(hwnd_, id::开机, {28, 169, 15, 23}, false, true);
    ok = ok && 同步.Create(hwnd_, id::同步, {258, 188, 92, 32}, false, false, "立即同步",
                           {BitmapPicture(IDB_SYNC_NORMAL), BitmapPicture(IDB_SYNC_HOT),
                            BitmapPicture(IDB_SYNC_PRESSED), BitmapPicture(IDB_SYNC_DISABLED)});
    ok = ok &&
         本地时间.Create(hwnd_, id::本地时间, {44, 122, 293, 26}, false, kLocalTimeWaiting, time);
    ok = ok &&
         网络时间.Create(hwnd_, id::网络时间, {44, 88, 293, 26}, false, kNetworkTimeWaiting, time);
    ok = ok && 标签.Create(hwnd_, id::标签, {19, 42, 343, 23}, false,
                           "本程序采用的是国家授时中心标准时间", note);
    标签.SetPicturePlacement(PicturePlacement::Tiled);
    ok = ok &&
         程序图标.Create(
             hwnd_, id::程序图标, {7, 4, 24, 24}, false, true, kProductName,
             {ButtonPicture::FromIcon(LoadIconResource(IDI_CLOCK, 24, 24), 24, 24), {}, {}, {}},
             kWhite);
    ok = ok && 最小化按钮.Create(hwnd_, id::最小化按钮, {287, 1, 26, 17}, false, true, "最小化",
                                 TitleButtonPictures(IDB_MINIMISE_NORMAL));
    ok = ok && 最大化按钮.Create(hwnd_, id::最大化按钮, {314, 1, 26, 17}, false, true, "最大化",
                                 TitleButtonPictures(IDB_MAXIMISE_NORMAL));
    ok = ok && 设置按钮.Create(hwnd_, id::设置按钮, {259, 1, 27, 17}, false, true, "设置",
                               TitleButtonPictures(IDB_SETTINGS_NORMAL));
    ok = ok && 关闭按钮.Create(hwnd_, id::关闭按钮, {340, 1, 36, 17}, false, true, "关闭",
                               TitleButtonPictures(IDB_CLOSE_NORMAL));
    ok = ok && 标题栏.Create(hwnd_, id::标题栏, {0, 0, 0, 31}, false, "", title);
    标题栏.SetPicturePlacement(PicturePlacement::TopLeft);
    if (!ok) return false;

    同步.onClick = Handler(SyncNow);
    程序图标.onPressed = Handler(OnContactButtonPressed);
    程序图标.onReleased = Handler(OnContactButtonReleased);
    最小化按钮.onClick = Handler(OnMinimiseClicked);
    设置按钮.onPressed = Handler(OnContactButtonPressed);
    设置按钮.onReleased = Handler(OnContactButtonReleased);
    关闭按钮.onClick = Handler(OnCloseClicked);
    标题栏.onPressed = Handler(OnTitleBarPressed);

    // Stacking order, topmost first, whatever order creation gave.
    const std::array<Control*, 14> stacking{
        &桌面, &标签2,    &标签1,      &开机,       &同步,     &本地时间, &网络时间,
        &标签, &程序图标, &最小化按钮, &最大化按钮, &设置按钮, &关闭按钮, &标题栏};
    HWND above = HWND_TOP;
    for (Control* control : stacking) {
        SetWindowPos(control->hwnd(), above, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        above = control->hwnd();
    }
    for (Control* control : stacking) {
        if (control != &标题栏) control->SetVisible(true);
    }
    return true;
}

void MainWindow::RaiseCreated() {
    eventsOn_ = true;
    OnMainWindowCreated();
}

bool MainWindow::Visible() const { return hwnd_ && IsWindowVisible(hwnd_); }

void MainWindow::SetVisible(bool visible) {
    if (!hwnd_) return;
    ShowWindow(hwnd_, visible ? SW_SHOW : SW_HIDE);
    if (visible) UpdateWindow(hwnd_);
}

std::string MainWindow::Caption() const {
    if (!hwnd_) return {};
    std::string text(static_cast<std::size_t>(GetWindowTextLengthA(hwnd_)) + 1, '\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextA(hwnd_, text.data(), static_cast<int>(text.size()))));
    return text;
}

void MainWindow::SetCaption(std::string_view caption) {
    if (hwnd_) SetWindowTextA(hwnd_, std::string(caption).c_str());
}

void MainWindow::PaintBackground(HDC dc) const {
    RECT client{};
    GetClientRect(hwnd_, &client);
    BITMAP object{};
    if (backgroundBitmap_ && GetObject(backgroundBitmap_.get(), sizeof object, &object)) {
        MemoryDC source(dc);
        SelectedObject selected(source.get(), backgroundBitmap_.get());
        SetStretchBltMode(dc, COLORONCOLOR);
        StretchBlt(dc, 0, 0, client.right, client.bottom, source.get(), 0, 0, object.bmWidth,
                   object.bmHeight, SRCCOPY);
    } else {
        FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    }
}

bool MainWindow::PreTranslateMessage(const MSG& message) {
    if (message.message != WM_KEYDOWN || message.wParam != VK_TAB || !hwnd_) return false;
    if (message.hwnd != hwnd_ && !IsChild(hwnd_, message.hwnd)) return false;
    const std::array<HWND, 2> order{开机.hwnd(), 桌面.hwnd()};
    const bool backwards = GetKeyState(VK_SHIFT) < 0;
    const HWND focus = GetFocus();
    int current = -1;
    for (int i = 0; i < static_cast<int>(order.size()); ++i) {
        if (order[i] == focus) current = i;
    }
    const int count = static_cast<int>(order.size());
    for (int step = 1; step <= count; ++step) {
        int next = 0;
        if (current < 0) {
            next = backwards ? count - step : step - 1;
        } else {
            next = ((current + (backwards ? -step : step)) % count + count) % count;
        }
        const HWND candidate = order[next];
        if (IsWindowVisible(candidate) && IsWindowEnabled(candidate)) {
            SetFocus(candidate);
            SendMessageA(hwnd_, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
            break;
        }
    }
    return true;
}

void MainWindow::RestoreFocus() {
    if (savedFocus_ && IsWindow(savedFocus_) && IsChild(hwnd_, savedFocus_)) {
        SetFocus(savedFocus_);
    } else if (开机.hwnd()) {
        SetFocus(开机.hwnd());
    }
}

LRESULT MainWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_ERASEBKGND:
            PaintBackground(reinterpret_cast<HDC>(wParam));
            return 1;
        case WM_PRINTCLIENT:
            PaintBackground(reinterpret_cast<HDC>(wParam));
            return 0;
        case WM_TIMER:
            if (!eventsOn_) return 0;
            if (wParam == control_id::显示时间) {
                OnDisplayTick();
            } else if (wParam == control_id::校对) {
                OnRecalibrateTick();
            }
            return 0;
        case WM_COMMAND: {
            // Only the check boxes' clicks matter; Enter and Esc (IDOK, IDCANCEL) do nothing.
            const HWND from = reinterpret_cast<HWND>(lParam);
            if (HIWORD(wParam) != BN_CLICKED || !from || !eventsOn_) return 0;
            if (from == 开机.hwnd()) {
                OnShortcutCheckBoxClicked(from, "Startup");
            } else if (from == 桌面.hwnd()) {
                OnShortcutCheckBoxClicked(from, "Desktop");
            }
            return 0;
        }
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN: {
            const HWND from = reinterpret_cast<HWND>(lParam);
            if (from != 开机.hwnd() && from != 桌面.hwnd()) break;
            const HDC dc = reinterpret_cast<HDC>(wParam);
            SetBkColor(dc, kWhite);
            SetTextColor(dc, kBlack);
            return reinterpret_cast<LRESULT>(white_.get());
        }
        case WM_ACTIVATE:
            if (LOWORD(wParam) == WA_INACTIVE) {
                const HWND focus = GetFocus();
                if (focus && IsChild(hwnd_, focus)) savedFocus_ = focus;
            } else if (!HIWORD(wParam)) {  // not while minimised
                RestoreFocus();
            }
            return 0;
        case WM_SYSCOMMAND:
            // The window is never maximised.
            if ((wParam & 0xFFF0) == SC_MAXIMIZE) return 0;
            break;
        case WM_NCLBUTTONDBLCLK:
            if (wParam == HTCAPTION) return 0;
            break;
        case WM_DESTROY:
            if (!destroying_) PostQuitMessage(0);
            return 0;
        default:
            break;
    }
    return DefWindowProcA(hwnd_, message, wParam, lParam);
}

}  // namespace horvane
