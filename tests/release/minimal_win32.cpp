// The smallest window program worth comparing Horvane with: one top-level window of Horvane's
// size with a message loop, nothing else. The benchmark measures its private memory under
// Wine beside Horvane's (tools/bench.sh); it is not a test.
#include <windows.h>

namespace horvane {
namespace {

LRESULT CALLBACK MinimalWindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, message, wparam, lparam);
}

int RunMinimalWindow(HINSTANCE instance) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = MinimalWindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = "HorvaneMinimalWindow";
    if (RegisterClassA(&windowClass) == 0) return 1;
    HWND hwnd = CreateWindowExA(0, windowClass.lpszClassName, "Minimal", WS_POPUP | WS_VISIBLE,
                                CW_USEDEFAULT, CW_USEDEFAULT, 378, 230, nullptr, nullptr, instance,
                                nullptr);
    if (hwnd == nullptr) return 1;
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}

}  // namespace
}  // namespace horvane

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    return horvane::RunMinimalWindow(instance);
}
