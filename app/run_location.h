#pragma once
// Portable: where the program runs from, worked out from the module path.

#include <string>
#include <string_view>

namespace horvane {

// The module path cut at its last backslash: the folder without a trailing backslash and
// the file name. With no backslash the folder is empty and the name is the whole path.
struct RunLocation {
    std::string directory;
    std::string fileName;

    friend bool operator==(const RunLocation&, const RunLocation&) = default;
};

// Splits `modulePath` (ANSI, double-byte code page) at its last backslash. A byte of 0x80 or
// above starts a two-byte character whose second byte is never taken for a backslash.
RunLocation SplitModulePath(std::string_view modulePath);

// Whether `runDirectory` + "\" contains "\Temp\", letters compared by the ASCII rule alone and
// the search stepping by whole characters, so a match never begins inside a two-byte one.
bool IsTempFolderPath(std::string_view runDirectory);

}  // namespace horvane
