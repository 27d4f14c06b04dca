// Packages assembled by hand, for cases the writer never produces: any header bytes, tile blocks
// with any table, entries pointing anywhere.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "package_layout.h"
#include "test_images.h"

class CraftedPackage {
  public:
    CraftedPackage(std::uint32_t width, std::uint32_t height);

    const PackageLayout& Layout() const { return layout_; }
    std::vector<std::uint8_t>& Header() { return header_; }

    // Places `block` after the blocks added so far and points tile (row, column) of `level` at it.
    TileIndexEntry AddBlock(int level, std::uint32_t row, std::uint32_t column,
                            const std::vector<std::uint8_t>& block);
    void SetEntry(int level, std::uint32_t row, std::uint32_t column, const TileIndexEntry& entry);

    // The header, then the blocks.
    std::vector<std::uint8_t> Bytes() const;
    void Write(const std::string& path) const;

  private:
    PackageLayout layout_;
    std::vector<std::uint8_t> header_;
    std::vector<std::uint8_t> blocks_;
};

// Tile (row, column) of an image of one level as a block of lossless sub-tiles; sub-tiles on the
// right and bottom edge cropped to the image or padded to 512 x 512.
std::vector<std::uint8_t> TileBlockFromImage(const TestImage& level, std::uint32_t row,
                                             std::uint32_t column, bool fullSize);

// One sub-tile of `width` x `height` pixels of one colour, lossless.
std::vector<std::uint8_t> SolidSubTile(std::uint32_t pixel, std::uint32_t width = 512,
                                       std::uint32_t height = 512);

// A one-colour lossless WebP of any size up to 16384 x 16384, written bit by bit: no transform and
// a single-symbol code per channel, so its pixels take no bits at all. Encoding the rows of 100
// million pixels instead would cost seconds and a gigabyte.
std::vector<std::uint8_t> FlatWebP(std::uint32_t width, std::uint32_t height, std::uint32_t pixel);
