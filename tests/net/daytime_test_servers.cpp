#include "daytime_test_servers.h"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace horvane::testing {

const DaytimeTestServers& DaytimeTestServers::Get() {
    static const DaytimeTestServers servers = [] {
        DaytimeTestServers s;
        char folder[MAX_PATH] = {};
        const DWORD length = GetEnvironmentVariableA("HORVANE_DAYTIME_SERVERS", folder, MAX_PATH);
        if (length == 0 || length >= MAX_PATH) return s;
        s.folder_ = folder;
        if (s.folder_.front() == '/') s.folder_ = "Z:" + s.folder_;
        for (char& c : s.folder_) {
            if (c == '/') c = '\\';
        }
        std::ifstream ports(s.folder_ + "\\ports.txt");
        std::string mode;
        unsigned short port = 0;
        while (ports >> mode >> port) s.ports_[mode].push_back(port);
        return s;
    }();
    return servers;
}

ServerAddress DaytimeTestServers::Address(std::string_view mode, int n) const {
    const auto it = ports_.find(mode);
    if (it == ports_.end() || n < 0 || static_cast<std::size_t>(n) >= it->second.size()) {
        return {"127.0.0.1", 0};
    }
    return {"127.0.0.1", it->second[static_cast<std::size_t>(n)]};
}

int DaytimeTestServers::Accepts(unsigned short port) const {
    std::ifstream log(folder_ + "\\accepts.log");
    int count = 0;
    unsigned short logged = 0;
    std::string mode;
    while (log >> logged >> mode) {
        if (logged == port) ++count;
    }
    return count;
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        if (done()) return true;
        const ULONGLONG now = GetTickCount64();
        if (now >= end) return false;
        MsgWaitForMultipleObjects(
            0, nullptr, FALSE, static_cast<DWORD>(std::min<ULONGLONG>(end - now, 10)), QS_ALLINPUT);
    }
}

void PumpFor(DWORD milliseconds) {
    PumpUntil([] { return false; }, milliseconds);
}

}  // namespace horvane::testing
