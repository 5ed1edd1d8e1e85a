#include "net/reply.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace horvane {

void PrintTo(const DateTime& t, std::ostream* os) { *os << FormatDateTime(t); }

namespace {

using namespace std::string_literals;

// A reply laid out as a NIST server sends it: 2010-11-13 04:05:06 UTC, healthy.
const std::string kReply = "\n55148 10-11-13 04:05:06 00 0 0 45.0 UTC(NIST) *\n";
constexpr DateTime kReplyBeijing{2010, 11, 13, 12, 5, 6};

// ---- SplitText ------------------------------------------------------------------------------

struct SplitCase {
    std::string text;
    char delimiter;
    std::vector<std::string> pieces;
};

TEST(SplitTextTest, FollowsTheSplitRule) {
    const std::vector<SplitCase> cases = {
        {"", ' ', {}},
        {" ", ' ', {""}},
        {"  ", ' ', {"", ""}},
        {"a", ' ', {"a"}},
        {"a b", ' ', {"a", "b"}},
        {" a", ' ', {"", "a"}},
        {"a ", ' ', {"a"}},
        {"a  b", ' ', {"a", "", "b"}},
        {"a b  ", ' ', {"a", "b", ""}},
        {"ab cd ef", ' ', {"ab", "cd", "ef"}},
        {"10-11-13", '-', {"10", "11", "13"}},
        {"10-11-13-7", '-', {"10", "11", "13", "7"}},
        {"10 11-13", '-', {"10 11", "13"}},
        // Double-byte characters: the trail byte is never a delimiter.
        {"\x81 b c", ' ', {"\x81 b", "c"}},
        {"\xB0\x20 \xB0\x2D", ' ', {"\xB0\x20", "\xB0\x2D"}},
        {"10-\x81-x", '-', {"10", "\x81-x"}},
        {"\xff\xff b", ' ', {"\xff\xff", "b"}},
        {"\x81\x81 b", ' ', {"\x81\x81", "b"}},
        {"\x81"
         "a\x81 b",
         ' ',
         {"\x81"
          "a\x81 b"}},
        {"a\x81 ", ' ', {"a\x81 "}},
        // A lone lead byte at the end is just a character.
        {"a \x81", ' ', {"a", "\x81"}},
        {"a\x81", ' ', {"a\x81"}},
        {"\x81", ' ', {"\x81"}},
        // Zero bytes are ordinary characters here.
        {"a\0 b"s, ' ', {"a\0"s, "b"}},
    };
    for (const SplitCase& c : cases) {
        SCOPED_TRACE("text \"" + c.text + "\" at '" + c.delimiter + "'");
        const std::vector<std::string_view> pieces = SplitText(c.text, c.delimiter);
        EXPECT_EQ(std::vector<std::string>(pieces.begin(), pieces.end()), c.pieces);
    }
}

// ---- ReadDaytimeReply -----------------------------------------------------------------------

struct ReplyCase {
    const char* name;
    std::string bytes;
    DateTime localNow;
    std::optional<DateTime> networkTime;  // nullopt: not a valid reply
    double clockOffset = 0;
};

std::string Line(const std::string& date, const std::string& time,
                 const std::string& health = "0") {
    return "\n55148 " + date + " " + time + " 00 0 " + health + " 45.0 UTC(NIST) *\n";
}

TEST(ReadDaytimeReplyTest, ReadsValidRepliesAndRefusesTheRest) {
    const DateTime localNoon{2010, 11, 13, 12, 5, 0};
    const std::vector<ReplyCase> cases = {
        // The example reply at several local times.
        {"network 6 s ahead", kReply, localNoon, kReplyBeijing, 6},
        {"clocks agree", kReply, {2010, 11, 13, 12, 5, 6}, kReplyBeijing, 0},
        {"local 10 s ahead", kReply, {2010, 11, 13, 12, 5, 16}, kReplyBeijing, -10},
        {"local years behind", kReply, {2000, 1, 1, 0, 0, 0}, kReplyBeijing, 342965106},
        // Layouts that still carry the pieces that are needed.
        {"two spaces before msADV", "\n55148 10-11-13 04:05:06 00 0 0  45.0 UTC(NIST) * \n",
         localNoon, kReplyBeijing, 6},
        {"no leading line feed", kReply.substr(1), localNoon, kReplyBeijing, 6},
        {"four date parts", Line("10-11-13-7", "04:05:06"), localNoon, kReplyBeijing, 6},
        {"time without seconds", Line("10-11-13", "04:05"), localNoon,
         DateTime{2010, 11, 13, 12, 5, 0}, 0},
        {"one-digit fields", Line("10-1-3", "4:5:6"), localNoon, DateTime{2010, 1, 3, 12, 5, 6},
         -27129594},
        {"ends after the health digit", "\n55148 10-11-13 04:05:06 00 0 0", localNoon,
         kReplyBeijing, 6},
        {"zero byte after the health digit", "\n55148 10-11-13 04:05:06 00 0 0\0 junk \xff"s,
         localNoon, kReplyBeijing, 6},
        // Eight hours carry into the next day, month and year; two-digit years are 20YY.
        {"year end",
         Line("10-12-31", "16:00:00"),
         {2011, 1, 1, 0, 0, 0},
         DateTime{2011, 1, 1, 0, 0, 0},
         0},
        {"year 00",
         Line("00-01-01", "00:00:00"),
         {2000, 1, 1, 8, 0, 0},
         DateTime{2000, 1, 1, 8, 0, 0},
         0},
        {"year 99",
         Line("99-12-31", "23:59:59"),
         {2100, 1, 1, 7, 59, 58},
         DateTime{2100, 1, 1, 7, 59, 59},
         1},
        // Not a valid reply: nothing is read.
        {"empty", "", localNoon, std::nullopt},
        {"line feed only", "\n", localNoon, std::nullopt},
        {"zero byte first", "\0"s + kReply, localNoon, std::nullopt},
        {"garbage", "hello, world\n", localNoon, std::nullopt},
        {"truncated after the time", "\n55148 10-11-13 04:05:06\n", localNoon, std::nullopt},
        {"too few pieces", "\n55148 10-11-13 04:05:06 00 0", localNoon, std::nullopt},
        {"zero byte before the health digit", "\n55148 10-11-13 04:05:06 00 0\0 0 45.0\n"s,
         localNoon, std::nullopt},
        {"health 1", Line("10-11-13", "04:05:06", "1"), localNoon, std::nullopt},
        {"health 2", Line("10-11-13", "04:05:06", "2"), localNoon, std::nullopt},
        {"health 4", Line("10-11-13", "04:05:06", "4"), localNoon, std::nullopt},
        {"health 00", Line("10-11-13", "04:05:06", "00"), localNoon, std::nullopt},
        {"health empty", "\n55148 10-11-13 04:05:06 00 0  45.0 UTC(NIST) *\n", localNoon,
         std::nullopt},
        {"two spaces before the date", "\n55148  10-11-13 04:05:06 00 0 0 45.0 UTC(NIST) *\n",
         localNoon, std::nullopt},
        {"two date parts", Line("10-11", "04:05:06"), localNoon, std::nullopt},
        {"date that does not exist", Line("10-02-29", "04:05:06"), localNoon, std::nullopt},
        {"hour 24", Line("10-11-13", "24:00:00"), localNoon, std::nullopt},
        {"characters after the seconds", Line("10-11-13", "04:05:06Z"), localNoon, std::nullopt},
        {"three-digit year", Line("100-11-13", "04:05:06"), localNoon, std::nullopt},
    };
    for (const ReplyCase& c : cases) {
        SCOPED_TRACE(c.name);
        const FakeClock clock({c.localNow, 500});
        const std::optional<DaytimeReading> reading = ReadDaytimeReply(c.bytes, clock);
        ASSERT_EQ(reading.has_value(), c.networkTime.has_value());
        if (!reading) continue;
        EXPECT_EQ(reading->networkTime, *c.networkTime);
        EXPECT_EQ(reading->clockOffset, c.clockOffset);
    }
}

// The local clock is read once, after the reply has been understood; never for a bad reply.
class CountingClock final : public Clock {
  public:
    ClockReading Read() const override {
        ++reads;
        return {DateTime{2010, 11, 13, 12, 5, 0}, 0};
    }
    bool Set(const ClockReading&) override { return false; }
    mutable int reads = 0;
};

TEST(ReadDaytimeReplyTest, ReadsTheClockOnlyForAValidReply) {
    CountingClock clock;
    EXPECT_FALSE(ReadDaytimeReply("\n55148 10-11-13 04:05:06\n", clock));
    EXPECT_FALSE(ReadDaytimeReply(Line("10-11-13", "24:00:00"), clock));
    EXPECT_EQ(clock.reads, 0);
    EXPECT_TRUE(ReadDaytimeReply(kReply, clock));
    EXPECT_EQ(clock.reads, 1);
}

// ---- HandleDaytimeReply ---------------------------------------------------------------------

class HandleDaytimeReplyTest : public ::testing::Test {
  protected:
    void SetUp() override {
        NetworkTime = DateTime{};
        ClockOffset = 0;
        OnNetworkTimeKnown = [this] {
            ++hookCalls;
            seenAtHook = {NetworkTime, ClockOffset};
        };
    }
    void TearDown() override { OnNetworkTimeKnown = nullptr; }

    FakeClock clock{{DateTime{2010, 11, 13, 12, 5, 0}, 0}};
    ScopedActiveClock active{clock};
    int hookCalls = 0;
    DaytimeReading seenAtHook;
};

TEST_F(HandleDaytimeReplyTest, ValidReplyStoresBothValuesThenCallsTheHook) {
    EXPECT_TRUE(HandleDaytimeReply(kReply));
    EXPECT_EQ(NetworkTime, kReplyBeijing);
    EXPECT_EQ(ClockOffset, 6);
    EXPECT_EQ(hookCalls, 1);
    EXPECT_EQ(seenAtHook.networkTime, kReplyBeijing);
    EXPECT_EQ(seenAtHook.clockOffset, 6);
}

TEST_F(HandleDaytimeReplyTest, InvalidReplyChangesNothing) {
    ASSERT_TRUE(HandleDaytimeReply(kReply));
    clock.Advance(100);
    for (const std::string& bad : {std::string(), std::string("\n55148 10-11-13 04:05:06\n"),
                                   Line("10-12-31", "16:00:00", "1")}) {
        EXPECT_FALSE(HandleDaytimeReply(bad));
    }
    EXPECT_EQ(NetworkTime, kReplyBeijing);
    EXPECT_EQ(ClockOffset, 6);
    EXPECT_EQ(hookCalls, 1);
}

TEST_F(HandleDaytimeReplyTest, LaterReplyReplacesTheEarlierOne) {
    ASSERT_TRUE(HandleDaytimeReply(kReply));
    clock.SetNow(DateTime{2011, 1, 1, 0, 0, 10});
    ASSERT_TRUE(HandleDaytimeReply(Line("10-12-31", "16:00:00")));
    EXPECT_EQ(NetworkTime, (DateTime{2011, 1, 1, 0, 0, 0}));
    EXPECT_EQ(ClockOffset, -10);
    EXPECT_EQ(hookCalls, 2);
    EXPECT_EQ(seenAtHook.clockOffset, -10);
}

TEST_F(HandleDaytimeReplyTest, WorksWithoutAHook) {
    OnNetworkTimeKnown = nullptr;
    EXPECT_TRUE(HandleDaytimeReply(kReply));
    EXPECT_EQ(NetworkTime, kReplyBeijing);
    EXPECT_EQ(ClockOffset, 6);
}

}  // namespace
}  // namespace horvane
