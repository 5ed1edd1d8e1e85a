#include "net/fetch.h"

#include <atomic>
#include <utility>

namespace horvane {
namespace {

std::atomic<int> liveWorkers{0};

struct FetchJob {
    std::shared_ptr<ConnectionTable> table;
    DaytimeServerList servers;
    FetchTimings timings;
};

}  // namespace

bool ConnectFirstAvailable(const std::shared_ptr<ConnectionTable>& table,
                           const DaytimeServerList& servers, const FetchTimings& timings) {
    const auto note = [&table](const ConnectAttempt& attempt) { table->NoteAttempt(attempt); };
    std::size_t next = 0;
    // Every pass tries at least one more server: at most servers.size() passes.
    while (next < servers.size()) {
        auto established = ConnectFirstOf(servers, next, timings.connect, note);
        if (!established) return false;
        const std::shared_ptr<Connection> connection = table->Adopt(std::move(established->socket));
        if (!connection) continue;
        switch (table->AwaitVerdict(connection, timings.verdict)) {
            case Verdict::Valid:
                return true;
            case Verdict::Undecided:
                // The server did answer; its line is still with the handler. Asking the next
                // server would only add a second reply.
                return false;
            default:
                break;
        }
    }
    return false;
}

DWORD WINAPI FetchWorker(LPVOID parameter) {
    std::unique_ptr<FetchJob> job(static_cast<FetchJob*>(parameter));
    // The worker keeps Windows Sockets initialised for itself, so that it may outlive the
    // client (nothing waits for it) without its socket calls losing the ground under them.
    WSADATA data;
    if (WSAStartup(MAKEWORD(1, 1), &data) == 0) {
        try {
            ConnectFirstAvailable(job->table, job->servers, job->timings);
        } catch (...) {
            // Out of memory at most; the fetch just ends.
        }
        WSACleanup();
    }
    job.reset();
    --liveWorkers;
    return 0;
}

int LiveFetchWorkers() { return liveWorkers.load(); }

void StartFetch(DaytimeClient& client, const DaytimeServerList& servers,
                const FetchTimings& timings) {
    if (!client.ready() || servers.empty()) return;
    auto job = std::make_unique<FetchJob>(FetchJob{client.connections(), servers, timings});
    ++liveWorkers;
    const HANDLE thread = CreateThread(nullptr, 0, &FetchWorker, job.get(), 0, nullptr);
    if (thread == nullptr) {
        --liveWorkers;
        return;
    }
    job.release();  // the worker owns it now
    CloseHandle(thread);
}

void StartFetch(DaytimeClient& client, const DaytimeServerList& servers) {
    StartFetch(client, servers, FetchTimings{});
}

}  // namespace horvane
