#pragma once
// Win32 only: the two time lines and the periodic recalibration.

namespace horvane {

// The window's reaction to a valid reply (installed as OnNetworkTimeKnown, net/reply.h):
// shows NetworkTime, enables 同步 and, in automatic mode, sets the clock and ends.
void OnNetworkTimeArrived();

// Tick of 显示时间, every 1000 ms: the local line, and once a reply has been shown the
// network line as local time plus ClockOffset.
void OnDisplayTick();

// Tick of 校对, every 5000 ms: starts another fetch.
void OnRecalibrateTick();

}  // namespace horvane
