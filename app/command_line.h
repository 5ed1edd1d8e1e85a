#pragma once
// Portable: splitting the process command line into arguments, as the program reads it.

#include <string>
#include <string_view>
#include <vector>

namespace horvane {

// Splits a whole command line (program path first) into its arguments, the program path
// left out:
// - The program path: a line starting with a double quote runs to the next double quote,
//   which is skipped together with one space directly after it (without a closing quote the
//   whole line is the program path); otherwise it runs to the first space (only a space, not
//   a tab), which is skipped too.
// - Then bytes below '!' (space, tab, control characters) separate arguments. A double quote
//   starts a quoted argument that runs to the next double quote or the end of the line,
//   quotes not included (two quotes in a row give an empty argument). Any other byte starts
//   a plain argument that runs up to the next byte below '!' or the next double quote.
// - A byte of 0x80 or above and the byte after it form one double-byte character, which is
//   never split: its second byte ends nothing, whatever its value. A lone lead byte at the
//   very end of the line is dropped.
std::vector<std::string> SplitCommandLine(std::string_view commandLine);

// True when the line has at least one argument and the first is exactly "auto".
bool IsAutoModeCommandLine(std::string_view commandLine);

}  // namespace horvane
