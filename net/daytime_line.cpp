#include "net/daytime_line.h"

namespace horvane {

std::size_t CompleteLineLength(std::string_view bytes) {
    const std::size_t content = bytes.find_first_not_of('\n');
    if (content == std::string_view::npos) return 0;
    const std::size_t end = bytes.find('\n', content);
    if (end == std::string_view::npos) return 0;
    return end + 1;
}

}  // namespace horvane
