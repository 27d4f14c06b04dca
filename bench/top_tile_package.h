// Benchmark packages of any size whose top level is one real tile of photo-like content and whose
// finer tiles are all absent: what the preview reads, made in seconds.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "header_builder.h"
#include "package_layout.h"
#include "package_writer.h"
#include "photo_like_image.h"

namespace bench_image {

inline constexpr GeoTransformCoefficients kBenchGeo = {500000.0, 1.0, 0.0, 4000000.0, 0.0, -1.0};

inline std::vector<std::uint8_t> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

struct BenchPackage {
    std::string path;
    std::uint32_t width = 0, height = 0;
    std::int32_t rows = 0;            // the preview's row count
    std::vector<std::uint8_t> block;  // the top tile's block
};

// A package of width x height whose top level is one real tile; every finer tile is absent.
inline BenchPackage MakeTopTilePackage(const std::string& folder, std::uint32_t width,
                                       std::uint32_t height, bool lossless) {
    BenchPackage package;
    package.path =
        folder + "/" + std::to_string(width) + (lossless ? "-lossless" : "-lossy") + ".qvrmp";
    package.width = width;
    package.height = height;
    package.rows = static_cast<std::int32_t>(height * 512.0 / width);

    const PackageLayout layout = MakePackageLayout(width, height);
    const int top = layout.topLevel;
    const std::uint32_t topWidth = layout.levelWidth[top], topHeight = layout.levelHeight[top];
    const std::vector<std::uint8_t> image = PhotoLikeImage(topWidth, topHeight);
    PackageWriteOptions options;
    options.lossless = lossless;
    options.threads = 2;
    const std::string small = package.path + ".top";
    const PackageWriteResult written = WritePackageFromRgba(
        small, image.data(), topWidth, topHeight, std::size_t{topWidth} * 4, kBenchGeo, options);
    if (!written.ok()) {
        std::fprintf(stderr, "%s\n", written.message().c_str());
        std::exit(1);
    }
    const std::vector<std::uint8_t> smallFile = ReadAll(small);
    std::filesystem::remove(small);
    const TileIndexEntry smallEntry{LoadU64(smallFile.data() + kTileIndexOffset),
                                    LoadU32(smallFile.data() + kTileIndexOffset + 8)};
    package.block.assign(smallFile.begin() + static_cast<std::ptrdiff_t>(smallEntry.blockOffset),
                         smallFile.begin() + static_cast<std::ptrdiff_t>(smallEntry.blockOffset +
                                                                         smallEntry.blockSize));

    std::vector<std::uint8_t> file = BuildPackageHeader(layout, kBenchGeo);
    SetIndexEntry(file, layout.EntryNumber(top, 0, 0),
                  TileIndexEntry{file.size(), static_cast<std::uint32_t>(package.block.size())});
    file.insert(file.end(), package.block.begin(), package.block.end());
    std::ofstream(package.path, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()),
               static_cast<std::streamsize>(file.size()));
    return package;
}

}  // namespace bench_image
