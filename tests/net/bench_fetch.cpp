// Benchmark of the fetch (not a test): run through tools/bench-fetch.sh, which starts the
// loopback servers (five black holes and one good server) and points HORVANE_DAYTIME_SERVERS
// at them.
//
// 1. Failover: the time from StartFetch to the data-arrival event with k black-holed servers
//    ahead of the good one, k = 0..4 (median of several runs).
// 2. What stays alive: threads of the process, open sockets and fetch workers while fetching
//    every 5 s for 60 s with all five servers black-holed, and again for 30 s after the
//    servers return.

#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "daytime_test_servers.h"
#include "net/daytime_client.h"
#include "net/fetch.h"
#include "net/reply.h"
#include "net/socket.h"

namespace horvane {
namespace {

using testing::DaytimeTestServers;
using testing::PumpUntil;

constexpr int kRuns = 7;
constexpr DWORD kFetchPeriod = 5000;

int ProcessThreads() {
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return -1;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    int count = 0;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID == GetCurrentProcessId()) ++count;
    }
    CloseHandle(snapshot);
    return count;
}

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

struct Peaks {
    int threads = 0, sockets = 0, workers = 0;
    void Sample() {
        threads = std::max(threads, ProcessThreads());
        sockets = std::max(sockets, OpenSocketCount());
        workers = std::max(workers, LiveFetchWorkers());
    }
};

// Fetches every kFetchPeriod for `seconds`, sampling what is alive; returns the peaks.
Peaks FetchPeriodically(DaytimeClient& client, const DaytimeServerList& servers, int seconds) {
    Peaks peaks;
    const ULONGLONG start = GetTickCount64();
    ULONGLONG nextFetch = start;
    while (GetTickCount64() - start < static_cast<ULONGLONG>(seconds) * 1000) {
        if (GetTickCount64() >= nextFetch) {
            StartFetch(client, servers);
            nextFetch += kFetchPeriod;
        }
        PumpUntil([] { return false; }, 100);
        peaks.Sample();
    }
    return peaks;
}

void PrintAlive(const char* when, const Peaks& peaks) {
    std::printf("%-44s threads %3d (peak %3d)  sockets %2d (peak %2d)  workers %d (peak %d)\n",
                when, ProcessThreads(), peaks.threads, OpenSocketCount(), peaks.sockets,
                LiveFetchWorkers(), peaks.workers);
}

int Run() {
    const DaytimeTestServers& servers = DaytimeTestServers::Get();
    if (!servers.available()) {
        std::fprintf(stderr, "bench_fetch: HORVANE_DAYTIME_SERVERS names no running servers\n");
        return 1;
    }
    DaytimeServerList holes;
    for (int i = 0; i < 5; ++i) holes.push_back(servers.Address("blackhole", i));
    const ServerAddress good = servers.Address("correct");

    DaytimeClient client;
    int replies = 0;
    LARGE_INTEGER arrived{};
    OnNetworkTimeKnown = [] {};
    client.SetDataArrivalHandler([&] {
        QueryPerformanceCounter(&arrived);
        const bool valid = OnDaytimeReply(client);
        if (valid) ++replies;
        return valid;
    });

    std::printf(
        "StartFetch to data-arrival event, k black holes ahead of a good server "
        "(%d runs each, ms)\n",
        kRuns);
    for (int k = 0; k <= 4; ++k) {
        DaytimeServerList list(holes.begin(), holes.begin() + k);
        list.push_back(good);
        std::vector<double> times;
        for (int run = 0; run < kRuns; ++run) {
            const int before = replies;
            LARGE_INTEGER started;
            QueryPerformanceCounter(&started);
            StartFetch(client, list);
            if (!PumpUntil([&] { return replies > before; }, 20000)) {
                std::printf("  k=%d: no reply within 20 s\n", k);
                continue;
            }
            times.push_back(Milliseconds(started, arrived));
            PumpUntil([] { return LiveFetchWorkers() == 0; }, 20000);
        }
        if (times.empty()) continue;
        std::sort(times.begin(), times.end());
        std::printf("  k=%d  median %7.1f  min %7.1f  max %7.1f\n", k, times[times.size() / 2],
                    times.front(), times.back());
    }

    PumpUntil([] { return LiveFetchWorkers() == 0; }, 20000);
    Peaks idle;
    idle.Sample();
    PrintAlive("\nbefore fetching", idle);

    const Peaks blackHoled = FetchPeriodically(client, holes, 60);
    PrintAlive("after 60 s every 5 s, all five black-holed", blackHoled);

    // The servers return: the black holes start answering.
    std::ofstream(servers.folder() + "\\revive") << "revive\n";
    const int repliesBefore = replies;
    const Peaks returned = FetchPeriodically(client, holes, 30);
    PrintAlive("after 30 s more, servers back", returned);
    std::printf("%-44s %d of %d fetches\n", "valid replies after the servers returned",
                replies - repliesBefore, 30000 / static_cast<int>(kFetchPeriod));
    PumpUntil([] { return LiveFetchWorkers() == 0; }, 20000);
    PrintAlive("when the last fetch has ended", returned);
    OnNetworkTimeKnown = nullptr;
    return 0;
}

}  // namespace
}  // namespace horvane

int main() { return horvane::Run(); }
