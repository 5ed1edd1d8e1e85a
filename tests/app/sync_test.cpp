// Setting the clock by the network offset, and the message-dispatching wait of automatic mode.

#include "app/sync.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "net/reply.h"
#include "time/clock.h"
#include "time/date_time.h"

namespace horvane {
namespace {

constexpr char kSucceeded[] = "同步时间成功，同步为: ";

// Sets ClockOffset for one test and puts the old value back.
class ScopedClockOffset {
  public:
    explicit ScopedClockOffset(double offset) : saved_(ClockOffset) { ClockOffset = offset; }
    ~ScopedClockOffset() { ClockOffset = saved_; }
    ScopedClockOffset(const ScopedClockOffset&) = delete;
    ScopedClockOffset& operator=(const ScopedClockOffset&) = delete;

  private:
    double saved_;
};

TEST(SynchroniseClockTest, MovesTheClockByTheWholeSecondsOfTheOffset) {
    struct Case {
        const char* name;
        DateTime now;
        int millisecond;
        double offset;
        DateTime target;
        const char* shown;
    };
    const Case cases[] = {
        {"ahead",
         {2010, 11, 13, 4, 5, 6},
         250,
         10,
         {2010, 11, 13, 4, 5, 16},
         "2010-11-13 04:05:16"},
        {"behind",
         {2010, 11, 13, 4, 5, 6},
         250,
         -10,
         {2010, 11, 13, 4, 4, 56},
         "2010-11-13 04:04:56"},
        {"right already",
         {2010, 11, 13, 4, 5, 6},
         900,
         0,
         {2010, 11, 13, 4, 5, 6},
         "2010-11-13 04:05:06"},
        {"across the new year",
         {2010, 12, 31, 23, 59, 59},
         500,
         1,
         {2011, 1, 1, 0, 0, 0},
         "2011-01-01 00:00:00"},
        {"back across a leap day",
         {2012, 3, 1, 0, 0, 0},
         999,
         -1,
         {2012, 2, 29, 23, 59, 59},
         "2012-02-29 23:59:59"},
        {"a day behind",
         {2012, 3, 1, 8, 0, 0},
         0,
         -86400,
         {2012, 2, 29, 8, 0, 0},
         "2012-02-29 08:00:00"},
        {"fraction truncated up",
         {2010, 11, 13, 4, 5, 6},
         100,
         2.9,
         {2010, 11, 13, 4, 5, 8},
         "2010-11-13 04:05:08"},
        {"fraction truncated down",
         {2010, 11, 13, 4, 5, 6},
         100,
         -2.9,
         {2010, 11, 13, 4, 5, 4},
         "2010-11-13 04:05:04"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeClock clock({c.now, c.millisecond});
        ScopedActiveClock active(clock);
        ScopedClockOffset offset(c.offset);

        const std::string message = SynchroniseClock();

        ASSERT_EQ(clock.setCount(), 1);
        EXPECT_EQ(clock.lastSet().time, c.target);
        EXPECT_EQ(clock.lastSet().millisecond, c.millisecond);
        EXPECT_EQ(message, std::string(kSucceeded) + c.shown);
        // The message shows the very time that was handed to the clock.
        EXPECT_EQ(message, kSucceeded + FormatDateTime(clock.lastSet().time));
        EXPECT_EQ(ClockOffset, c.offset);  // the offset itself is left alone
    }
}

TEST(SynchroniseClockTest, ReportsARefusedClock) {
    FakeClock clock({{2010, 11, 13, 4, 5, 6}, 0});
    clock.RefuseSet(true);
    ScopedActiveClock active(clock);
    ScopedClockOffset offset(5);

    EXPECT_EQ(SynchroniseClock(), "同步时间失败");
    EXPECT_EQ(clock.setCount(), 1);
    EXPECT_EQ(clock.Read().time, (DateTime{2010, 11, 13, 4, 5, 6}));
}

TEST(SynchroniseClockTest, ReportsAFailureOfTheSystemClock) {
    // An hour away from now: the system refuses it (Wine accepts only about now), so the
    // machine's clock is never touched.
    ScopedClockOffset offset(3600);
    const DateTime before = LocalClockNow();
    EXPECT_EQ(SynchroniseClock(), "同步时间失败");
    EXPECT_LT(SecondsBetween(LocalClockNow(), before), 60);
}

// Run only as a child of the test below, which reads the child's exit code.
TEST(AutoModeChild, DISABLED_ReportAutoMode) { ExitProcess(IsAutoMode() ? 10 : 11); }

// Starts this test program again with `arguments` around the child's filter flags and
// returns its exit code.
DWORD RunChild(const std::string& before, const std::string& after) {
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string commandLine = std::string("\"") + self + "\" " + before +
                              " --gtest_also_run_disabled_tests"
                              " --gtest_filter=AutoModeChild.DISABLED_ReportAutoMode " +
                              after;
    // The child's own test report goes nowhere.
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE nowhere = CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                 OPEN_EXISTING, 0, nullptr);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nowhere;
    startup.hStdOutput = nowhere;
    startup.hStdError = nowhere;
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessA(self, commandLine.data(), nullptr, nullptr, TRUE, 0,
                                        nullptr, nullptr, &startup, &process);
    if (nowhere != INVALID_HANDLE_VALUE) CloseHandle(nowhere);
    if (!started) return 0;
    DWORD code = 0;
    if (WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0) {
        GetExitCodeProcess(process.hProcess, &code);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

TEST(IsAutoModeTest, ReadsTheProcessCommandLine) {
    EXPECT_EQ(RunChild("auto", ""), 10u);
    EXPECT_EQ(RunChild("\"auto\"", ""), 10u);
    EXPECT_EQ(RunChild("AUTO", ""), 11u);
    EXPECT_EQ(RunChild("", "auto"), 11u);  // second argument
}

// A message-only window that counts what reaches it.
constexpr UINT kTestMessage = WM_APP + 7;
int testMessages = 0;
int timerTicks = 0;

LRESULT CALLBACK CountingWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kTestMessage) {
        ++testMessages;
        return 0;
    }
    if (message == WM_TIMER) {
        ++timerTicks;
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

class WaitProcessingEventsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        testMessages = 0;
        timerTicks = 0;
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = CountingWindowProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "HorvaneWaitTest";
        RegisterClassA(&windowClass);
        window_ = CreateWindowExA(0, "HorvaneWaitTest", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(window_, nullptr);
    }
    void TearDown() override {
        if (window_ != nullptr) DestroyWindow(window_);
        MSG left;
        while (PeekMessageA(&left, nullptr, 0, 0, PM_REMOVE)) {
        }
    }

    HWND window_ = nullptr;
};

TEST_F(WaitProcessingEventsTest, NoTimeReturnsAtOnceWithoutDispatching) {
    for (int duration : {0, -1, -1000}) {
        SCOPED_TRACE(duration);
        ASSERT_TRUE(PostMessageA(window_, kTestMessage, 0, 0));
        WaitProcessingEvents(duration);
        EXPECT_EQ(testMessages, 0);
        MSG queued;
        EXPECT_TRUE(PeekMessageA(&queued, window_, kTestMessage, kTestMessage, PM_REMOVE));
    }
}

struct PosterArgs {
    HWND window;
    HANDLE go;
};

DWORD WINAPI PostWhenTold(void* parameter) {
    auto* args = static_cast<PosterArgs*>(parameter);
    if (WaitForSingleObject(args->go, 10000) == WAIT_OBJECT_0) {
        PostMessageA(args->window, kTestMessage, 0, 0);
    }
    return 0;
}

TEST_F(WaitProcessingEventsTest, DispatchesWhileWaitingAndReturnsAfterTheDuration) {
    ASSERT_TRUE(PostMessageA(window_, kTestMessage, 0, 0));  // queued before the wait
    ASSERT_NE(SetTimer(window_, 1, 50, nullptr), 0u);
    // Another thread posts once the wait is running (the first timer tick has been handled
    // inside it), so that message can only be handled by the wait itself.
    HANDLE go = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(go, nullptr);
    PosterArgs args{window_, go};
    HANDLE poster = CreateThread(nullptr, 0, PostWhenTold, &args, 0, nullptr);
    ASSERT_NE(poster, nullptr);

    // Signal the poster from inside the wait, at the first timer tick.
    static HANDLE goFromTick;
    goFromTick = go;
    SetTimer(window_, 2, 20, [](HWND w, UINT, UINT_PTR id, DWORD) {
        KillTimer(w, id);
        SetEvent(goFromTick);
    });

    const DWORD start = GetTickCount();
    WaitProcessingEvents(1000);
    const DWORD elapsed = GetTickCount() - start;

    WaitForSingleObject(poster, 10000);
    CloseHandle(poster);
    CloseHandle(go);
    KillTimer(window_, 1);

    EXPECT_GT(elapsed, 1000u);
    EXPECT_EQ(testMessages, 2);
    EXPECT_GE(timerTicks, 1);
}

TEST_F(WaitProcessingEventsTest, AQueuedQuitRequestStaysAndTheWaitStillLasts) {
    PostQuitMessage(3);
    const DWORD start = GetTickCount();
    WaitProcessingEvents(200);
    EXPECT_GT(GetTickCount() - start, 200u);
    MSG queued;
    ASSERT_TRUE(PeekMessageA(&queued, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(queued.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(queued.wParam, 3u);
}

}  // namespace
}  // namespace horvane
