// The shared ways through and out of the message queue: ProcessPendingEvents and
// ExitProgram (Windows, under Wine).

#include "app/startup.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

namespace horvane {
namespace {

constexpr UINT kProbeMessage = WM_APP + 7;

// A message-only window that records the probe messages it receives.
class Recorder {
  public:
    Recorder() {
        WNDCLASSEXA windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = Proc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "HorvaneTestRecorder";
        RegisterClassExA(&windowClass);  // fails harmlessly when already registered
        window_ = CreateWindowExA(0, "HorvaneTestRecorder", "", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                  nullptr, GetModuleHandleA(nullptr), nullptr);
        SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~Recorder() { DestroyWindow(window_); }
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    HWND get() const { return window_; }
    std::vector<WPARAM> received;

  private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<Recorder*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (self && message == kProbeMessage) {
            self->received.push_back(wParam);
            // A handler that posts again: its message is handled in the same call.
            if (wParam == 100) PostMessageA(window, kProbeMessage, 101, 0);
            return 0;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }

    HWND window_ = nullptr;
};

void DrainQueue() {
    MSG message{};
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    }
}

TEST(ProcessPendingEvents, DispatchesWhatIsQueuedInOrderAndReturns) {
    DrainQueue();
    Recorder recorder;
    for (WPARAM i = 1; i <= 3; ++i) PostMessageA(recorder.get(), kProbeMessage, i, 0);
    PostMessageA(recorder.get(), kProbeMessage, 100, 0);
    ProcessPendingEvents();
    EXPECT_EQ(recorder.received, (std::vector<WPARAM>{1, 2, 3, 100, 101}));
    ProcessPendingEvents();  // an empty queue: returns at once
    EXPECT_EQ(recorder.received.size(), 5u);
}

TEST(ProcessPendingEvents, LeavesTheQuitRequestQueued) {
    DrainQueue();
    Recorder recorder;
    PostMessageA(recorder.get(), kProbeMessage, 1, 0);
    PostQuitMessage(7);
    ProcessPendingEvents();
    EXPECT_EQ(recorder.received, (std::vector<WPARAM>{1}));
    MSG message{};
    ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(message.wParam, 7u);
}

TEST(ExitProgramDeathTest, EndsWithExitCodeZero) {
    EXPECT_EXIT(ExitProgram(), ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace horvane
