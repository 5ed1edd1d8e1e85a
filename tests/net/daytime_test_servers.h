#pragma once
// Win32 tests: the loopback Daytime servers that tools/daytime_server.py runs for the tests
// (started by the ctest fixture daytime_servers), and pumping the test thread's messages.

#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "net/server_list.h"

namespace horvane::testing {

// The servers of the folder named by the environment variable HORVANE_DAYTIME_SERVERS
// (a Unix path; Wine's drive Z: is the Unix root).
class DaytimeTestServers {
  public:
    static const DaytimeTestServers& Get();

    bool available() const { return !ports_.empty(); }
    const std::string& folder() const { return folder_; }  // a Windows path

    // The `n`th listener of a mode (in the order they were started): 127.0.0.1 and its port.
    ServerAddress Address(std::string_view mode, int n = 0) const;
    // Connections the servers have accepted on `port` so far.
    int Accepts(unsigned short port) const;

  private:
    std::string folder_;
    std::map<std::string, std::vector<unsigned short>, std::less<>> ports_;
};

// Dispatches the calling thread's messages until `done` holds or `timeoutMs` have passed;
// whether `done` held.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);
void PumpFor(DWORD milliseconds);

}  // namespace horvane::testing
