#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace horvane {

struct ServerAddress {
    std::string host;
    unsigned short port = 13;

    friend bool operator==(const ServerAddress&, const ServerAddress&) = default;
};

using DaytimeServerList = std::vector<ServerAddress>;

// The five built-in NIST Daytime servers, port 13, in the order they are tried.
DaytimeServerList BuiltInDaytimeServers();

// Reads "host" or "host:port" (port 1 to 65535, 13 when omitted). Nothing for a malformed
// entry.
std::optional<ServerAddress> ParseServerAddress(std::string_view text);

// The list from the [Servers] section of Horvane.ini: `entries` are the values of Server1,
// Server2, ... in order, up to the first missing key. Malformed entries are skipped; when no
// usable entry is left, the built-in list.
DaytimeServerList DaytimeServerListFrom(const std::vector<std::string>& entries);

}  // namespace horvane
