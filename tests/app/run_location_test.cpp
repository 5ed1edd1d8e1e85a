// Where the program runs from: the module path cut at its last backslash, and the refusal
// of temporary folders. One table per rule.

#include "app/run_location.h"

#include <gtest/gtest.h>

#include <string_view>

namespace horvane {
namespace {

// Double-byte characters are byte escapes, split from the following text so that no escape
// swallows a hex letter. "\x81\x5c" is a GBK character whose second byte is the backslash.
struct SplitCase {
    const char* name;
    std::string_view path;
    std::string_view directory;
    std::string_view fileName;
};

const SplitCase kSplitCases[] = {
    {"folder and name", "D:\\tools\\a.exe", "D:\\tools", "a.exe"},
    {"drive root", "D:\\a.exe", "D:", "a.exe"},
    {"deep folder", "C:\\x\\y\\z\\Horvane.exe", "C:\\x\\y\\z", "Horvane.exe"},
    {"no backslash", "a.exe", "", "a.exe"},
    {"empty path", "", "", ""},
    {"trailing backslash", "C:\\dir\\", "C:\\dir", ""},
    {"network path", "\\\\server\\share\\a.exe", "\\\\server\\share", "a.exe"},
    {"GBK name", "C:\\\xb9\xa4\xbe\xdf\\\xd0\xa3\xca\xb1.exe", "C:\\\xb9\xa4\xbe\xdf",
     "\xd0\xa3\xca\xb1.exe"},
    {"trail byte 0x5c in the name",
     "C:\\dir\\a\x81\x5c"
     "b.exe",
     "C:\\dir",
     "a\x81\x5c"
     "b.exe"},
    {"trail byte 0x5c ends the path", "C:\\dir\\\x81\x5c", "C:\\dir", "\x81\x5c"},
    {"trail byte 0x5c in the folder", "C:\\\x81\x5c\\a.exe", "C:\\\x81\x5c", "a.exe"},
    {"lone lead byte at the end", "C:\\dir\\a\x81", "C:\\dir", "a\x81"},
    {"lead byte swallows a backslash only once", "C:\\\x81\\\\a.exe", "C:\\\x81\\", "a.exe"},
};

TEST(SplitModulePath, CutsAtTheLastBackslashOfWholeCharacters) {
    for (const SplitCase& c : kSplitCases) {
        SCOPED_TRACE(c.name);
        const RunLocation location = SplitModulePath(c.path);
        EXPECT_EQ(location.directory, c.directory);
        EXPECT_EQ(location.fileName, c.fileName);
    }
}

struct TempCase {
    const char* name;
    std::string_view runDirectory;
    bool refused;
};

const TempCase kTempCases[] = {
    {"user temp subfolder", "C:\\Users\\x\\AppData\\Local\\Temp\\abc", true},
    {"folder ending in TEMP", "D:\\TEMP", true},
    {"folder ending in Temp", "C:\\Windows\\Temp", true},
    {"mixed case", "E:\\tEmP\\x", true},
    {"Temp at the start of a longer name", "D:\\Temperature", false},
    {"Temp at the end of a longer name", "D:\\MyTemp\\bin", false},
    {"no backslash before Temp", "Temp", false},
    {"drive root", "D:", false},
    {"empty", "", false},
    {"Tmp is not Temp", "C:\\Tmp", false},
    {"GBK folder then Temp", "C:\\\xd0\xa3\xca\xb1\\Temp\\x", true},
    {"backslash only as a trail byte before Temp",
     "C:\\a\x81\x5c"
     "Temp\\x",
     false},
    {"trail byte then a real backslash", "C:\\a\x81\x5c\\Temp", true},
    {"lead byte swallows the backslash before Temp", "C:\\\x81\\Temp", false},
};

TEST(IsTempFolderPath, FindsBackslashTempBackslashAtCharacterStarts) {
    for (const TempCase& c : kTempCases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(IsTempFolderPath(c.runDirectory), c.refused);
    }
}

}  // namespace
}  // namespace horvane
