#include "net/socket.h"

#include <atomic>

namespace horvane {
namespace {

std::atomic<int> openSockets{0};

}  // namespace

UniqueSocket::UniqueSocket(SOCKET socket) : socket_(socket) {
    if (socket_ != INVALID_SOCKET) ++openSockets;
}

UniqueSocket& UniqueSocket::operator=(UniqueSocket&& other) noexcept {
    if (this != &other) {
        reset();
        socket_ = std::exchange(other.socket_, INVALID_SOCKET);
    }
    return *this;
}

void UniqueSocket::reset() {
    if (socket_ == INVALID_SOCKET) return;
    closesocket(socket_);
    socket_ = INVALID_SOCKET;
    --openSockets;
}

UniqueSocket OpenStreamSocket() { return UniqueSocket(socket(AF_INET, SOCK_STREAM, 0)); }

int OpenSocketCount() { return openSockets.load(); }

}  // namespace horvane
