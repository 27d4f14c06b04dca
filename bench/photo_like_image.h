// A synthetic photograph for benchmarks: fractal noise in land-like colours with a little grain,
// so that WebP has texture to encode.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace bench_image {

// Smooth noise over a lattice of `cell` pixels, from a hash of the lattice points.
inline double LatticeValue(std::int64_t x, std::int64_t y, std::uint32_t salt) {
    std::uint64_t h = static_cast<std::uint64_t>(x) * 0x9E3779B97F4A7C15ull ^
                      static_cast<std::uint64_t>(y) * 0xC2B2AE3D27D4EB4Full ^ salt;
    h ^= h >> 31;
    h *= 0xBF58476D1CE4E5B9ull;
    h ^= h >> 29;
    return static_cast<double>(h & 0xFFFF) / 65535.0;
}

inline double SmoothNoise(double x, double y, std::uint32_t salt) {
    const double fx = std::floor(x), fy = std::floor(y);
    const auto ix = static_cast<std::int64_t>(fx), iy = static_cast<std::int64_t>(fy);
    const double tx = (x - fx) * (x - fx) * (3 - 2 * (x - fx));
    const double ty = (y - fy) * (y - fy) * (3 - 2 * (y - fy));
    const double top = LatticeValue(ix, iy, salt) * (1 - tx) + LatticeValue(ix + 1, iy, salt) * tx;
    const double bottom =
        LatticeValue(ix, iy + 1, salt) * (1 - tx) + LatticeValue(ix + 1, iy + 1, salt) * tx;
    return top * (1 - ty) + bottom * ty;
}

inline double Fractal(double x, double y, std::uint32_t salt) {
    double sum = 0, amplitude = 0.5, frequency = 1.0 / 256;
    for (int octave = 0; octave < 7; ++octave) {
        sum += amplitude * SmoothNoise(x * frequency, y * frequency, salt + octave);
        amplitude *= 0.5;
        frequency *= 2;
    }
    return sum;
}

inline std::vector<std::uint8_t> PhotoLikeImage(std::uint32_t width, std::uint32_t height) {
    std::vector<std::uint8_t> pixels(std::size_t{width} * height * 4);
    std::uint32_t grain = 1;
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x) {
            const double land = Fractal(x, y, 11), moisture = Fractal(x, y, 53);
            grain = grain * 1664525 + 1013904223;
            const double noise = static_cast<double>(grain >> 24) / 255.0 - 0.5;
            std::uint8_t* p = pixels.data() + (std::size_t{y} * width + x) * 4;
            auto channel = [&](double value) {
                return static_cast<std::uint8_t>(std::clamp(value * 255 + noise * 12, 0.0, 255.0));
            };
            p[0] = channel(0.25 + 0.6 * land - 0.2 * moisture);
            p[1] = channel(0.2 + 0.5 * land + 0.25 * moisture);
            p[2] = channel(0.15 + 0.35 * moisture + 0.2 * (1 - land));
            p[3] = 255;
        }
    }
    return pixels;
}

}  // namespace bench_image
