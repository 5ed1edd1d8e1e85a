#include "app/pixel_runs.h"

#include <cstddef>

namespace horvane {

std::vector<PixelRun> RunsDifferingFrom(std::span<const std::uint32_t> pixels, int width,
                                        int height, std::uint32_t key) {
    std::vector<PixelRun> runs;
    if (width <= 0 || height <= 0) return runs;
    if (pixels.size() < static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {
        return runs;
    }
    constexpr std::uint32_t kColourBits = 0x00FFFFFF;
    key &= kColourBits;
    for (int y = 0; y < height; ++y) {
        const std::uint32_t* row = pixels.data() + static_cast<std::size_t>(y) * width;
        int x = 0;
        while (x < width) {
            while (x < width && (row[x] & kColourBits) == key) ++x;
            if (x == width) break;
            const int left = x;
            while (x < width && (row[x] & kColourBits) != key) ++x;
            runs.push_back({y, left, x});
        }
    }
    return runs;
}

}  // namespace horvane
