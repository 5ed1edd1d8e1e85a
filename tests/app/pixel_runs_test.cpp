// The runs of non-key pixels that window shapes are built from.

#include "app/pixel_runs.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace horvane {
namespace {

constexpr std::uint32_t K = 0x00FF00FF;  // the key colour
constexpr std::uint32_t A = 0x00102030;
constexpr std::uint32_t B = 0x00FFFFFF;

struct RunsCase {
    const char* name;
    int width;
    int height;
    std::vector<std::uint32_t> pixels;
    std::vector<PixelRun> runs;
};

const RunsCase kCases[] = {
    {"no key pixel", 3, 2, {A, B, A, B, A, B}, {{0, 0, 3}, {1, 0, 3}}},
    {"only key pixels", 3, 2, {K, K, K, K, K, K}, {}},
    {"key at both ends", 5, 1, {K, A, B, A, K}, {{0, 1, 4}}},
    {"key in the middle splits a row", 5, 1, {A, A, K, B, B}, {{0, 0, 2}, {0, 3, 5}}},
    {"alternating", 4, 1, {A, K, A, K}, {{0, 0, 1}, {0, 2, 3}}},
    {"corner staircase",
     4,
     3,
     {K, K, K, A,  //
      K, K, A, A,  //
      K, A, A, A},
     {{0, 3, 4}, {1, 2, 4}, {2, 1, 4}}},
    {"near-key colours count as different",
     3,
     1,
     {0x00FE00FF, 0x00FF01FF, 0x00FF00FE},
     {{0, 0, 3}}},
    {"the high byte is ignored", 3, 1, {0xFFFF00FF, A, 0x80FF00FF}, {{0, 1, 2}}},
    {"empty picture", 0, 0, {}, {}},
};

TEST(RunsDifferingFrom, GivesMaximalRunsRowByRow) {
    for (const RunsCase& c : kCases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(RunsDifferingFrom(c.pixels, c.width, c.height, K), c.runs);
    }
}

TEST(RunsDifferingFrom, RefusesTooFewPixels) {
    const std::vector<std::uint32_t> pixels(5, A);
    EXPECT_TRUE(RunsDifferingFrom(pixels, 3, 2, K).empty());
}

TEST(RunsDifferingFrom, KeyIsComparedOnItsColourBitsOnly) {
    const std::vector<std::uint32_t> pixels{A, K, A};
    EXPECT_EQ(RunsDifferingFrom(pixels, 3, 1, 0xAAFF00FF),
              (std::vector<PixelRun>{{0, 0, 1}, {0, 2, 3}}));
}

}  // namespace
}  // namespace horvane
