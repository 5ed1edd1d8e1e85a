#include "app/sync.h"

#include <windows.h>

#include <cstdint>

#include "app/command_line.h"
#include "app/main_window.h"
#include "app/startup.h"
#include "net/reply.h"
#include "time/clock.h"
#include "time/date_time.h"

namespace horvane {

namespace {

constexpr char kSyncSucceeded[] = "同步时间成功，同步为: ";
constexpr char kSyncFailed[] = "同步时间失败";
constexpr char kAutoSyncDone[] = "自动校时完成";
constexpr COLORREF kAutoSyncDoneColour = 255;  // pure red

// Moves the active clock by the whole seconds of ClockOffset. The clock is read once, with
// its milliseconds, and set with the same milliseconds, so that a clock that is already
// right stays right. Gives the whole-second time that was set and whether it was set.
struct ClockCorrection {
    DateTime target;
    bool set = false;
};

ClockCorrection CorrectClock() {
    const ClockReading now = ActiveClock().Read();
    ClockCorrection correction;
    correction.target = AddSeconds(now.time, TruncatedSeconds(ClockOffset));
    correction.set = SetLocalClock(correction.target, now.millisecond);
    return correction;
}

}  // namespace

std::string SynchroniseClock() {
    const ClockCorrection correction = CorrectClock();
    if (!correction.set) return kSyncFailed;
    return kSyncSucceeded + FormatDateTime(correction.target);
}

void SyncNow() { ShowInfoMessage(SynchroniseClock()); }

bool IsAutoMode() { return IsAutoModeCommandLine(GetCommandLineA()); }

void AutoSyncAndExit() {
    CorrectClock();  // automatic mode ends the same way whether or not the clock was set
    if (MainWindowExists()) {
        Label& note = TheMainWindow().标签;
        note.SetCaption(kAutoSyncDone);
        note.SetTextColour(kAutoSyncDoneColour);
    }
    ProcessPendingEvents();
    WaitProcessingEvents(1000);
    ExitProgram();
}

void WaitProcessingEvents(int milliseconds) {
    if (milliseconds <= 0) return;
    const DWORD duration = static_cast<DWORD>(milliseconds);
    // Elapsed time in unsigned 32-bit tick arithmetic, right across the tick count's wrap.
    const DWORD start = GetTickCount();
    for (;;) {
        ProcessPendingEvents();
        ProcessPendingEvents();
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed > duration) return;
        // Sleep until a message arrives or the time is up. A quit request stays queued (nothing
        // here may take it), and it would wake a wait for any queued input at once; with one
        // queued, wait for new input only.
        MSG next;
        const bool quitQueued =
            PeekMessageA(&next, nullptr, 0, 0, PM_NOREMOVE) != FALSE && next.message == WM_QUIT;
        MsgWaitForMultipleObjectsEx(0, nullptr, duration - elapsed + 1, QS_ALLINPUT,
                                    quitQueued ? 0 : MWMO_INPUTAVAILABLE);
    }
}

}  // namespace horvane
