#include "net/server_list.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "net/daytime_line.h"

namespace horvane {
namespace {

TEST(BuiltInDaytimeServers, AreTheFiveNistHostsOnPort13InOrder) {
    const DaytimeServerList expected{
        {"time.nist.gov", 13},       {"time-a-g.nist.gov", 13},   {"time-b-g.nist.gov", 13},
        {"time-a-wwv.nist.gov", 13}, {"time-b-wwv.nist.gov", 13},
    };
    EXPECT_EQ(BuiltInDaytimeServers(), expected);
}

struct AddressCase {
    const char* text;
    std::optional<ServerAddress> expected;
};

TEST(ParseServerAddress, ReadsHostAndOptionalPortAndRejectsTheMalformed) {
    const AddressCase cases[] = {
        {"time.nist.gov", ServerAddress{"time.nist.gov", 13}},
        {"127.0.0.1:47013", ServerAddress{"127.0.0.1", 47013}},
        {"localhost:1", ServerAddress{"localhost", 1}},
        {"host_name-1.example:65535", ServerAddress{"host_name-1.example", 65535}},
        {"  padded.example:80 \t", ServerAddress{"padded.example", 80}},
        {"leading.zeros:00013", ServerAddress{"leading.zeros", 13}},
        {"", std::nullopt},
        {"   ", std::nullopt},
        {":13", std::nullopt},
        {"host:", std::nullopt},
        {"host:0", std::nullopt},
        {"host:65536", std::nullopt},
        {"host:123456", std::nullopt},
        {"host:-13", std::nullopt},
        {"host:+13", std::nullopt},
        {"host:1 3", std::nullopt},
        {"host:13x", std::nullopt},
        {"a:b:c", std::nullopt},
        {"host:13:14", std::nullopt},
        {"two words", std::nullopt},
        {"[::1]:13", std::nullopt},
        {"host/path", std::nullopt},
        {".leading.dot", std::nullopt},
        {"-leading-dash", std::nullopt},
        {"\xb7\xfe\xce\xf1\xc6\xf7", std::nullopt},  // GBK bytes are no host name
    };
    for (const AddressCase& c : cases) {
        EXPECT_EQ(ParseServerAddress(c.text), c.expected) << "text: \"" << c.text << '"';
    }
    EXPECT_EQ(ParseServerAddress(std::string(255, 'a')),
              (ServerAddress{std::string(255, 'a'), 13}));
    EXPECT_EQ(ParseServerAddress(std::string(256, 'a')), std::nullopt);
}

TEST(DaytimeServerListFrom, KeepsUsableEntriesInOrderAndFallsBackToTheBuiltInList) {
    EXPECT_EQ(DaytimeServerListFrom({"b.example", "bad entry", "a.example:1313", "x:0", ""}),
              (DaytimeServerList{{"b.example", 13}, {"a.example", 1313}}));
    EXPECT_EQ(DaytimeServerListFrom({"only.example"}), (DaytimeServerList{{"only.example", 13}}));
    EXPECT_EQ(DaytimeServerListFrom({}), BuiltInDaytimeServers());
    EXPECT_EQ(DaytimeServerListFrom({"", "no good", "h:0"}), BuiltInDaytimeServers());
    // The same server twice is kept twice: the list is taken as written.
    EXPECT_EQ(DaytimeServerListFrom({"a", "a"}), (DaytimeServerList{{"a", 13}, {"a", 13}}));
}

struct LineCase {
    std::string bytes;
    std::size_t expected;
};

TEST(CompleteLineLength, EndsAtTheFirstLineFeedAfterTheContent) {
    const std::string nist = "\n55503 10-11-13 04:05:06 00 0 0  45.0 UTC(NIST) *\n";
    const LineCase cases[] = {
        {nist, nist.size()},
        {nist + "more after the line", nist.size()},
        {nist.substr(0, nist.size() - 1), 0},  // the last line feed still to come
        {nist.substr(0, 20), 0},
        {"\n", 0},
        {"\n\n\n", 0},
        {"", 0},
        {"abc\n", 4},
        {"\n\nabc\ndef\n", 6},
        {"\r\n", 2},
        {std::string("\n\0x\n", 4), 4},
    };
    for (const LineCase& c : cases) {
        EXPECT_EQ(CompleteLineLength(c.bytes), c.expected)
            << "bytes: " << testing::PrintToString(c.bytes);
    }
}

}  // namespace
}  // namespace horvane
