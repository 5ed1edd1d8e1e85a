// The command-line splitting behind automatic mode: one row per rule.

#include "app/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace horvane {
namespace {

struct SplitCase {
    const char* name;
    std::string_view line;
    std::vector<std::string> arguments;
    bool autoMode;
};

// Double-byte characters are written as byte escapes, split from the following text so
// that no escape swallows a hex letter ("\x81\x22" "auto").
const SplitCase kCases[] = {
    {"plain", "h.exe auto", {"auto"}, true},
    {"empty line", "", {}, false},
    {"program path only", "h.exe", {}, false},
    {"trailing space", "h.exe ", {}, false},
    {"quoted program path then space", "\"C:\\Program Files\\h.exe\" auto", {"auto"}, true},
    {"quoted program path without space", "\"C:\\Program Files\\h.exe\"auto", {"auto"}, true},
    {"quoted program path then two spaces", "\"h.exe\"  auto", {"auto"}, true},
    {"unclosed program path quote", "\"C:\\Program Files\\h.exe auto", {}, false},
    {"tab does not end the program path", "h.exe\tauto", {}, false},
    {"quoted auto", "h.exe \"auto\"", {"auto"}, true},
    {"unclosed quoted auto", "h.exe \"auto", {"auto"}, true},
    {"upper case", "h.exe AUTO", {"AUTO"}, false},
    {"mixed case", "h.exe Auto", {"Auto"}, false},
    {"leading slash", "h.exe /auto", {"/auto"}, false},
    {"longer word", "h.exe autox", {"autox"}, false},
    {"auto second", "h.exe x auto", {"x", "auto"}, false},
    {"later arguments ignored", "h.exe auto x y", {"auto", "x", "y"}, true},
    {"tabs and control characters",
     "h.exe \t\x01"
     "auto\x1f\x7fx",
     {"auto", "\x7fx"},
     true},
    {"empty quoted argument", "h.exe \"\" auto", {"", "auto"}, false},
    {"empty quoted argument glued", "h.exe \"\"auto", {"", "auto"}, false},
    {"quoted argument keeps spaces", "h.exe \"a b\"c", {"a b", "c"}, false},
    {"quote ends a plain argument", "h.exe ab\"cd ef\"gh", {"ab", "cd ef", "gh"}, false},
    {"trail byte 0x22 in a plain argument",
     "h.exe \x81\x22"
     "auto",
     {"\x81\x22"
      "auto"},
     false},
    {"trail byte 0x20 in a plain argument",
     "h.exe \x81\x20"
     "a b",
     {"\x81\x20"
      "a",
      "b"},
     false},
    {"trail byte 0x22 in a quoted argument",
     "h.exe \"\x81\x22 x\" auto",
     {"\x81\x22 x", "auto"},
     false},
    {"lead byte before the closing quote", "h.exe \"ab\x81\"", {"ab\x81\""}, false},
    {"trail byte 0x22 in a quoted program path", "\"C:\\\x81\x22.exe\" auto", {"auto"}, true},
    {"trail byte 0x20 in a program path", "C:\\\x81\x20x.exe auto", {"auto"}, true},
    {"double-byte argument", "h.exe \xd7\xd4\xb6\xaf", {"\xd7\xd4\xb6\xaf"}, false},
    {"lone lead byte after auto", "h.exe auto\x81", {"auto"}, true},
    {"lone lead byte alone", "h.exe \x81", {}, false},
    {"lone lead byte in a quoted argument", "h.exe \"ab\x81", {"ab"}, false},
    {"lone lead byte ends the program path", "h.ex\x81", {}, false},
};

TEST(CommandLineTest, SplitsAndDetectsAutoMode) {
    for (const SplitCase& c : kCases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(SplitCommandLine(c.line), c.arguments);
        EXPECT_EQ(IsAutoModeCommandLine(c.line), c.autoMode);
    }
}

}  // namespace
}  // namespace horvane
