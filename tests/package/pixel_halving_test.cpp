// Building the next pyramid level: colours weighted by alpha, no colour from pixels without data.
#include <gtest/gtest.h>

#include "pixel_halving.h"
#include "test_images.h"

namespace {

std::vector<std::uint32_t> Halve(const std::vector<std::uint32_t>& upper,
                                 const std::vector<std::uint32_t>* lower) {
    std::vector<std::uint32_t> output((upper.size() + 1) / 2, 0xFFFFFFFF);
    HalveRows(reinterpret_cast<const std::uint8_t*>(upper.data()),
              lower ? reinterpret_cast<const std::uint8_t*>(lower->data()) : nullptr,
              static_cast<std::uint32_t>(upper.size()),
              reinterpret_cast<std::uint8_t*>(output.data()));
    return output;
}

}  // namespace

TEST(HalveRows, AveragesOpaquePixelsRoundingToNearest) {
    const std::vector<std::uint32_t> upper = {Rgba(0, 10, 255, 255), Rgba(1, 20, 255, 255)};
    const std::vector<std::uint32_t> lower = {Rgba(0, 30, 0, 255), Rgba(1, 41, 0, 255)};
    // Sums 2, 101, 510: 0.5 -> 1, 25.25 -> 25, 127.5 -> 128.
    EXPECT_EQ(Halve(upper, &lower), (std::vector<std::uint32_t>{Rgba(1, 25, 128, 255)}));
}

TEST(HalveRows, PixelsWithoutDataLendNoColour) {
    const std::vector<std::uint32_t> upper = {Rgba(200, 100, 50, 255), Rgba(0, 255, 0, 0)};
    const std::vector<std::uint32_t> lower = {Rgba(255, 255, 255, 0), Rgba(9, 9, 9, 0)};
    EXPECT_EQ(Halve(upper, &lower), (std::vector<std::uint32_t>{Rgba(200, 100, 50, 64)}));

    const std::vector<std::uint32_t> none = {Rgba(5, 6, 7, 0), Rgba(8, 9, 10, 0)};
    EXPECT_EQ(Halve(none, &none), (std::vector<std::uint32_t>{0u}));
}

TEST(HalveRows, ColoursAreWeightedByAlpha) {
    const std::vector<std::uint32_t> upper = {Rgba(100, 0, 0, 255), Rgba(0, 0, 200, 85)};
    const std::vector<std::uint32_t> lower = {Rgba(100, 0, 0, 0), Rgba(0, 0, 0, 0)};
    // red (100 x 255) / 340 = 75, blue (200 x 85) / 340 = 50, alpha 340 / 4 = 85.
    EXPECT_EQ(Halve(upper, &lower), (std::vector<std::uint32_t>{Rgba(75, 0, 50, 85)}));
}

TEST(HalveRows, OddEdgesAverageOnlyThePixelsThereAre) {
    const std::vector<std::uint32_t> upper = {Rgba(10, 0, 0, 255), Rgba(20, 0, 0, 255),
                                              Rgba(30, 0, 0, 255)};
    const std::vector<std::uint32_t> lower = {Rgba(10, 0, 0, 255), Rgba(20, 0, 0, 255),
                                              Rgba(50, 0, 0, 255)};
    EXPECT_EQ(Halve(upper, &lower),
              (std::vector<std::uint32_t>{Rgba(15, 0, 0, 255), Rgba(40, 0, 0, 255)}));
    // The last row of an odd height has no row below it.
    EXPECT_EQ(Halve(upper, nullptr),
              (std::vector<std::uint32_t>{Rgba(15, 0, 0, 255), Rgba(30, 0, 0, 255)}));
    const std::vector<std::uint32_t> half = {Rgba(0, 0, 0, 255), Rgba(0, 0, 0, 0)};
    EXPECT_EQ(Halve(half, nullptr), (std::vector<std::uint32_t>{Rgba(0, 0, 0, 128)}));
}
