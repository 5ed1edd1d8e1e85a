#pragma once

#include <cstddef>
#include <string_view>

namespace horvane {

// The most bytes gathered from one Daytime connection; a server that sends more without
// finishing its line is cut off and its bytes dropped.
inline constexpr std::size_t kMaxDaytimeReplyBytes = 4096;

// The length of the first complete line in `bytes`: up to and including the first line feed
// that follows the line's content (line feeds before the content, like the one a NIST server
// sends first, belong to the line). 0 while no line is complete.
std::size_t CompleteLineLength(std::string_view bytes);

}  // namespace horvane
