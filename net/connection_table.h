#pragma once
// Win32 only: the live Daytime connections, shared by the fetch workers (which hand
// connections over and wait for their verdicts) and the user-interface thread (which reads
// them and judges their lines). Every socket call on a registered socket happens under the
// table's lock, so no socket is closed while another thread uses it.

#include <winsock2.h>
#include <windows.h>

#include <cstddef>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "net/daytime_client.h"
#include "net/socket.h"

namespace horvane {

// The private message that carries socket notifications to the client's window.
inline constexpr UINT kSocketNotifyMessage = WM_APP + 0x31;

enum class Verdict {
    Pending,
    Valid,      // the line was a valid reply
    Invalid,    // a line that was no valid reply, a close without one, too many bytes
    Silent,     // nothing for too long: abandoned
    Undecided,  // the line was handed over, but its handler has not returned in time
};

// Milliseconds.
struct VerdictWait {
    unsigned silence = 2000;        // no byte for this long: abandoned
    unsigned limit = 5000;          // no complete line this long after connecting: abandoned
    unsigned judgingLimit = 10000;  // the handler's turn
};

// One connection handed to the client. Its fields belong to the table's lock.
struct Connection {
    UniqueSocket socket;  // open while registered
    std::string bytes;    // gathered so far
    Verdict verdict = Verdict::Pending;
    bool judging = false;  // the line is with the data-arrival handler
    ULONGLONG adopted = 0, lastActivity = 0, judgingSince = 0;  // GetTickCount64
};

struct LineDelivery {
    std::shared_ptr<Connection> connection;
    std::string line;
};

class ConnectionTable {
  public:
    explicit ConnectionTable(HWND window) : window_(window) {}
    ConnectionTable(const ConnectionTable&) = delete;
    ConnectionTable& operator=(const ConnectionTable&) = delete;

    // Takes an established connection over and registers it for read and close
    // notifications to the window. Empty (and the socket closed) when the table is shut down
    // or the registration failed.
    std::shared_ptr<Connection> Adopt(UniqueSocket socket);

    // On a worker: waits until the connection has a verdict. A connection that stays silent
    // (see VerdictWait) is abandoned here, notifications stopped first. The connection is
    // closed when this returns.
    Verdict AwaitVerdict(const std::shared_ptr<Connection>& connection, const VerdictWait& wait);

    // On the user-interface thread, for a notification naming `socket`: reads every byte
    // pending. Once the connection's line is complete, or the peer closed after sending
    // something, the connection is closed and its line returned for the data-arrival event;
    // its verdict is then given with Judge. A connection that closed without a byte or sent
    // too much is closed and judged invalid here. Notifications for sockets that are no
    // longer registered are ignored.
    std::optional<LineDelivery> Gather(SOCKET socket);
    void Judge(const std::shared_ptr<Connection>& connection, bool valid);

    // Closes every connection (notifications first) and wakes every waiting worker; later
    // Adopts fail. Called when the client goes.
    void ShutDown();

    std::size_t LiveConnections() const;

    void RecordAttempts(bool on);
    void NoteAttempt(const ConnectAttempt& attempt);
    std::vector<ConnectAttempt> Attempts() const;

  private:
    using Live = std::map<SOCKET, std::shared_ptr<Connection>>;
    void CloseLocked(Live::iterator it);
    void CloseLocked(Connection& connection);

    class Locked;
    mutable SRWLOCK lock_ = SRWLOCK_INIT;
    CONDITION_VARIABLE changed_ = CONDITION_VARIABLE_INIT;
    HWND window_;
    bool shutDown_ = false;
    Live live_;
    bool recording_ = false;
    std::vector<ConnectAttempt> attempts_;
};

}  // namespace horvane
