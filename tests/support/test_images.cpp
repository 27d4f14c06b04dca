#include "test_images.h"

#include <cstring>

std::uint32_t Rgba(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a) {
    const std::uint8_t bytes[4] = {r, g, b, a};
    std::uint32_t pixel;
    std::memcpy(&pixel, bytes, sizeof pixel);
    return pixel;
}

std::uint32_t TestImage::Pixel(std::uint32_t x, std::uint32_t y) const {
    std::uint32_t pixel;
    std::memcpy(&pixel, bytes.data() + y * Stride() + std::size_t{x} * 4, sizeof pixel);
    return pixel;
}

void TestImage::SetPixel(std::uint32_t x, std::uint32_t y, std::uint32_t pixel) {
    std::memcpy(bytes.data() + y * Stride() + std::size_t{x} * 4, &pixel, sizeof pixel);
}

TestImage SolidImage(std::uint32_t width, std::uint32_t height, std::uint32_t pixel) {
    TestImage image(width, height);
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x) {
            image.SetPixel(x, y, pixel);
        }
    }
    return image;
}

std::uint32_t CoordinatePixel(std::uint32_t x, std::uint32_t y, std::uint32_t block) {
    const std::uint32_t bx = x / block;
    const std::uint32_t by = y / block;
    return Rgba(static_cast<std::uint8_t>(bx), static_cast<std::uint8_t>(by),
                static_cast<std::uint8_t>((bx >> 8) | (by >> 8) << 4), 255);
}

TestImage CoordinateImage(std::uint32_t width, std::uint32_t height, std::uint32_t block) {
    TestImage image(width, height);
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x) {
            image.SetPixel(x, y, CoordinatePixel(x, y, block));
        }
    }
    return image;
}
