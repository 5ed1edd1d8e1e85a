#include "net/server_list_ini.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <string>

namespace horvane {
namespace {

// A Horvane.ini of the test's own in the temporary folder, removed afterwards.
class IniFile {
  public:
    explicit IniFile(const std::string& text) {
        char folder[MAX_PATH];
        GetTempPathA(MAX_PATH, folder);
        char name[MAX_PATH];
        GetTempFileNameA(folder, "hvi", 0, name);
        path_ = name;
        std::ofstream(path_, std::ios::binary) << text;
    }
    ~IniFile() { DeleteFileA(path_.c_str()); }
    IniFile(const IniFile&) = delete;
    IniFile& operator=(const IniFile&) = delete;

    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

struct IniCase {
    const char* name;
    const char* text;
    DaytimeServerList expected;
};

TEST(LoadDaytimeServerList, ReadsConsecutiveServerKeysAndSkipsMalformedEntries) {
    const DaytimeServerList builtIn = BuiltInDaytimeServers();
    const IniCase cases[] = {
        {"hosts and ports in key order",
         "[Servers]\r\nServer1=127.0.0.1:47013\r\nServer2=time.example.org\r\n",
         {{"127.0.0.1", 47013}, {"time.example.org", 13}}},
        {"keys in any order in the file, read by number",
         "[Servers]\nServer2=b.example\nServer1=a.example\n",
         {{"a.example", 13}, {"b.example", 13}}},
        {"malformed and empty entries skipped, the keys after them still read",
         "[Servers]\nServer1=bad host\nServer2=\nServer3=c.example:0\nServer4=d.example:1313\n",
         {{"d.example", 1313}}},
        {"the list ends at the first missing key",
         "[Servers]\nServer1=a.example\nServer2=b.example\nServer4=d.example\n",
         {{"a.example", 13}, {"b.example", 13}}},
        {"blanks around keys and values",
         "[Servers]\n  Server1 =  a.example:99  \n",
         {{"a.example", 99}}},
        {"other sections are not read",
         "[Other]\nServer1=x.example\n[Servers]\nServer1=y.example\n",
         {{"y.example", 13}}},
        {"no usable entry: the built-in list", "[Servers]\nServer1=no good\n", builtIn},
        {"no Server1: the built-in list", "[Servers]\nServer2=b.example\n", builtIn},
        {"no section: the built-in list", "[Other]\nServer1=a.example\n", builtIn},
        {"empty file: the built-in list", "", builtIn},
    };
    for (const IniCase& c : cases) {
        SCOPED_TRACE(c.name);
        const IniFile ini(c.text);
        EXPECT_EQ(LoadDaytimeServerList(ini.path()), c.expected);
    }
}

TEST(LoadDaytimeServerList, AMissingFileGivesTheBuiltInList) {
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    EXPECT_EQ(LoadDaytimeServerList(std::string(folder) + "no-such-folder\\Horvane.ini"),
              BuiltInDaytimeServers());
}

}  // namespace
}  // namespace horvane
