#include "pixel_halving.h"

namespace {

constexpr int kChannels = 4;
constexpr int kAlpha = 3;

// Averages `count` pixels (1, 2 or 4), colours weighted by alpha, rounding to nearest.
void AveragePixels(const std::uint8_t* const* pixels, std::uint32_t count, std::uint8_t* output) {
    std::uint32_t alphaSum = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        alphaSum += pixels[i][kAlpha];
    }
    if (alphaSum == 0) {
        for (int channel = 0; channel < kChannels; ++channel) {
            output[channel] = 0;
        }
        return;
    }
    for (int channel = 0; channel < kAlpha; ++channel) {
        std::uint32_t weighted = 0;
        for (std::uint32_t i = 0; i < count; ++i) {
            weighted += std::uint32_t{pixels[i][channel]} * pixels[i][kAlpha];
        }
        output[channel] = static_cast<std::uint8_t>((weighted + alphaSum / 2) / alphaSum);
    }
    output[kAlpha] = static_cast<std::uint8_t>((alphaSum + count / 2) / count);
}

}  // namespace

void HalveRows(const std::uint8_t* upper, const std::uint8_t* lower, std::uint32_t width,
               std::uint8_t* output) {
    const std::uint32_t outputWidth = (width + 1) / 2;
    for (std::uint32_t x = 0; x < outputWidth; ++x) {
        const std::uint32_t left = 2 * x;
        const bool hasRight = left + 1 < width;
        const std::uint8_t* pixels[4];
        std::uint32_t count = 0;
        pixels[count++] = upper + kChannels * left;
        if (hasRight) {
            pixels[count++] = upper + kChannels * (left + 1);
        }
        if (lower != nullptr) {
            pixels[count++] = lower + kChannels * left;
            if (hasRight) {
                pixels[count++] = lower + kChannels * (left + 1);
            }
        }
        AveragePixels(pixels, count, output + kChannels * x);
    }
}
