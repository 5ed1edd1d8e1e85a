#include "time/clock.h"

#include <atomic>
#include <chrono>

namespace horvane {
namespace {

std::atomic<Clock*> activeClock{nullptr};

#ifndef _WIN32
// The host's clock read as wall time, with no time zone applied. It never sets anything:
// this build is for tests and tools, not for keeping a computer's time.
class HostClock final : public Clock {
  public:
    ClockReading Read() const override {
        using namespace std::chrono;
        const auto now = floor<milliseconds>(system_clock::now());
        const sys_days date = floor<days>(now);
        const year_month_day ymd{date};
        const hh_mm_ss<milliseconds> time{now - date};
        return ClockReading{
            DateTime{static_cast<int>(ymd.year()), static_cast<int>(unsigned{ymd.month()}),
                     static_cast<int>(unsigned{ymd.day()}), static_cast<int>(time.hours().count()),
                     static_cast<int>(time.minutes().count()),
                     static_cast<int>(time.seconds().count())},
            static_cast<int>(time.subseconds().count())};
    }

    bool Set(const ClockReading&) override { return false; }
};
#endif

}  // namespace

#ifndef _WIN32
Clock& DefaultLocalClock() {
    static HostClock clock;
    return clock;
}
#endif

Clock& ActiveClock() {
    Clock* clock = activeClock.load();
    return clock != nullptr ? *clock : DefaultLocalClock();
}

void SetActiveClock(Clock* clock) { activeClock.store(clock); }

DateTime LocalClockNow() { return ActiveClock().Read().time; }

bool SetLocalClock(const DateTime& value, int millisecond) {
    return ActiveClock().Set(ClockReading{value, millisecond});
}

bool FakeClock::Set(const ClockReading& value) {
    ++setCount_;
    lastSet_ = value;
    if (refuse_) return false;
    now_ = value;
    return true;
}

}  // namespace horvane
