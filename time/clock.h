#pragma once

#include "time/date_time.h"

namespace horvane {

// One reading of a clock: the wall-clock time and the milliseconds within its second.
struct ClockReading {
    DateTime time;
    int millisecond = 0;
};

// The local wall clock, behind a small interface so that callers can be tested with a fake.
class Clock {
  public:
    virtual ~Clock() = default;
    virtual ClockReading Read() const = 0;
    // True when the clock was set.
    virtual bool Set(const ClockReading& value) = 0;
};

// The clock the program uses: the operating system's local clock in the program
// (installed at start-up), a fake in tests.
Clock& ActiveClock();
// Makes `clock` the active clock; nullptr restores the default. The caller keeps ownership.
void SetActiveClock(Clock* clock);

// The clock ActiveClock() falls back to: the operating system's local clock on Windows
// (time/local_clock_win.cpp); elsewhere the host's clock read as wall time, which refuses Set.
Clock& DefaultLocalClock();

// The active clock now, milliseconds cut off (never carried into the second).
DateTime LocalClockNow();

// Sets the active clock to `value` and `millisecond`; true when it was set.
bool SetLocalClock(const DateTime& value, int millisecond = 0);

// A clock that keeps its own time: read, set and advanced by hand. Set() succeeds unless
// told to refuse, and remembers every value it was given.
class FakeClock final : public Clock {
  public:
    explicit FakeClock(ClockReading now = {}) : now_(now) {}

    ClockReading Read() const override { return now_; }
    bool Set(const ClockReading& value) override;

    void SetNow(const DateTime& time, int millisecond = 0) { now_ = {time, millisecond}; }
    void Advance(int seconds) { now_.time = AddSeconds(now_.time, seconds); }
    void RefuseSet(bool refuse) { refuse_ = refuse; }

    int setCount() const { return setCount_; }
    const ClockReading& lastSet() const { return lastSet_; }

  private:
    ClockReading now_;
    ClockReading lastSet_;
    int setCount_ = 0;
    bool refuse_ = false;
};

// Scoped installation of a clock as the active clock, for tests.
class ScopedActiveClock {
  public:
    explicit ScopedActiveClock(Clock& clock) { SetActiveClock(&clock); }
    ~ScopedActiveClock() { SetActiveClock(nullptr); }
    ScopedActiveClock(const ScopedActiveClock&) = delete;
    ScopedActiveClock& operator=(const ScopedActiveClock&) = delete;
};

}  // namespace horvane
