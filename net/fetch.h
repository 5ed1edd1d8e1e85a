#pragma once
// Win32 only: one fetch of the network time, on a worker thread of its own.

#include <windows.h>

#include <memory>

#include "net/connect.h"
#include "net/connection_table.h"
#include "net/daytime_client.h"
#include "net/server_list.h"

namespace horvane {

struct FetchTimings {
    ConnectTimings connect;
    VerdictWait verdict;
};

// One fetch, on the calling thread (a fetch worker; never the user-interface thread, which
// must stay free to read the connections). Connects to the servers in list order (see
// ConnectFirstOf), hands each established connection to the client and waits for the
// user-interface thread's verdict on its line; a connection that is silent, closes without a
// valid line or sends no valid reply is abandoned and the fetch goes on with the next server.
// Each server is tried at most once. True when a server gave a valid reply.
bool ConnectFirstAvailable(const std::shared_ptr<ConnectionTable>& table,
                           const DaytimeServerList& servers, const FetchTimings& timings = {});

// The routine of every fetch thread: runs ConnectFirstAvailable once with the job StartFetch
// gave it (which it frees) and ends.
DWORD WINAPI FetchWorker(LPVOID job);

// Fetch threads started and not yet ended. For tests and the benchmark.
int LiveFetchWorkers();

// As StartFetch, with timings of the caller's choice.
void StartFetch(DaytimeClient& client, const DaytimeServerList& servers,
                const FetchTimings& timings);

}  // namespace horvane
