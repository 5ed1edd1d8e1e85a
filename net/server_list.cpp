#include "net/server_list.h"

#include <charconv>

namespace horvane {
namespace {

constexpr unsigned short kDaytimePort = 13;

bool IsHostCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_';
}

std::string_view Trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

}  // namespace

DaytimeServerList BuiltInDaytimeServers() {
    return {
        {"time.nist.gov", kDaytimePort},       {"time-a-g.nist.gov", kDaytimePort},
        {"time-b-g.nist.gov", kDaytimePort},   {"time-a-wwv.nist.gov", kDaytimePort},
        {"time-b-wwv.nist.gov", kDaytimePort},
    };
}

std::optional<ServerAddress> ParseServerAddress(std::string_view text) {
    text = Trimmed(text);
    std::string_view host = text;
    unsigned short port = kDaytimePort;
    if (const auto colon = text.find(':'); colon != std::string_view::npos) {
        host = text.substr(0, colon);
        const std::string_view digits = text.substr(colon + 1);
        // Digits only: no sign, no blanks, no second colon; at most five of them.
        if (digits.empty() || digits.size() > 5) return std::nullopt;
        for (char c : digits) {
            if (c < '0' || c > '9') return std::nullopt;
        }
        unsigned value = 0;
        std::from_chars(digits.data(), digits.data() + digits.size(), value);
        if (value < 1 || value > 65535) return std::nullopt;
        port = static_cast<unsigned short>(value);
    }
    // A host name or a dotted address; nothing that needs quoting, at most 255 characters
    // (the longest name the resolver takes).
    if (host.empty() || host.size() > 255 || host.front() == '.' || host.front() == '-') {
        return std::nullopt;
    }
    for (char c : host) {
        if (!IsHostCharacter(c)) return std::nullopt;
    }
    return ServerAddress{std::string(host), port};
}

DaytimeServerList DaytimeServerListFrom(const std::vector<std::string>& entries) {
    DaytimeServerList list;
    for (const std::string& entry : entries) {
        if (auto address = ParseServerAddress(entry)) list.push_back(std::move(*address));
    }
    if (list.empty()) return BuiltInDaytimeServers();
    return list;
}

}  // namespace horvane
