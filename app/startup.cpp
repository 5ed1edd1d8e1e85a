#include "app/startup.h"

#include <windows.h>
#include <ole2.h>

#include <cstring>

#include "app/chrome.h"
#include "app/main_window.h"
#include "app/run_location.h"
#include "net/daytime_client.h"
#include "net/server_list_ini.h"
#include "shell/shortcuts.h"

namespace horvane {

namespace {

RunLocation g_runLocation;
bool g_oleInitialised = false;

constexpr int kTitleBarWidth = 835;
// A queue that keeps refilling itself (a window that never stops invalidating) must not
// keep ProcessPendingEvents from returning.
constexpr int kMostPendingMessages = 100000;

// One message as the loop handles it: the window's keyboard rules first, then translation
// and dispatch.
void HandleMessage(MSG& message) {
    if (MainWindowExists() && TheMainWindow().PreTranslateMessage(message)) return;
    TranslateMessage(&message);
    DispatchMessageA(&message);
}

}  // namespace

const std::string& RunDirectory() { return g_runLocation.directory; }

const std::string& ExecutableName() { return g_runLocation.fileName; }

void FixRunLocation() {
    // A longer path comes back cut to the buffer; it is used as it comes.
    char path[MAX_PATH + 1] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    g_runLocation = SplitModulePath(std::string_view(path, strnlen(path, MAX_PATH)));
}

bool IsRunFromTempFolder() { return IsTempFolderPath(RunDirectory()); }

int RunProgram() {
    FixRunLocation();
    SetCurrentDirectoryA(RunDirectory().c_str());
    const HRESULT ole = OleInitialize(nullptr);
    g_oleInitialised = SUCCEEDED(ole);

    MainWindow window;
    if (!window.Create(LoadDaytimeServerList(RunDirectory() + "\\Horvane.ini"))) {
        if (g_oleInitialised) OleUninitialize();
        return 1;
    }
    window.RaiseCreated();

    MSG message{};
    while (GetMessageA(&message, nullptr, 0, 0) > 0) HandleMessage(message);
    // The window is gone (closed by other means than the close button).
    ExitProgram();
}

void OnMainWindowCreated() {
    MainWindow& window = TheMainWindow();
    if (IsRunFromTempFolder()) {
        ShowInfoMessage("请不要在压缩包内直接运行或放在目录中包含\\Temp\\的文件夹中。");
        ExitProgram();
    }
    ShapeWindowFromPicture(window.hwnd(), window.BackgroundPicture(), kSkinKeyColour);
    window.SetVisible(true);
    window.标题栏.SetWidth(kTitleBarWidth);
    MakeLabelTransparent(window.标题栏);
    MakeLabelTransparent(window.标签);
    SetTitleBarText(kProductName);
    window.SetCaption(kProductName);
    window.开机.SetTicked(AutoSyncShortcutExists("Startup"));
    window.桌面.SetTicked(AutoSyncShortcutExists("Desktop"));
    StartFetch(window.客户1, window.Servers());
}

void ProcessPendingEvents() {
    MSG message{};
    for (int handled = 0; handled < kMostPendingMessages; ++handled) {
        if (!PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE)) return;
        if (message.message == WM_QUIT) return;  // stays queued for the loop
        if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) return;
        if (message.message == WM_QUIT) {
            // Arrived between the two looks: put it back for the loop.
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        HandleMessage(message);
    }
}

void ShowInfoMessage(const std::string& text) {
    MessageBoxA(nullptr, text.c_str(), "提示", MB_OK | MB_ICONINFORMATION | MB_TASKMODAL);
}

void ExitProgram() {
    if (MainWindowExists()) TheMainWindow().StopEvents();
    if (g_oleInitialised) {
        g_oleInitialised = false;
        OleUninitialize();
    }
    // Fetch threads still connecting end with the process; nothing waits for them.
    ExitProcess(0);
}

void OnCloseClicked() {
    MainWindow& window = TheMainWindow();
    window.显示时间.SetPeriod(0);
    window.校对.SetPeriod(0);
    ProcessPendingEvents();
    ExitProgram();
}

}  // namespace horvane
