#include "crafted_package.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "file_bytes.h"
#include "header_builder.h"
#include "subtile_encoder.h"
#include "tile_block.h"

CraftedPackage::CraftedPackage(std::uint32_t width, std::uint32_t height)
    : layout_(MakePackageLayout(width, height)),
      header_(BuildPackageHeader(layout_, {100.0, 0.5, 0.0, 200.0, 0.0, -0.5})) {}

TileIndexEntry CraftedPackage::AddBlock(int level, std::uint32_t row, std::uint32_t column,
                                        const std::vector<std::uint8_t>& block) {
    const TileIndexEntry entry{header_.size() + blocks_.size(),
                               static_cast<std::uint32_t>(block.size())};
    blocks_.insert(blocks_.end(), block.begin(), block.end());
    SetEntry(level, row, column, entry);
    return entry;
}

void CraftedPackage::SetEntry(int level, std::uint32_t row, std::uint32_t column,
                              const TileIndexEntry& entry) {
    SetIndexEntry(header_, layout_.EntryNumber(level, row, column), entry);
}

std::vector<std::uint8_t> CraftedPackage::Bytes() const {
    std::vector<std::uint8_t> bytes = header_;
    bytes.insert(bytes.end(), blocks_.begin(), blocks_.end());
    return bytes;
}

void CraftedPackage::Write(const std::string& path) const {
    WriteFileBytes(path, Bytes());
}

std::vector<std::uint8_t> TileBlockFromImage(const TestImage& level, std::uint32_t row,
                                             std::uint32_t column, bool fullSize) {
    TestImage copy = level;
    EncodedSubTiles subTiles;
    for (int j = 0; j < kSubTilesPerSide; ++j) {
        for (int k = 0; k < kSubTilesPerSide; ++k) {
            const std::uint32_t x = column * kTileSize + k * kSubTileSize;
            const std::uint32_t y = row * kTileSize + j * kSubTileSize;
            if (x >= level.width || y >= level.height) {
                continue;
            }
            PixelCell cell;
            cell.pixels = copy.bytes.data() + y * copy.Stride() + std::size_t{x} * 4;
            cell.stride = copy.Stride();
            cell.width = std::min(kSubTileSize, level.width - x);
            cell.height = std::min(kSubTileSize, level.height - y);
            if (!ClearTransparentPixels(cell)) {
                continue;
            }
            const SubTileSettings settings{true, 0, fullSize};
            EXPECT_EQ(EncodeSubTile(cell, settings, subTiles[kSubTilesPerSide * j + k]), 0);
        }
    }
    return AssembleTileBlock(subTiles);
}

std::vector<std::uint8_t> SolidSubTile(std::uint32_t pixel, std::uint32_t width,
                                       std::uint32_t height) {
    TestImage image = SolidImage(width, height, pixel);
    PixelCell cell{image.bytes.data(), image.Stride(), width, height};
    std::vector<std::uint8_t> encoded;
    EXPECT_EQ(EncodeSubTile(cell, SubTileSettings{true, 0, false}, encoded), 0);
    return encoded;
}

std::vector<std::uint8_t> FlatWebP(std::uint32_t width, std::uint32_t height, std::uint32_t pixel) {
    std::vector<std::uint8_t> stream = {0x2F};  // lossless signature
    std::uint64_t bits = 0;
    int used = 0;
    auto put = [&](std::uint32_t value, int count) {
        bits |= std::uint64_t{value} << used;
        used += count;
        while (used >= 8) {
            stream.push_back(static_cast<std::uint8_t>(bits));
            bits >>= 8;
            used -= 8;
        }
    };
    put(width - 1, 14);
    put(height - 1, 14);
    put(1, 1);  // alpha used
    put(0, 3);  // version
    put(0, 1);  // no transform
    put(0, 1);  // no colour cache
    put(0, 1);  // one group of codes for the whole image
    std::uint8_t rgba[4];
    std::memcpy(rgba, &pixel, 4);
    for (const std::uint8_t symbol : {rgba[1], rgba[0], rgba[2], rgba[3]}) {  // G, R, B, A
        put(1, 1);                                                            // simple code
        put(0, 1);                                                            // of one symbol
        put(1, 1);                                                            // of 8 bits
        put(symbol, 8);
    }
    put(1, 1);  // distance code: one symbol, 0, of 1 bit
    put(0, 1);
    put(0, 1);
    put(0, 1);
    put(0, 7);  // flush the last byte
    if (stream.size() % 2 != 0) {
        stream.push_back(0);
    }
    std::vector<std::uint8_t> file(20);
    std::memcpy(file.data(), "RIFF", 4);
    StoreU32(file.data() + 4, static_cast<std::uint32_t>(12 + stream.size()));
    std::memcpy(file.data() + 8, "WEBPVP8L", 8);
    StoreU32(file.data() + 16, static_cast<std::uint32_t>(stream.size()));
    file.resize(20 + stream.size());
    std::copy(stream.begin(), stream.end(), file.begin() + 20);
    return file;
}
