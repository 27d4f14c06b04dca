// What a tile block's first bytes say: whether the block lies inside its source, and where each
// sub-tile's bytes lie in it. Shared by the region read and the single sub-tile read.
#pragma once

#include <cstdint>

#include "byte_source.h"
#include "package_format.h"

// The block's whole range lies inside the source, when the source knows its size. A block reaching
// past the end is a short read, found before any buffer for it is allocated.
bool BlockInsideSource(ByteSource& source, const TileIndexEntry& entry);

// Byte range [start, end) of one sub-tile, counted from the start of its block.
struct SubTileRange {
    std::int64_t start = 0;
    std::int64_t end = 0;

    bool Empty() const { return end <= start; }
    // A non-empty range that starts after the table and ends inside the block.
    bool InsideBlock(std::uint32_t blockSize) const {
        return start >= kFirstSubTileStart && end <= blockSize;
    }
};

// Sub-tile `n` (0 to 15) of a block of `blockSize` bytes whose sub-tile table is `table`
// (kSubTileTableSize bytes): sub-tile 0 starts after the table, each ends where the next starts,
// and the last one runs to the end of the block.
SubTileRange SubTileBytes(const std::uint8_t* table, std::uint32_t blockSize, int n);
