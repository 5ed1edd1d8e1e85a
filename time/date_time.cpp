#include "time/date_time.h"

#include <chrono>
#include <cmath>
#include <limits>

namespace horvane {
namespace {

using std::chrono::days;
using std::chrono::hh_mm_ss;
using std::chrono::seconds;
using std::chrono::sys_days;
using std::chrono::sys_seconds;
using std::chrono::year_month_day;

// The ends of the range. Every second of the first and of the last day belongs to the range:
// times of day later than 00:00:00 on 0100-01-01 and on 9999-12-31 are kept as they are (the
// parser accepts them too). A result before 0100-01-01 00:00:00 becomes that value; a result
// after 9999-12-31 23:59:59 becomes the last day itself, 9999-12-31 00:00:00.
constexpr sys_days kFirstDay{std::chrono::year{100} / std::chrono::January / 1};
constexpr sys_days kLastDay{std::chrono::year{9999} / std::chrono::December / 31};
constexpr sys_seconds kFirstSecond{kFirstDay};
constexpr sys_seconds kLastSecond{kLastDay + days{1} - seconds{1}};
constexpr DateTime kLastDayValue{9999, 12, 31, 0, 0, 0};

year_month_day DateOf(const DateTime& value) {
    return year_month_day{std::chrono::year{value.year},
                          std::chrono::month{static_cast<unsigned>(value.month)},
                          std::chrono::day{static_cast<unsigned>(value.day)}};
}

// Seconds on the civil time line; `value` must be a valid date-time.
sys_seconds ToTimePoint(const DateTime& value) {
    return sys_days{DateOf(value)} + std::chrono::hours{value.hour} +
           std::chrono::minutes{value.minute} + seconds{value.second};
}

DateTime FromTimePoint(sys_seconds point) {
    const sys_days date = std::chrono::floor<days>(point);
    const year_month_day ymd{date};
    const hh_mm_ss<seconds> time{point - date};
    return DateTime{static_cast<int>(ymd.year()),
                    static_cast<int>(static_cast<unsigned>(ymd.month())),
                    static_cast<int>(static_cast<unsigned>(ymd.day())),
                    static_cast<int>(time.hours().count()),
                    static_cast<int>(time.minutes().count()),
                    static_cast<int>(time.seconds().count())};
}

DateTime Moved(const DateTime& value, std::int64_t by) {
    if (by == 0) return value;
    const sys_seconds point = ToTimePoint(value) + seconds{by};
    if (point < kFirstSecond) return kFirstDateTime;
    if (point > kLastSecond) return kLastDayValue;
    return FromTimePoint(point);
}

// Reads the text left to right, one group of digits after the other.
class DateTimeReader {
  public:
    explicit DateTimeReader(std::string_view text) : text_(text) {}

    // Up to `maxDigits` decimal digits; no digits read as 0.
    int Number(int maxDigits) {
        int value = 0;
        for (int n = 0; n < maxDigits && pos_ < text_.size() && IsDigit(text_[pos_]); ++n) {
            value = value * 10 + (text_[pos_++] - '0');
        }
        return value;
    }

    // Skips one separator if it stands here; the space only where `spaceToo` says so.
    void SkipSeparator(bool spaceToo = false) {
        if (pos_ >= text_.size()) return;
        const char c = text_[pos_];
        if (c == '/' || c == '-' || c == ':' || c == '.' || (spaceToo && c == ' ')) ++pos_;
    }

    bool AtEnd() const { return pos_ == text_.size(); }

  private:
    static bool IsDigit(char c) { return c >= '0' && c <= '9'; }

    std::string_view text_;
    std::size_t pos_ = 0;
};

std::string TwoDigits(int value) {
    // "0" and the number, of which the rightmost two characters remain.
    const std::string text = "0" + std::to_string(value);
    return text.substr(text.size() - 2);
}

}  // namespace

std::optional<DateTime> TryParseDateTime(std::string_view text) {
    DateTimeReader reader(text);
    DateTime value;
    value.year = reader.Number(4);
    reader.SkipSeparator();
    value.month = reader.Number(2);
    reader.SkipSeparator();
    value.day = reader.Number(2);
    reader.SkipSeparator(/*spaceToo=*/true);
    value.hour = reader.Number(2);
    reader.SkipSeparator();
    value.minute = reader.Number(2);
    reader.SkipSeparator();
    value.second = reader.Number(2);
    if (!reader.AtEnd()) return std::nullopt;

    if (value.year < 100 || value.year > 9999) return std::nullopt;
    if (!DateOf(value).ok()) return std::nullopt;  // month 1..12, day within that month
    if (value.hour > 23 || value.minute > 59 || value.second > 59) return std::nullopt;
    return value;
}

DateTime ParseDateTime(std::string_view text) {
    return TryParseDateTime(text).value_or(kFirstDateTime);
}

DateTime AddHours(const DateTime& value, std::int32_t hours) {
    return Moved(value, std::int64_t{hours} * 3600);
}

DateTime AddSeconds(const DateTime& value, std::int32_t seconds) { return Moved(value, seconds); }

double SecondsBetween(const DateTime& a, const DateTime& b) {
    const std::int64_t difference = (ToTimePoint(a) - ToTimePoint(b)).count();
    // The low 32 bits, read as a signed number (two's complement).
    const auto low = static_cast<std::int32_t>(static_cast<std::uint32_t>(difference));
    return static_cast<double>(low);
}

std::int32_t TruncatedSeconds(double seconds) {
    constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    if (std::isnan(seconds)) return 0;
    if (seconds <= static_cast<double>(kMin)) return kMin;
    if (seconds >= static_cast<double>(kMax)) return kMax;
    return static_cast<std::int32_t>(seconds);  // toward zero
}

std::string FormatDateTime(const DateTime& value) {
    return std::to_string(value.year) + "-" + TwoDigits(value.month) + "-" + TwoDigits(value.day) +
           " " + TwoDigits(value.hour) + ":" + TwoDigits(value.minute) + ":" +
           TwoDigits(value.second);
}

int DayOfWeek(const DateTime& value) {
    return static_cast<int>(std::chrono::weekday{sys_days{DateOf(value)}}.c_encoding());
}

}  // namespace horvane
