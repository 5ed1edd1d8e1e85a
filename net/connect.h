#pragma once
// Win32 only: the connect phase of a fetch, on the fetch worker.

#include <winsock2.h>

#include <cstddef>
#include <functional>
#include <optional>

#include "net/daytime_client.h"
#include "net/server_list.h"
#include "net/socket.h"

namespace horvane {

// Milliseconds.
struct ConnectTimings {
    // How long an attempt that has neither connected nor failed holds the next server back.
    unsigned headStart = 250;
    // The longest an attempt may take before it is given up.
    unsigned attemptLimit = 3000;
};

// The address of a server: a dotted address as it is (inet_addr), any other host through
// gethostbyname. `lookedUp` tells which way was taken.
std::optional<sockaddr_in> ResolveServer(const ServerAddress& server, bool& lookedUp);

struct EstablishedConnection {
    UniqueSocket socket;  // connected, non-blocking, not yet registered for notifications
    std::size_t index = 0;
};

// Connects to the first server that accepts, starting at servers[next]. The servers are tried
// in list order; an attempt that is still pending after the head start no longer holds the
// next one back, so several attempts may be under way at once (non-blocking connects watched
// with select). The connection established first wins (the earlier server on a tie) and every
// other attempt is abandoned. A refused or unresolvable server costs no waiting. `next` ends
// past every server tried, so that a later call goes on with the untried ones. Nothing when no
// server accepted. Every attempt is passed to `note` (may be empty) as it starts.
std::optional<EstablishedConnection> ConnectFirstOf(
    const DaytimeServerList& servers, std::size_t& next, const ConnectTimings& timings,
    const std::function<void(const ConnectAttempt&)>& note);

}  // namespace horvane
