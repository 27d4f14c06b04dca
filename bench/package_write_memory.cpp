// Writes a package of a given size from photo-like content streamed in bands, and reports the
// time, the package's size and the process's peak memory:
//
//   build/bench/package_write_memory 60000 60000 [--lossless] [--threads N] [--quality Q]
//
// The content is a 2048 x 2048 photo-like texture repeated over the image, so producing it costs
// next to nothing beside encoding.
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "package_writer.h"
#include "photo_like_image.h"

namespace {

constexpr std::uint32_t kTexture = 2048;

using bench_image::LatticeValue;

// Value noise that wraps around the texture's edges, so the repeated texture has no seams.
double Noise(double x, double y, double period, std::uint32_t salt) {
    const double fx = std::floor(x), fy = std::floor(y);
    const auto p = static_cast<std::int64_t>(period);
    const auto ix = static_cast<std::int64_t>(fx) % p, iy = static_cast<std::int64_t>(fy) % p;
    const double tx = (x - fx) * (x - fx) * (3 - 2 * (x - fx));
    const double ty = (y - fy) * (y - fy) * (3 - 2 * (y - fy));
    const double top =
        LatticeValue(ix, iy, salt) * (1 - tx) + LatticeValue((ix + 1) % p, iy, salt) * tx;
    const double bottom = LatticeValue(ix, (iy + 1) % p, salt) * (1 - tx) +
                          LatticeValue((ix + 1) % p, (iy + 1) % p, salt) * tx;
    return top * (1 - ty) + bottom * ty;
}

std::vector<std::uint8_t> Texture() {
    std::vector<std::uint8_t> pixels(std::size_t{kTexture} * kTexture * 4);
    std::uint32_t grain = 1;
    for (std::uint32_t y = 0; y < kTexture; ++y) {
        for (std::uint32_t x = 0; x < kTexture; ++x) {
            double land = 0, wet = 0, amplitude = 0.5, cell = 256;
            for (int octave = 0; octave < 7; ++octave, amplitude /= 2, cell /= 2) {
                land += amplitude * Noise(x / cell, y / cell, kTexture / cell, 11 + octave);
                wet += amplitude * Noise(x / cell, y / cell, kTexture / cell, 53 + octave);
            }
            grain = grain * 1664525 + 1013904223;
            const double noise = static_cast<double>(grain >> 24) / 255.0 - 0.5;
            auto channel = [&](double value) {
                return static_cast<std::uint8_t>(std::clamp(value * 255 + noise * 12, 0.0, 255.0));
            };
            std::uint8_t* p = pixels.data() + (std::size_t{y} * kTexture + x) * 4;
            p[0] = channel(0.25 + 0.6 * land - 0.2 * wet);
            p[1] = channel(0.2 + 0.5 * land + 0.25 * wet);
            p[2] = channel(0.15 + 0.35 * wet + 0.2 * (1 - land));
            p[3] = 255;
        }
    }
    return pixels;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr,
                     "usage: package_write_memory WIDTH HEIGHT [--lossless] [--threads N] "
                     "[--quality Q]\n");
        return 2;
    }
    const auto width = static_cast<std::uint32_t>(std::strtoul(argv[1], nullptr, 10));
    const auto height = static_cast<std::uint32_t>(std::strtoul(argv[2], nullptr, 10));
    PackageWriteOptions options;
    for (int i = 3; i < argc; ++i) {
        if (std::strcmp(argv[i], "--lossless") == 0) {
            options.lossless = true;
        } else if (std::strcmp(argv[i], "--threads") == 0 && i + 1 < argc) {
            options.threads = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--quality") == 0 && i + 1 < argc) {
            options.quality = std::atoi(argv[++i]);
        }
    }
    const std::vector<std::uint8_t> texture = Texture();
    const RowStripSource source = [&](std::uint32_t firstRow, std::uint32_t rowCount,
                                     std::uint8_t* pixels, std::size_t stride, std::string&) {
        for (std::uint32_t row = 0; row < rowCount; ++row) {
            const std::uint8_t* line =
                texture.data() + std::size_t{(firstRow + row) % kTexture} * kTexture * 4;
            for (std::uint32_t x = 0; x < width; x += kTexture) {
                const std::uint32_t count = std::min(kTexture, width - x);
                std::memcpy(pixels + row * stride + std::size_t{x} * 4, line,
                            std::size_t{count} * 4);
            }
        }
        return StripContent::kPixels;
    };
    const std::string path =
        (std::filesystem::temp_directory_path() / "tarnview-write-memory.qvrmp").string();
    const auto start = std::chrono::steady_clock::now();
    const PackageWriteResult result =
        WritePackage(path, width, height, {0, 1, 0, 0, 0, -1}, source, options);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::filesystem::remove(path);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    if (!result.ok()) {
        std::fprintf(stderr, "%s\n", result.message().c_str());
        return 1;
    }
    std::printf(
        "%u x %u: %.1f s, %llu tiles, %llu sub-tiles, %.1f MB, %d levels, peak RSS %.0f MB\n",
        width, height, seconds, static_cast<unsigned long long>(result->tilesWritten),
        static_cast<unsigned long long>(result->subTilesWritten),
        static_cast<double>(result->bytesWritten) / 1e6, result->levels,
        static_cast<double>(usage.ru_maxrss) / 1024.0);
    return 0;
}
