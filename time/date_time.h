#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace horvane {

// A calendar date and a time of day to the whole second: proleptic Gregorian, no time zone,
// no milliseconds. Valid values lie between 0100-01-01 00:00:00 and 9999-12-31 23:59:59.
struct DateTime {
    int year = 100;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;

    friend auto operator<=>(const DateTime&, const DateTime&) = default;
};

// The smallest value, also what ParseDateTime gives for a text that is not a date-time.
inline constexpr DateTime kFirstDateTime{100, 1, 1, 0, 0, 0};

// Reads "2010/11/13 04:05:06" and its relatives (one-digit fields, "-", ":" or "." as
// separators, a missing time of day). Nothing is returned for a text that is not a valid
// date-time.
std::optional<DateTime> TryParseDateTime(std::string_view text);

// As TryParseDateTime, with kFirstDateTime for a text that is not a valid date-time.
DateTime ParseDateTime(std::string_view text);

// Moves by whole hours or seconds across day, month and year boundaries; a result before the
// range gives kFirstDateTime, one after it 9999-12-31 00:00:00 (see the .cpp for the ends of
// the range). An amount of 0 returns the value unchanged.
DateTime AddHours(const DateTime& value, std::int32_t hours);
DateTime AddSeconds(const DateTime& value, std::int32_t seconds);

// a - b in whole seconds, reduced to its low 32 bits as a signed number, as a double.
double SecondsBetween(const DateTime& a, const DateTime& b);

// Converts an offset held as a double to the signed 32-bit seconds that AddSeconds takes,
// truncating toward zero (and saturating, should the value ever lie outside that range).
std::int32_t TruncatedSeconds(double seconds);

// "2010-11-13 04:05:06"; the year has no leading zeros ("100-01-01 00:00:00").
std::string FormatDateTime(const DateTime& value);

// Day of the week of the value's date: 0 for Sunday to 6 for Saturday.
int DayOfWeek(const DateTime& value);

}  // namespace horvane
