#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace morlo::scope {

// A picture as rows of 0xAARRGGBB pixels, top row first.
struct PixelImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;  // width * height
};

// The bit count of a bitmap for a display of that depth: 24 up to 24 bits, 32 above.
int BitmapBitCount(int displayDepth);

// A Windows bitmap file without palette (24 or 32 bits): file header, 40-byte info header
// with every field beyond width, height, planes, bit count and compression 0, then the rows
// bottom-up, each padded to a multiple of 4 bytes. Empty for an empty picture.
std::string WriteBitmap(const PixelImage& image, int bitCount);

}  // namespace morlo::scope
