// Small RGBA images for package tests, and pixels as the reader delivers them.
#pragma once

#include <cstdint>
#include <vector>

// A pixel as one 32-bit value holding the bytes R, G, B, A in memory order, on any host.
std::uint32_t Rgba(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a);

struct TestImage {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<std::uint8_t> bytes;  // rows of width x 4 bytes

    TestImage(std::uint32_t w, std::uint32_t h)
        : width(w), height(h), bytes(std::size_t{w} * h * 4) {}
    std::size_t Stride() const { return std::size_t{width} * 4; }
    std::uint32_t Pixel(std::uint32_t x, std::uint32_t y) const;
    void SetPixel(std::uint32_t x, std::uint32_t y, std::uint32_t pixel);
};

TestImage SolidImage(std::uint32_t width, std::uint32_t height, std::uint32_t pixel);

// Opaque, each pixel's colour telling where it is: constant over blocks of `block` x `block`
// pixels, so that halving blocks of 2 or more keeps every colour exact.
std::uint32_t CoordinatePixel(std::uint32_t x, std::uint32_t y, std::uint32_t block);
TestImage CoordinateImage(std::uint32_t width, std::uint32_t height, std::uint32_t block);
