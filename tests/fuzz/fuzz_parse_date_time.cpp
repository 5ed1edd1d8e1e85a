// ParseDateTime on any text: a valid result is a real date-time that formats back to a text
// which reads as the same value; moves by seconds stay in the range and measure back.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "time/date_time.h"

namespace {

constexpr horvane::DateTime kLastSecond{9999, 12, 31, 23, 59, 59};
constexpr horvane::DateTime kLastDay{9999, 12, 31, 0, 0, 0};

void Check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace horvane;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::optional<DateTime> parsed = TryParseDateTime(text);
    const DateTime value = ParseDateTime(text);
    if (!parsed) {
        Check(value == kFirstDateTime);
        return 0;
    }
    Check(value == *parsed);
    Check(value >= kFirstDateTime && value <= kLastSecond);
    Check(TryParseDateTime(FormatDateTime(value)) == value);
    Check(AddSeconds(value, 0) == value && AddHours(value, 0) == value);
    Check(SecondsBetween(value, value) == 0);
    const int weekDay = DayOfWeek(value);
    Check(weekDay >= 0 && weekDay <= 6);

    // The first four bytes double as an amount of seconds.
    if (size >= 4) {
        std::int32_t amount;
        std::memcpy(&amount, data, sizeof amount);
        const DateTime moved = AddSeconds(value, amount);
        Check(moved >= kFirstDateTime && moved <= kLastSecond);
        Check(TryParseDateTime(FormatDateTime(moved)) == moved);
        const bool clamped = moved == kFirstDateTime || moved == kLastDay;
        if (!clamped) {
            Check(SecondsBetween(moved, value) == amount);
            if (amount != INT32_MIN) Check(AddSeconds(moved, -amount) == value);
        }
        Check(TruncatedSeconds(SecondsBetween(moved, value)) == SecondsBetween(moved, value));
    }
    return 0;
}
