// SplitText on any text and delimiter (the first byte, kept below 0x80): the pieces are views
// into the text, in order, each followed by a delimiter that stands on a character boundary,
// except a last piece that runs to the end; no piece holds a delimiter on a boundary; and the
// pieces joined with the delimiter give the text, or the text without its final delimiter.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "net/reply.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

// Where characters start: a byte of 0x80 or above takes the next byte with it.
std::vector<bool> CharacterStarts(std::string_view text) {
    std::vector<bool> starts(text.size() + 1, false);
    std::size_t i = 0;
    while (i < text.size()) {
        starts[i] = true;
        i += static_cast<unsigned char>(text[i]) >= 0x80 ? 2 : 1;
    }
    starts[text.size()] = true;
    return starts;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const char delimiter = static_cast<char>(data[0] & 0x7F);
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::vector<std::string_view> pieces = horvane::SplitText(text, delimiter);
    const std::vector<bool> starts = CharacterStarts(text);

    std::size_t next = 0;  // where the next piece must begin
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        const std::string_view piece = pieces[i];
        Check(piece.data() == text.data() + next);
        const std::size_t end = next + piece.size();
        Check(end <= text.size());
        for (std::size_t p = next; p < end; ++p) Check(!(starts[p] && text[p] == delimiter));
        if (end == text.size()) {
            // Only the last piece may run to the end, and then it is not empty.
            Check(i + 1 == pieces.size() && !piece.empty());
        } else {
            Check(starts[end] && text[end] == delimiter);
        }
        next = end + 1;
    }
    // Everything after the last delimiter was taken: nothing but a final delimiter is left.
    Check(next == text.size() || next == text.size() + 1 || (pieces.empty() && text.empty()));

    std::string joined;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (i > 0) joined += delimiter;
        joined.append(pieces[i]);
    }
    Check(joined == text || joined + delimiter == text);
    return 0;
}
