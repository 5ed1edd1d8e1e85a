// ReadDaytimeReply on any bytes, with the local clock somewhere within 68 years of 2010: a
// valid reading has its network time in 2000..2100 and an offset equal to SecondsBetween of
// the network time and the clock; HandleDaytimeReply agrees and changes nothing otherwise.
//
// Input: four bytes that shift the local clock (their lowest two bits also choose the form),
// then the rest. Forms: the rest as the reply itself; the rest framed as the date and time of a
// healthy NIST line; or six bytes of date and time fields (somewhat beyond their ranges) written
// into a NIST line, followed by whatever remains. The last two reach deep without a corpus.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "net/reply.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

std::string MakeReply(const std::uint8_t* data, std::size_t size) {
    const std::string_view rest(reinterpret_cast<const char*>(data) + 4, size - 4);
    switch (data[0] & 3) {
        case 1:
            return "\n55148 " + std::string(rest) + " 00 0 0 45.0 UTC(NIST) *\n";
        case 3: {
            if (rest.size() < 6) return std::string(rest);
            const auto field = [&rest](int i, int modulus) {
                return static_cast<unsigned char>(rest[i]) % modulus;
            };
            char line[64];
            std::snprintf(line, sizeof line, "\n55148 %02d-%02d-%02d %02d:%02d:%02d 00 0 0 ",
                          field(0, 100), field(1, 14), field(2, 33), field(3, 26), field(4, 62),
                          field(5, 62));
            return line + std::string(rest.substr(6));
        }
        default:
            return std::string(rest);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace horvane;
    if (size < 4) return 0;
    std::int32_t shift;
    std::memcpy(&shift, data, sizeof shift);
    const DateTime now = AddSeconds(DateTime{2010, 11, 13, 12, 0, 0}, shift);
    FakeClock clock({now, 999});
    const std::string bytes = MakeReply(data, size);

    const std::optional<DaytimeReading> reading = ReadDaytimeReply(bytes, clock);
    if (reading) {
        const DateTime& t = reading->networkTime;
        Check(t >= DateTime{2000, 1, 1, 8, 0, 0} && t <= DateTime{2100, 1, 1, 7, 59, 59});
        Check(TryParseDateTime(FormatDateTime(t)) == t);
        Check(reading->clockOffset == SecondsBetween(t, now));
        Check(TruncatedSeconds(reading->clockOffset) == reading->clockOffset);
        // The text before any zero byte has a healthy sixth piece.
        const auto pieces = SplitText(std::string_view(bytes).substr(0, bytes.find('\0')), ' ');
        Check(pieces.size() >= 6 && pieces[5] == "0");
    }

    NetworkTime = kFirstDateTime;
    ClockOffset = 0.5;  // a value no reply can give
    int calls = 0;
    OnNetworkTimeKnown = [&calls] { ++calls; };
    {
        ScopedActiveClock active(clock);
        Check(HandleDaytimeReply(bytes) == reading.has_value());
    }
    OnNetworkTimeKnown = nullptr;
    if (reading) {
        Check(calls == 1 && NetworkTime == reading->networkTime &&
              ClockOffset == reading->clockOffset);
    } else {
        Check(calls == 0 && NetworkTime == kFirstDateTime && ClockOffset == 0.5);
    }
    return 0;
}
