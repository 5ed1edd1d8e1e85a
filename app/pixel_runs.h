#pragma once
// Portable: the horizontal runs of a picture's pixels that differ from a key colour.

#include <cstdint>
#include <span>
#include <vector>

namespace horvane {

// Pixels [left, right) of one row.
struct PixelRun {
    int row = 0;
    int left = 0;
    int right = 0;

    friend bool operator==(const PixelRun&, const PixelRun&) = default;
};

// Scans `pixels` (rows top to bottom, `width` pixels each, colours compared on their low 24
// bits only) and returns, row by row and left to right, the maximal runs of pixels whose
// colour is not exactly `key`. `pixels` must hold width * height values.
std::vector<PixelRun> RunsDifferingFrom(std::span<const std::uint32_t> pixels, int width,
                                        int height, std::uint32_t key);

}  // namespace horvane
