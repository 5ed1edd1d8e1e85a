#include "app/run_location.h"

#include <cstddef>

namespace horvane {

namespace {

bool IsLeadByte(char c) { return static_cast<unsigned char>(c) >= 0x80; }

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Whether `text` at `pos` starts with `pattern`, ASCII letters compared without case.
bool MatchesAt(std::string_view text, std::size_t pos, std::string_view pattern) {
    if (text.size() - pos < pattern.size()) return false;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (AsciiLower(text[pos + i]) != AsciiLower(pattern[i])) return false;
    }
    return true;
}

}  // namespace

RunLocation SplitModulePath(std::string_view modulePath) {
    std::size_t lastBackslash = std::string_view::npos;
    for (std::size_t i = 0; i < modulePath.size();) {
        if (IsLeadByte(modulePath[i])) {
            i += 2;  // the trail byte belongs to this character
            continue;
        }
        if (modulePath[i] == '\\') lastBackslash = i;
        ++i;
    }
    if (lastBackslash == std::string_view::npos) return {std::string(), std::string(modulePath)};
    return {std::string(modulePath.substr(0, lastBackslash)),
            std::string(modulePath.substr(lastBackslash + 1))};
}

bool IsTempFolderPath(std::string_view runDirectory) {
    const std::string text = std::string(runDirectory) + "\\";
    constexpr std::string_view kTempFolder = "\\Temp\\";
    for (std::size_t i = 0; i < text.size(); i += IsLeadByte(text[i]) ? 2 : 1) {
        if (MatchesAt(text, i, kTempFolder)) return true;
    }
    return false;
}

}  // namespace horvane
