// The fetch of the network time against loopback Daytime servers (tools/daytime_server.py,
// started by the ctest fixture daytime_servers with an offset of kServerOffset seconds).

#include <gtest/gtest.h>
#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "daytime_test_servers.h"
#include "net/daytime_client.h"
#include "net/daytime_line.h"
#include "net/fetch.h"
#include "net/reply.h"
#include "net/socket.h"
#include "time/clock.h"
#include "time/date_time.h"

namespace horvane {
namespace {

using testing::DaytimeTestServers;
using testing::PumpFor;
using testing::PumpUntil;

constexpr int kServerOffset = 3600;  // --offset of the fixture's servers
// A host name that cannot be resolved. Its empty label makes the resolver refuse it on this
// machine, without asking any name server: the tests send nothing beyond loopback.
constexpr const char* kUnresolvable = "unresolvable..invalid";
// A fetch ends within about ten seconds even when every server misbehaves (attempt limits of
// 3 s, 2 s of silence, 5 s for a line); this only stops a hung test.
constexpr DWORD kFetchBound = 60000;
constexpr DateTime kUntouchedTime{2001, 2, 3, 4, 5, 6};
constexpr double kUntouchedOffset = 4242;

DateTime UtcNow() {
    SYSTEMTIME now;
    GetSystemTime(&now);
    return DateTime{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

bool IsDotted(const std::string& host) { return inet_addr(host.c_str()) != INADDR_NONE; }

const DaytimeTestServers& Servers() { return DaytimeTestServers::Get(); }

ServerAddress Mode(const char* mode, int n = 0) { return Servers().Address(mode, n); }

class DaytimeFetchTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(Servers().available())
            << "no test servers: run through ctest (fixture daytime_servers), which sets "
               "HORVANE_DAYTIME_SERVERS";
        ASSERT_TRUE(client_.ready());
        // Whatever an earlier test left running has ended.
        ASSERT_TRUE(PumpUntil([] { return LiveFetchWorkers() == 0; }, kFetchBound));
        NetworkTime = kUntouchedTime;
        ClockOffset = kUntouchedOffset;
        OnNetworkTimeKnown = [this] { ++known_; };
        client_.SetDataArrivalHandler([this] {
            lines_.push_back(client_.GetReceivedData());
            const bool valid = OnDaytimeReply(client_);
            verdicts_.push_back(valid);
            return valid;
        });
        client_.RecordAttempts(true);
    }

    void TearDown() override {
        OnNetworkTimeKnown = nullptr;
        PumpUntil([] { return LiveFetchWorkers() == 0; }, kFetchBound);
    }

    // Runs one fetch to its end, the test thread serving as the user-interface thread.
    void Fetch(const DaytimeServerList& servers) {
        StartFetch(client_, servers);
        ASSERT_TRUE(PumpUntil([] { return LiveFetchWorkers() == 0; }, kFetchBound));
    }

    void ExpectNothingChanged() {
        EXPECT_EQ(known_, 0);
        EXPECT_EQ(NetworkTime, kUntouchedTime);
        EXPECT_EQ(ClockOffset, kUntouchedOffset);
        for (bool valid : verdicts_) EXPECT_FALSE(valid);
    }

    // The last reply was a fresh one from the servers: now (UTC) plus their offset, plus
    // eight hours, measured against the fake local clock.
    void ExpectFreshReply(const DateTime& utcBefore, const DateTime& utcAfter) {
        ASSERT_GE(known_, 1);
        EXPECT_GE(NetworkTime, AddSeconds(AddHours(utcBefore, 8), kServerOffset - 1));
        EXPECT_LE(NetworkTime, AddSeconds(AddHours(utcAfter, 8), kServerOffset + 1));
        EXPECT_EQ(ClockOffset, SecondsBetween(NetworkTime, localNow_));
    }

    void ExpectEverythingClosed() {
        EXPECT_EQ(client_.LiveConnections(), 0u);
        EXPECT_EQ(OpenSocketCount(), 0);
    }

    DateTime localNow_ = AddHours(UtcNow(), 8);
    FakeClock clock_{ClockReading{localNow_, 0}};
    ScopedActiveClock activeClock_{clock_};
    DaytimeClient client_;
    std::vector<std::string> lines_;
    std::vector<bool> verdicts_;
    int known_ = 0;
};

// A server given by the mode of a test server, or by a host name.
struct Entry {
    const char* mode;  // nullptr: `host`
    int n = 0;
    const char* host = nullptr;
};

struct FailoverCase {
    const char* name;
    std::vector<Entry> servers;
    std::size_t attempts;  // connection attempts, in list order from the first
    std::size_t events;    // data-arrival events
    bool answered;
};

// Modes whose servers accept connections (and log them).
bool Accepts(const char* mode) {
    return mode != nullptr && std::string(mode) != "refused" && std::string(mode) != "blackhole";
}

TEST_F(DaytimeFetchTest, TriesServersInListOrderUntilOneGivesAValidReply) {
    const Entry bad{nullptr, 0, kUnresolvable};
    const FailoverCase cases[] = {
        {"first answers", {{"correct"}, {"garbage"}, {"silent"}}, 1, 1, true},
        {"two refuse, third answers",
         {{"refused", 0}, {"refused", 1}, {"correct"}, {"garbage"}},
         3,
         1,
         true},
        {"silent, then an answer", {{"silent"}, {"correct"}, {"garbage"}}, 2, 1, true},
        {"garbage, then an answer", {{"garbage"}, {"correct"}}, 2, 2, true},
        {"unhealthy, then an answer", {{"unhealthy"}, {"correct"}}, 2, 2, true},
        {"truncated, then an answer", {{"truncated"}, {"correct"}}, 2, 2, true},
        {"blank, then an answer", {{"blank"}, {"correct"}}, 2, 2, true},
        {"closed at once, then an answer", {{"close"}, {"correct"}}, 2, 1, true},
        {"flood, then an answer", {{"flood"}, {"correct"}}, 2, 1, true},
        {"black hole, then an answer", {{"blackhole"}, {"correct"}, {"garbage"}}, 2, 1, true},
        {"unresolvable name, then an answer", {bad, {"correct"}}, 2, 1, true},
        {"nothing usable",
         {{"blackhole"}, {"refused"}, {"silent"}, bad, {"garbage"}, {"unhealthy"}},
         6,
         2,
         false},
    };
    for (const FailoverCase& c : cases) {
        SCOPED_TRACE(c.name);
        DaytimeServerList servers;
        std::vector<int> acceptsBefore;
        for (const Entry& e : c.servers) {
            servers.push_back(e.mode != nullptr ? Mode(e.mode, e.n) : ServerAddress{e.host, 13});
            acceptsBefore.push_back(Accepts(e.mode) ? Servers().Accepts(servers.back().port) : 0);
        }
        NetworkTime = kUntouchedTime;
        ClockOffset = kUntouchedOffset;
        known_ = 0;
        lines_.clear();
        verdicts_.clear();
        client_.RecordAttempts(true);

        const DateTime before = UtcNow();
        Fetch(servers);
        const DateTime after = UtcNow();

        const std::vector<ConnectAttempt> attempts = client_.Attempts();
        ASSERT_EQ(attempts.size(), c.attempts);
        for (std::size_t i = 0; i < attempts.size(); ++i) {
            EXPECT_EQ(attempts[i].server, servers[i]) << "attempt " << i;
            EXPECT_EQ(attempts[i].lookedUp, !IsDotted(servers[i].host)) << "attempt " << i;
        }
        for (std::size_t i = 0; i < servers.size(); ++i) {
            if (!Accepts(c.servers[i].mode)) continue;
            EXPECT_EQ(Servers().Accepts(servers[i].port) - acceptsBefore[i], i < c.attempts ? 1 : 0)
                << "connections accepted by server " << i << " (" << c.servers[i].mode << ")";
        }
        EXPECT_EQ(lines_.size(), c.events);
        if (c.answered) {
            ASSERT_FALSE(verdicts_.empty());
            EXPECT_TRUE(verdicts_.back());
            EXPECT_EQ(known_, 1);
            ExpectFreshReply(before, after);
        } else {
            ExpectNothingChanged();
        }
        ExpectEverythingClosed();
    }
}

TEST_F(DaytimeFetchTest, HostileServersChangeNothingAndTheNextFetchWorks) {
    const char* hostile[] = {"garbage", "flood",     "silent",    "close",  "truncated",
                             "blank",   "unhealthy", "blackhole", "refused"};
    for (const char* mode : hostile) {
        SCOPED_TRACE(mode);
        NetworkTime = kUntouchedTime;
        ClockOffset = kUntouchedOffset;
        known_ = 0;
        lines_.clear();
        verdicts_.clear();
        Fetch({Mode(mode)});
        ExpectNothingChanged();
        for (const std::string& line : lines_) {
            EXPECT_LE(line.size(), kMaxDaytimeReplyBytes);
        }
        ExpectEverythingClosed();

        const DateTime before = UtcNow();
        Fetch({Mode("correct")});
        ExpectFreshReply(before, UtcNow());
        ExpectEverythingClosed();
    }
}

TEST_F(DaytimeFetchTest, AFloodIsCutOffWithoutAnEvent) {
    Fetch({Mode("flood")});
    EXPECT_TRUE(lines_.empty());
    ExpectNothingChanged();
    ExpectEverythingClosed();
}

TEST_F(DaytimeFetchTest, HostsAreLookedUpUnlessTheyAreDottedAddresses) {
    const ServerAddress byAddress = Mode("correct");
    const ServerAddress byName{"localhost", byAddress.port};
    for (const ServerAddress& server : {byAddress, byName}) {
        SCOPED_TRACE(server.host);
        client_.RecordAttempts(true);
        known_ = 0;
        Fetch({server});
        const std::vector<ConnectAttempt> attempts = client_.Attempts();
        ASSERT_EQ(attempts.size(), 1u);
        EXPECT_EQ(attempts[0].lookedUp, server.host == "localhost");
        EXPECT_TRUE(attempts[0].resolved);
        EXPECT_EQ(known_, 1);
    }
}

TEST_F(DaytimeFetchTest, AReplySplitOverTwoWritesArrivesWholeInOneEvent) {
    EXPECT_EQ(client_.GetReceivedData(), "");
    const DateTime before = UtcNow();
    Fetch({Mode("split")});
    ASSERT_EQ(lines_.size(), 1u);
    const std::string& line = lines_[0];
    EXPECT_EQ(line.front(), '\n');
    EXPECT_EQ(CompleteLineLength(line), line.size());
    EXPECT_NE(line.find(" UTC(NIST) *"), std::string::npos) << line;
    ExpectFreshReply(before, UtcNow());
    EXPECT_EQ(client_.GetReceivedData(), "") << "outside an event";
    ExpectEverythingClosed();
}

TEST_F(DaytimeFetchTest, OverlappingFetchesEachGetTheirOwnReply) {
    const ServerAddress good = Mode("correct");
    const int acceptsBefore = Servers().Accepts(good.port);
    const DateTime before = UtcNow();
    // Each fetch waits for the black hole's head start and then connects to the good server,
    // so the three are under way together.
    for (int i = 0; i < 3; ++i) StartFetch(client_, {Mode("blackhole"), good});
    ASSERT_TRUE(PumpUntil([] { return LiveFetchWorkers() == 0; }, kFetchBound));
    EXPECT_EQ(known_, 3);
    EXPECT_EQ(verdicts_, (std::vector<bool>{true, true, true}));
    EXPECT_EQ(Servers().Accepts(good.port) - acceptsBefore, 3);
    ExpectFreshReply(before, UtcNow());
    ExpectEverythingClosed();
}

TEST_F(DaytimeFetchTest, NestedEventsEachSeeTheirOwnBytes) {
    std::vector<std::string> seenAfterNesting;
    client_.SetDataArrivalHandler([&] {
        const std::string mine = client_.GetReceivedData();
        lines_.push_back(mine);
        if (lines_.size() == 1) {
            // Let the other fetch's event run inside this one.
            PumpUntil([&] { return lines_.size() >= 2; }, kFetchBound);
            seenAfterNesting.push_back(client_.GetReceivedData());
            EXPECT_EQ(seenAfterNesting.back(), mine);
        }
        return OnDaytimeReply(client_);
    });
    StartFetch(client_, {Mode("garbage")});
    StartFetch(client_, {Mode("correct")});
    ASSERT_TRUE(PumpUntil([] { return LiveFetchWorkers() == 0; }, kFetchBound));
    ASSERT_EQ(lines_.size(), 2u);
    EXPECT_NE(lines_[0], lines_[1]);
    EXPECT_EQ(seenAfterNesting.size(), 1u);
    EXPECT_EQ(known_, 1);
    EXPECT_EQ(client_.GetReceivedData(), "");
    ExpectEverythingClosed();
}

TEST_F(DaytimeFetchTest, ConnectRegistersOneConnectionOrFails) {
    struct ConnectCase {
        ServerAddress server;
        bool connects;
    };
    const ConnectCase cases[] = {
        {Mode("correct"), true}, {Mode("refused"), false},  {{kUnresolvable, 13}, false},
        {{"", 13}, false},       {{"127.0.0.1", 0}, false},
    };
    for (const ConnectCase& c : cases) {
        SCOPED_TRACE(c.server.host + ":" + std::to_string(c.server.port));
        lines_.clear();
        std::atomic<int> connected{-1};
        // Connect blocks its caller; the test thread stays free to read.
        std::thread worker([&] { connected = client_.Connect(c.server.host, c.server.port); });
        EXPECT_TRUE(PumpUntil([&] { return connected != -1; }, kFetchBound));
        worker.join();
        EXPECT_EQ(connected == 1, c.connects);
        if (c.connects) {
            ASSERT_TRUE(PumpUntil([&] { return !lines_.empty(); }, kFetchBound));
            EXPECT_EQ(lines_.size(), 1u);
        }
        PumpFor(50);
        ExpectEverythingClosed();
    }
    EXPECT_FALSE(client_.Connect("127.0.0.1", 70000));
}

TEST_F(DaytimeFetchTest, AClientThatGoesMidFetchLeavesNothingBehind) {
    for (const char* first : {"blackhole", "silent"}) {
        SCOPED_TRACE(first);
        {
            DaytimeClient doomed;
            doomed.SetDataArrivalHandler([] { return true; });
            StartFetch(doomed, {Mode(first), Mode("blackhole", 1), Mode("correct")});
            PumpFor(400);  // the fetch is under way (a connection adopted, or attempts pending)
        }
        EXPECT_TRUE(PumpUntil([] { return LiveFetchWorkers() == 0; }, kFetchBound));
        EXPECT_EQ(OpenSocketCount(), 0);
    }
    ExpectNothingChanged();
}

}  // namespace
}  // namespace horvane
