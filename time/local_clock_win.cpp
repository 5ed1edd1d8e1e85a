#include "time/local_clock_win.h"

#include <windows.h>

namespace horvane {
namespace {

class Win32LocalClock final : public Clock {
  public:
    ClockReading Read() const override {
        SYSTEMTIME now{};
        GetLocalTime(&now);
        return ClockReading{
            DateTime{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond},
            now.wMilliseconds};
    }

    bool Set(const ClockReading& value) override {
        const DateTime& t = value.time;
        // Fields that a SYSTEMTIME cannot hold are refused here rather than wrapped.
        if (t.year < 1601 || t.year > 30827 || value.millisecond < 0 || value.millisecond > 999) {
            return false;
        }
        SYSTEMTIME wanted{};
        wanted.wYear = static_cast<WORD>(t.year);
        wanted.wMonth = static_cast<WORD>(t.month);
        wanted.wDayOfWeek = static_cast<WORD>(DayOfWeek(t));
        wanted.wDay = static_cast<WORD>(t.day);
        wanted.wHour = static_cast<WORD>(t.hour);
        wanted.wMinute = static_cast<WORD>(t.minute);
        wanted.wSecond = static_cast<WORD>(t.second);
        wanted.wMilliseconds = static_cast<WORD>(value.millisecond);
        return SetLocalTime(&wanted) != FALSE;
    }
};

}  // namespace

Clock& SystemLocalClock() {
    static Win32LocalClock clock;
    return clock;
}

Clock& DefaultLocalClock() { return SystemLocalClock(); }

}  // namespace horvane
