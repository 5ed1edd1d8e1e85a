#pragma once
// Win32 only.

#include <functional>
#include <string>

#include "net/server_list.h"

namespace horvane {

// The window's TCP client for Daytime servers. Created and destroyed on the user-interface
// thread, whose message-only window receives the socket notifications (WSAAsyncSelect).
// Fetch workers connect; the user-interface thread reads, gathers a connection's line and
// raises the data-arrival event with it.
class DaytimeClient {
public:
    DaytimeClient();   // WSAStartup 1.1 and the notification window
    ~DaytimeClient();  // closes every live connection (notifications stopped first), WSACleanup
    DaytimeClient(const DaytimeClient&) = delete;
    DaytimeClient& operator=(const DaytimeClient&) = delete;

    bool ready() const;  // the sockets-ready flag

    // The data-arrival event: runs on the user-interface thread with the whole line of one
    // connection available through GetReceivedData(); returns whether it was a valid reply.
    void SetDataArrivalHandler(std::function<bool()> handler);

    // The bytes of the data-arrival event being handled; empty outside an event.
    std::string GetReceivedData() const;

    // ... connection bookkeeping used by the fetch workers (see net/fetch.h).
};

// Starts one fetch on a thread of its own and returns at once; the thread's handle is
// released at once and nothing ever waits for it.
void StartFetch(DaytimeClient& client, const DaytimeServerList& servers);

}  // namespace horvane
