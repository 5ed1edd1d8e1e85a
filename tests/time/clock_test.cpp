#include "time/clock.h"

#include <gtest/gtest.h>

#include <chrono>

namespace horvane {
namespace {

constexpr DateTime kNoon{2010, 11, 13, 12, 0, 0};

TEST(FakeClockTest, ReadsSetsAndAdvances) {
    FakeClock clock({kNoon, 999});
    EXPECT_EQ(clock.Read().time, kNoon);
    EXPECT_EQ(clock.Read().millisecond, 999);

    clock.Advance(3600 * 12);
    EXPECT_EQ(clock.Read().time, (DateTime{2010, 11, 14, 0, 0, 0}));

    EXPECT_TRUE(clock.Set({kNoon, 250}));
    EXPECT_EQ(clock.Read().time, kNoon);
    EXPECT_EQ(clock.Read().millisecond, 250);
    EXPECT_EQ(clock.setCount(), 1);
}

TEST(FakeClockTest, RefusedSetIsRememberedButChangesNothing) {
    FakeClock clock({kNoon, 0});
    clock.RefuseSet(true);
    const DateTime wanted{2011, 1, 1, 0, 0, 0};
    EXPECT_FALSE(clock.Set({wanted, 0}));
    EXPECT_EQ(clock.Read().time, kNoon);
    EXPECT_EQ(clock.setCount(), 1);
    EXPECT_EQ(clock.lastSet().time, wanted);

    clock.RefuseSet(false);
    EXPECT_TRUE(clock.Set({wanted, 0}));
    EXPECT_EQ(clock.Read().time, wanted);
    EXPECT_EQ(clock.setCount(), 2);
}

TEST(ActiveClockTest, ScopedClockIsUsedAndThenRemoved) {
    Clock* const before = &ActiveClock();
    FakeClock fake({kNoon, 999});
    {
        ScopedActiveClock scoped(fake);
        EXPECT_EQ(&ActiveClock(), &fake);
        // Milliseconds are cut off, never carried into the second.
        EXPECT_EQ(LocalClockNow(), kNoon);

        const DateTime wanted{2010, 11, 13, 12, 5, 6};
        EXPECT_TRUE(SetLocalClock(wanted, 40));
        EXPECT_EQ(fake.lastSet().time, wanted);
        EXPECT_EQ(fake.lastSet().millisecond, 40);
        EXPECT_EQ(LocalClockNow(), wanted);

        EXPECT_TRUE(SetLocalClock(kNoon));
        EXPECT_EQ(fake.lastSet().millisecond, 0);

        fake.RefuseSet(true);
        EXPECT_FALSE(SetLocalClock(wanted));
        EXPECT_EQ(LocalClockNow(), kNoon);
    }
    EXPECT_EQ(&ActiveClock(), before);
    EXPECT_EQ(before, &DefaultLocalClock());
}

// The default clock of a portable build reads the host's clock as wall time and never sets it.
TEST(DefaultLocalClockTest, ReadsTheHostClockAndRefusesToSet) {
    using namespace std::chrono;
    const auto toDateTime = [](sys_seconds point) {
        const sys_days date = floor<days>(point);
        const year_month_day ymd{date};
        const hh_mm_ss<seconds> time{point - date};
        return DateTime{int{ymd.year()},
                        static_cast<int>(unsigned{ymd.month()}),
                        static_cast<int>(unsigned{ymd.day()}),
                        static_cast<int>(time.hours().count()),
                        static_cast<int>(time.minutes().count()),
                        static_cast<int>(time.seconds().count())};
    };
    const DateTime before = toDateTime(floor<seconds>(system_clock::now()));
    const ClockReading reading = DefaultLocalClock().Read();
    const DateTime after = toDateTime(floor<seconds>(system_clock::now()));
    EXPECT_LE(before, reading.time);
    EXPECT_LE(reading.time, after);
    EXPECT_GE(reading.millisecond, 0);
    EXPECT_LE(reading.millisecond, 999);

    EXPECT_FALSE(DefaultLocalClock().Set({AddHours(reading.time, 1), 0}));
}

}  // namespace
}  // namespace horvane
