#include "scope/ScopeBitmap.h"

#include "scope/ScopeConstants.h"

namespace morlo::scope {
namespace {

constexpr int kTrueColourBits = 24;
constexpr int kWideColourBits = 32;
constexpr int kRowAlignBits = 32;
constexpr int kBitsPerByte = 8;
constexpr std::uint16_t kPlanes = 1;
constexpr std::uint32_t kUncompressed = 0;

void Put16(std::string& out, std::uint16_t value) {
    out.push_back(static_cast<char>(value & 0xFF));
    out.push_back(static_cast<char>(value >> 8));
}

void Put32(std::string& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<char>((value >> shift) & 0xFF));
    }
}

}  // namespace

int BitmapBitCount(int displayDepth) {
    return displayDepth <= kTrueColourBits ? kTrueColourBits : kWideColourBits;
}

std::string WriteBitmap(const PixelImage& image, int bitCount) {
    if (image.width <= 0 || image.height <= 0 ||
        image.pixels.size() !=
            static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) ||
        (bitCount != kTrueColourBits && bitCount != kWideColourBits)) {
        return {};
    }
    const auto width = static_cast<std::uint32_t>(image.width);
    const auto height = static_cast<std::uint32_t>(image.height);
    const std::uint32_t rowBytes =
        (static_cast<std::uint32_t>(bitCount) * width + kRowAlignBits - 1) / kRowAlignBits * 4;
    const std::uint32_t pixelOffset = kBitmapFileHeaderBytes + kBitmapInfoHeaderBytes;
    const std::uint32_t fileSize = pixelOffset + rowBytes * height;

    std::string out;
    out.reserve(fileSize);
    Put16(out, kBitmapType);
    Put32(out, fileSize);
    Put16(out, 0);
    Put16(out, 0);
    Put32(out, pixelOffset);

    Put32(out, kBitmapInfoHeaderBytes);
    Put32(out, width);
    Put32(out, height);  // positive: rows bottom-up
    Put16(out, kPlanes);
    Put16(out, static_cast<std::uint16_t>(bitCount));
    Put32(out, kUncompressed);
    for (int field = 0; field < 5; ++field) {  // image size, resolutions, colours used/important
        Put32(out, 0);
    }

    const int bytesPerPixel = bitCount / kBitsPerByte;
    for (std::uint32_t row = height; row-- > 0;) {
        const std::size_t start = out.size();
        for (std::uint32_t x = 0; x < width; ++x) {
            const std::uint32_t argb = image.pixels[row * width + x];
            out.push_back(static_cast<char>(argb & 0xFF));          // blue
            out.push_back(static_cast<char>((argb >> 8) & 0xFF));   // green
            out.push_back(static_cast<char>((argb >> 16) & 0xFF));  // red
            if (bytesPerPixel == 4) {
                out.push_back(0);
            }
        }
        out.resize(start + rowBytes, '\0');
    }
    return out;
}

}  // namespace morlo::scope
