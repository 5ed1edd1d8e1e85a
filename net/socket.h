#pragma once
// Win32 only.

#include <winsock2.h>

#include <utility>

namespace horvane {

// Owns one socket: closes it when it goes (closesocket). Copying is deleted, moving allowed.
// Sockets registered for window notifications must have them stopped (WSAAsyncSelect with no
// events) before they are closed; the owner of the registration does that first.
class UniqueSocket {
  public:
    UniqueSocket() = default;
    explicit UniqueSocket(SOCKET socket);
    ~UniqueSocket() { reset(); }
    UniqueSocket(const UniqueSocket&) = delete;
    UniqueSocket& operator=(const UniqueSocket&) = delete;
    UniqueSocket(UniqueSocket&& other) noexcept
        : socket_(std::exchange(other.socket_, INVALID_SOCKET)) {}
    UniqueSocket& operator=(UniqueSocket&& other) noexcept;

    SOCKET get() const { return socket_; }
    explicit operator bool() const { return socket_ != INVALID_SOCKET; }
    void reset();

  private:
    SOCKET socket_ = INVALID_SOCKET;
};

// A new IPv4 stream socket (socket with AF_INET, SOCK_STREAM, 0); empty when that fails.
UniqueSocket OpenStreamSocket();

// How many sockets of the program are open right now (opened by OpenStreamSocket or adopted
// by a UniqueSocket and not yet closed). For tests and the benchmark.
int OpenSocketCount();

}  // namespace horvane
