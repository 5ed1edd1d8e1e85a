#include "net/connection_table.h"

#include <algorithm>

#include "net/daytime_line.h"

namespace horvane {
// Holds the table's lock for its lifetime.
class ConnectionTable::Locked {
  public:
    explicit Locked(SRWLOCK& lock) : lock_(lock) { AcquireSRWLockExclusive(&lock_); }
    ~Locked() { ReleaseSRWLockExclusive(&lock_); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;

  private:
    SRWLOCK& lock_;
};

std::shared_ptr<Connection> ConnectionTable::Adopt(UniqueSocket socket) {
    Locked locked(lock_);
    if (shutDown_ || window_ == nullptr || !socket) return nullptr;
    // Registered under the lock: a notification that comes at once waits for the entry.
    if (WSAAsyncSelect(socket.get(), window_, kSocketNotifyMessage, FD_READ | FD_CLOSE) ==
        SOCKET_ERROR) {
        return nullptr;
    }
    auto connection = std::make_shared<Connection>();
    const SOCKET key = socket.get();
    connection->socket = std::move(socket);
    connection->adopted = connection->lastActivity = GetTickCount64();
    live_.emplace(key, connection);
    return connection;
}

void ConnectionTable::CloseLocked(Live::iterator it) {
    WSAAsyncSelect(it->first, window_, 0, 0);
    it->second->socket.reset();
    live_.erase(it);
}

void ConnectionTable::CloseLocked(Connection& connection) {
    if (!connection.socket) return;
    const auto it = live_.find(connection.socket.get());
    if (it != live_.end() && it->second.get() == &connection) {
        CloseLocked(it);
    } else {
        connection.socket.reset();
    }
}

Verdict ConnectionTable::AwaitVerdict(const std::shared_ptr<Connection>& connection,
                                      const VerdictWait& wait) {
    Locked locked(lock_);
    // Each pass either returns or sleeps until a deadline that only moves forward while
    // bytes come in, and never past `limit` (or `judgingLimit`): bounded.
    for (;;) {
        if (connection->verdict != Verdict::Pending) {
            CloseLocked(*connection);
            return connection->verdict;
        }
        const ULONGLONG now = GetTickCount64();
        ULONGLONG due = 0;
        if (connection->judging) {
            due = connection->judgingSince + wait.judgingLimit;
            if (now >= due) return Verdict::Undecided;
        } else {
            due =
                std::min(connection->lastActivity + wait.silence, connection->adopted + wait.limit);
            if (now >= due) {
                CloseLocked(*connection);
                connection->verdict = Verdict::Silent;
                return Verdict::Silent;
            }
        }
        SleepConditionVariableSRW(&changed_, &lock_, static_cast<DWORD>(due - now), 0);
    }
}

std::optional<LineDelivery> ConnectionTable::Gather(SOCKET socket) {
    std::optional<LineDelivery> delivery;
    {
        Locked locked(lock_);
        const auto it = live_.find(socket);
        if (it == live_.end()) return std::nullopt;
        const std::shared_ptr<Connection> connection = it->second;
        Connection& c = *connection;

        bool closed = false;
        bool tooMuch = false;
        bool received = false;
        std::size_t lineLength = 0;
        char buffer[1024];
        // Ends when nothing more is pending, the line is complete, the peer has closed, or
        // more than the limit has come: at most kMaxDaytimeReplyBytes + 1 receives.
        for (;;) {
            const int count = recv(socket, buffer, sizeof buffer, 0);
            if (count > 0) {
                received = true;
                if (c.bytes.size() + static_cast<std::size_t>(count) > kMaxDaytimeReplyBytes) {
                    tooMuch = true;
                    break;
                }
                c.bytes.append(buffer, static_cast<std::size_t>(count));
                lineLength = CompleteLineLength(c.bytes);
                if (lineLength != 0) break;
                continue;
            }
            if (count == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK) break;
            closed = true;  // closed by the peer, or failed: what came is all there is
            break;
        }
        if (received) c.lastActivity = GetTickCount64();

        if (tooMuch) {
            std::string().swap(c.bytes);
            CloseLocked(it);
            c.verdict = Verdict::Invalid;
        } else if (lineLength != 0 || (closed && !c.bytes.empty())) {
            const std::size_t length = lineLength != 0 ? lineLength : c.bytes.size();
            delivery = LineDelivery{connection, c.bytes.substr(0, length)};
            std::string().swap(c.bytes);
            c.judging = true;
            c.judgingSince = GetTickCount64();
            CloseLocked(it);
        } else if (closed) {
            CloseLocked(it);
            c.verdict = Verdict::Invalid;
        }
    }
    WakeAllConditionVariable(&changed_);
    return delivery;
}

void ConnectionTable::Judge(const std::shared_ptr<Connection>& connection, bool valid) {
    {
        Locked locked(lock_);
        connection->judging = false;
        connection->verdict = valid ? Verdict::Valid : Verdict::Invalid;
    }
    WakeAllConditionVariable(&changed_);
}

void ConnectionTable::ShutDown() {
    {
        Locked locked(lock_);
        shutDown_ = true;
        while (!live_.empty()) {
            const auto it = live_.begin();
            it->second->verdict = Verdict::Invalid;
            CloseLocked(it);
        }
        window_ = nullptr;
    }
    WakeAllConditionVariable(&changed_);
}

std::size_t ConnectionTable::LiveConnections() const {
    Locked locked(lock_);
    return live_.size();
}

void ConnectionTable::RecordAttempts(bool on) {
    Locked locked(lock_);
    recording_ = on;
    attempts_.clear();
}

void ConnectionTable::NoteAttempt(const ConnectAttempt& attempt) {
    Locked locked(lock_);
    if (recording_) attempts_.push_back(attempt);
}

std::vector<ConnectAttempt> ConnectionTable::Attempts() const {
    Locked locked(lock_);
    return attempts_;
}

}  // namespace horvane
