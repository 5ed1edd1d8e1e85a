#include "time/local_clock_win.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace horvane {
namespace {

DateTime HostLocalTime() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return DateTime{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

TEST(SystemLocalClockTest, IsTheDefaultActiveClock) {
    EXPECT_EQ(&ActiveClock(), &SystemLocalClock());
    EXPECT_EQ(&DefaultLocalClock(), &SystemLocalClock());
}

TEST(SystemLocalClockTest, ReadsTheLocalTime) {
    const DateTime before = HostLocalTime();
    const ClockReading reading = SystemLocalClock().Read();
    const DateTime now = LocalClockNow();
    const DateTime after = HostLocalTime();
    EXPECT_LE(before, reading.time);
    EXPECT_LE(reading.time, now);
    EXPECT_LE(now, after);
    EXPECT_GE(reading.millisecond, 0);
    EXPECT_LE(reading.millisecond, 999);
    EXPECT_EQ(TryParseDateTime(FormatDateTime(now)), now);
}

// Far from now the system refuses the new time (Wine accepts only times within half a second
// of the host's clock, which is never touched); the clock stays where it was.
TEST(SystemLocalClockTest, RefusedSetLeavesTheClockAlone) {
    const DateTime target = AddHours(LocalClockNow(), 1);
    EXPECT_FALSE(SetLocalClock(target));
    EXPECT_LT(LocalClockNow(), AddSeconds(target, -1800));

    // Values a SYSTEMTIME cannot hold are refused before the system sees them.
    EXPECT_FALSE(SystemLocalClock().Set({target, 1000}));
    EXPECT_FALSE(SystemLocalClock().Set({target, -1}));
    EXPECT_FALSE(SystemLocalClock().Set({DateTime{100, 1, 1, 0, 0, 0}, 0}));
}

}  // namespace
}  // namespace horvane
