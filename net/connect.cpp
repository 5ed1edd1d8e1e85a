#include "net/connect.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace horvane {
namespace {

struct PendingAttempt {
    UniqueSocket socket;
    std::size_t index = 0;
    ULONGLONG started = 0;  // GetTickCount64
};

// Starts a non-blocking connect to `address`. The socket is empty when the attempt failed at
// once; `connected` is set when it succeeded at once.
UniqueSocket StartConnect(const sockaddr_in& address, bool& connected) {
    connected = false;
    UniqueSocket socket = OpenStreamSocket();
    if (!socket) return {};
    u_long nonBlocking = 1;
    if (ioctlsocket(socket.get(), FIONBIO, &nonBlocking) == SOCKET_ERROR) return {};
    if (connect(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
        connected = true;
        return socket;
    }
    if (WSAGetLastError() != WSAEWOULDBLOCK) return {};
    return socket;
}

bool ConnectSucceeded(SOCKET socket) {
    int error = 0;
    int size = sizeof error;
    if (getsockopt(socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size) != 0) {
        return false;
    }
    return error == 0;
}

}  // namespace

std::optional<sockaddr_in> ResolveServer(const ServerAddress& server, bool& lookedUp) {
    lookedUp = false;
    if (server.host.empty() || server.port == 0) return std::nullopt;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(server.port);
    const unsigned long dotted = inet_addr(server.host.c_str());
    if (dotted != INADDR_NONE) {
        address.sin_addr.s_addr = dotted;
        return address;
    }
    lookedUp = true;
    const hostent* host = gethostbyname(server.host.c_str());
    if (host == nullptr || host->h_addrtype != AF_INET || host->h_length != sizeof(in_addr) ||
        host->h_addr_list == nullptr || host->h_addr_list[0] == nullptr) {
        return std::nullopt;
    }
    std::memcpy(&address.sin_addr, host->h_addr_list[0], sizeof(in_addr));
    return address;
}

std::optional<EstablishedConnection> ConnectFirstOf(
    const DaytimeServerList& servers, std::size_t& next, const ConnectTimings& timings,
    const std::function<void(const ConnectAttempt&)>& note) {
    std::vector<PendingAttempt> pending;  // in list order; the newest last
    // Every pass either starts an attempt, ends one, or waits in select until the next head
    // start or attempt limit falls due; each attempt ends within its limit, so this ends.
    for (;;) {
        // Start attempts while the newest one has used up its head start (or there is none).
        while (
            next < servers.size() &&
            (pending.empty() || GetTickCount64() - pending.back().started >= timings.headStart)) {
            const std::size_t index = next++;
            ConnectAttempt attempt{servers[index]};
            const auto address = ResolveServer(servers[index], attempt.lookedUp);
            attempt.resolved = address.has_value();
            if (note) note(attempt);
            if (!address) continue;
            bool connected = false;
            UniqueSocket socket = StartConnect(*address, connected);
            if (!socket) continue;
            if (connected) return EstablishedConnection{std::move(socket), index};
            pending.push_back({std::move(socket), index, GetTickCount64()});
        }
        if (pending.empty()) return std::nullopt;

        // Wait for a connect to finish, until the newest attempt's head start is over (while
        // servers are left) or the oldest attempt's limit is reached.
        ULONGLONG due = pending.front().started + timings.attemptLimit;
        if (next < servers.size()) due = std::min(due, pending.back().started + timings.headStart);
        const ULONGLONG now = GetTickCount64();
        const ULONGLONG wait = due > now ? due - now : 0;
        timeval timeout{static_cast<long>(wait / 1000), static_cast<long>(wait % 1000 * 1000)};
        fd_set writable;
        fd_set failed;
        FD_ZERO(&writable);
        FD_ZERO(&failed);
        for (const PendingAttempt& attempt : pending) {
            FD_SET(attempt.socket.get(), &writable);
            FD_SET(attempt.socket.get(), &failed);
        }
        if (select(0, nullptr, &writable, &failed, &timeout) == SOCKET_ERROR) {
            // Nothing sensible can be waited for any more: give every attempt up.
            return std::nullopt;
        }

        for (auto it = pending.begin(); it != pending.end(); ++it) {
            const SOCKET socket = it->socket.get();
            if (FD_ISSET(socket, &writable) && !FD_ISSET(socket, &failed) &&
                ConnectSucceeded(socket)) {
                // The rest are abandoned (closed) when `pending` goes.
                return EstablishedConnection{std::move(it->socket), it->index};
            }
        }
        const ULONGLONG after = GetTickCount64();
        std::erase_if(pending, [&](const PendingAttempt& attempt) {
            const SOCKET socket = attempt.socket.get();
            return FD_ISSET(socket, &failed) || FD_ISSET(socket, &writable) ||
                   after - attempt.started >= timings.attemptLimit;
        });
    }
}

}  // namespace horvane
