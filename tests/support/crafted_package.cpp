#include "crafted_package.h"

#include <gtest/gtest.h>

#include <algorithm>

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
