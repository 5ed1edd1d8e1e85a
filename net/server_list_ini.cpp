#include "net/server_list_ini.h"

#include <windows.h>

#include <string>
#include <vector>

namespace horvane {
namespace {

// More keys than any sensible list; keeps the loop bounded whatever the file holds.
constexpr int kMaxServerKeys = 64;

}  // namespace

DaytimeServerList LoadDaytimeServerList(const std::string& iniPath) {
    // A default that no value can be: tells a missing key from an empty value.
    static constexpr char kMissing[] = "\x01";
    std::vector<std::string> entries;
    for (int n = 1; n <= kMaxServerKeys; ++n) {
        const std::string key = "Server" + std::to_string(n);
        char value[512];
        GetPrivateProfileStringA("Servers", key.c_str(), kMissing, value, sizeof value,
                                 iniPath.c_str());
        if (std::string(value) == kMissing) break;
        entries.emplace_back(value);
    }
    return DaytimeServerListFrom(entries);
}

}  // namespace horvane
