#pragma once

#include <functional>
#include <optional>
#include <string_view>
#include <vector>

#include "time/clock.h"
#include "time/date_time.h"

namespace horvane {

// Splits `text` at every `delimiter`. Two delimiters in a row give an empty piece between
// them, a leading delimiter an empty first piece; a trailing delimiter gives no empty last
// piece and an empty text no pieces. A byte of 0x80 or above and the byte after it form one
// double-byte character, inside which the delimiter is never matched.
std::vector<std::string_view> SplitText(std::string_view text, char delimiter);

// What one Daytime reply says: the reply's UTC time moved to Beijing time (UTC+8), and how
// far that is ahead of the local clock when the reply was read.
struct DaytimeReading {
    DateTime networkTime;
    double clockOffset = 0;
};

// Turns the bytes of one reply in the NIST format
//   "\nJJJJJ YR-MO-DA HH:MM:SS TT L H msADV UTC(NIST) *\n"
// into a reading, with the local clock read from `clock` after the parse. Nothing is returned
// when the reply is not valid: its date-time text does not parse, it lacks the pieces or date
// parts that are needed, or its health digit H is not exactly "0".
std::optional<DaytimeReading> ReadDaytimeReply(std::string_view bytes, const Clock& clock);

// Program-wide values, written only by HandleDaytimeReply on the user-interface thread:
// the last valid reply's time plus eight hours, and how many seconds it was ahead of the
// local clock (0 until the first reply).
extern DateTime NetworkTime;
extern double ClockOffset;

// The window's reaction to a valid reply; empty until the window fills it.
extern std::function<void()> OnNetworkTimeKnown;

// Handles the bytes of one reply: when they are a valid reply, stores NetworkTime and
// ClockOffset (the local clock read from ActiveClock()) and then calls OnNetworkTimeKnown.
// An invalid reply changes nothing. Returns whether the reply was valid.
bool HandleDaytimeReply(std::string_view bytes);

}  // namespace horvane
