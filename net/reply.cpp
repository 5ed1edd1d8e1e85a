#include "net/reply.h"

#include <string>

namespace horvane {

DateTime NetworkTime;
double ClockOffset = 0;
std::function<void()> OnNetworkTimeKnown;

namespace {

// The reply line: piece 2 is the date, piece 3 the time of day, piece 6 the health digit.
constexpr std::size_t kDatePiece = 1;
constexpr std::size_t kTimePiece = 2;
constexpr std::size_t kHealthPiece = 5;
constexpr int kBeijingHoursAheadOfUtc = 8;

bool IsLeadByte(char c) { return static_cast<unsigned char>(c) >= 0x80; }

}  // namespace

std::vector<std::string_view> SplitText(std::string_view text, char delimiter) {
    std::vector<std::string_view> pieces;
    std::size_t start = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        if (IsLeadByte(text[pos])) {
            pos += 2;  // a double-byte character; a lone lead byte at the end is one character
        } else if (text[pos] == delimiter) {
            pieces.push_back(text.substr(start, pos - start));
            start = ++pos;
        } else {
            ++pos;
        }
    }
    if (start < text.size()) pieces.push_back(text.substr(start));
    return pieces;
}

std::optional<DaytimeReading> ReadDaytimeReply(std::string_view bytes, const Clock& clock) {
    const std::string_view text = bytes.substr(0, bytes.find('\0'));
    const std::vector<std::string_view> pieces = SplitText(text, ' ');
    if (pieces.size() <= kHealthPiece || pieces[kHealthPiece] != "0") return std::nullopt;
    const std::vector<std::string_view> date = SplitText(pieces[kDatePiece], '-');
    if (date.size() < 3) return std::nullopt;

    std::string dateTimeText = "20";
    dateTimeText.append(date[0]).append("/").append(date[1]).append("/").append(date[2]);
    dateTimeText.append(" ").append(pieces[kTimePiece]);
    const std::optional<DateTime> utc = TryParseDateTime(dateTimeText);
    if (!utc) return std::nullopt;

    DaytimeReading reading;
    reading.networkTime = AddHours(*utc, kBeijingHoursAheadOfUtc);
    const DateTime now = clock.Read().time;  // read after the parse
    reading.clockOffset = SecondsBetween(reading.networkTime, now);
    return reading;
}

bool HandleDaytimeReply(std::string_view bytes) {
    const std::optional<DaytimeReading> reading = ReadDaytimeReply(bytes, ActiveClock());
    if (!reading) return false;
    NetworkTime = reading->networkTime;
    ClockOffset = reading->clockOffset;
    // A copy, so that a hook that replaces itself does not pull the ground from under the call.
    const std::function<void()> hook = OnNetworkTimeKnown;
    if (hook) hook();
    return true;
}

}  // namespace horvane
