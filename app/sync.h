#pragma once
// Win32 only: setting the clock by hand and in automatic mode.

#include <string>

namespace horvane {

// Sets the active clock to local time plus the truncated ClockOffset (milliseconds kept) and
// returns the text to show: the success text with the formatted target, or "同步时间失败".
std::string SynchroniseClock();

// Click handler of 同步: SynchroniseClock, then ShowInfoMessage with its text.
void SyncNow();

// True when the process's first command-line argument is exactly "auto".
bool IsAutoMode();

// Sets the clock, shows the completion note in red for one second and ends the program.
[[noreturn]] void AutoSyncAndExit();

// Returns after `milliseconds`, dispatching window messages meanwhile without spinning.
void WaitProcessingEvents(int milliseconds);

}  // namespace horvane
