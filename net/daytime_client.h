#pragma once
// Win32 only.

#include <windows.h>

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "net/server_list.h"

namespace horvane {

class ConnectionTable;

// One connection attempt of a fetch, as recorded for tests and diagnosis.
struct ConnectAttempt {
    ServerAddress server;
    bool lookedUp = false;  // the host went through gethostbyname (it is not a dotted address)
    bool resolved = false;  // an address was found and a connect was started
};

// The window's TCP client for Daytime servers. Created and destroyed on the user-interface
// thread, whose message-only window receives the socket notifications (WSAAsyncSelect).
// Fetch workers connect, each fetch on a connection of its own; the user-interface thread
// reads, gathers a connection's line and raises the data-arrival event with it once.
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

    // The bytes of the data-arrival event being handled (the innermost one when events nest);
    // empty outside an event.
    std::string GetReceivedData() const;

    // Connects to one server on the calling thread (lookup and connect, at most the attempt
    // time-out of net/connect.h) and registers the connection for notifications; its line
    // then raises the data-arrival event. True when the connection was established and
    // registered. Never to be called on the user-interface thread. Fetches use
    // ConnectFirstAvailable (net/fetch.h), which also waits for each connection's verdict.
    bool Connect(const std::string& host, int port);

    // Connections registered for notifications and not yet closed.
    std::size_t LiveConnections() const;

    // Test hooks: when recording, every connection attempt of every fetch is kept (in the
    // order the attempts were made) until the recording is switched off.
    void RecordAttempts(bool on);
    std::vector<ConnectAttempt> Attempts() const;

    // The bookkeeping that fetch workers share with the user-interface thread; it outlives
    // the client for as long as a worker holds it.
    const std::shared_ptr<ConnectionTable>& connections() const { return table_; }

  private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void OnSocketNotification(WPARAM socket);

    bool ready_ = false;
    HWND window_ = nullptr;
    std::shared_ptr<ConnectionTable> table_;
    std::function<bool()> dataArrival_;
    std::vector<std::string> received_;  // the events in progress, innermost last
};

// The data-arrival handler of the window: hands the event's line to HandleDaytimeReply
// (net/reply.h); true when it was a valid reply and NetworkTime and ClockOffset were stored.
bool OnDaytimeReply(const DaytimeClient& client);

// Starts one fetch on a thread of its own and returns at once; the thread's handle is
// released at once and nothing ever waits for it.
void StartFetch(DaytimeClient& client, const DaytimeServerList& servers);

}  // namespace horvane
