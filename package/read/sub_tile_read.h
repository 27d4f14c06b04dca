// One sub-tile of a package read and decoded on its own, for callers that walk a level sub-tile by
// sub-tile (a GDAL block is one sub-tile). Only the block's sub-tile table and the sub-tile's own
// bytes are read, never the rest of the block.
#pragma once

#include <cstddef>
#include <cstdint>

#include "package_reader.h"

enum class SubTileResult {
    kDecoded,     // the sub-tile's pixels are in the buffer
    kAbsent,      // the tile is absent or the sub-tile empty; the buffer is untouched
    kUnreadable,  // the block's table or the sub-tile's bytes could not be read in full
    kCorrupt,     // the table puts the sub-tile outside its block or makes it longer than any
                  // sub-tile can be, or its WebP image does not state and decode to at most
                  // kSubTileSize x kSubTileSize pixels
};

// The tile (tileRow, tileColumn) of `level` has no block: all its sub-tiles read as empty, with
// nothing to read or decode. Tiles outside the level are absent.
bool TileIsAbsent(const PackageReader& reader, int level, std::uint32_t tileRow,
                  std::uint32_t tileColumn);

// Decodes sub-tile `subTile` (4 x sub-tile row + sub-tile column) of tile (tileRow, tileColumn) of
// `level` as RGBA bytes into `rgba`: kSubTileSize rows, `stride` bytes apart (at least
// kSubTileSize x 4). A sub-tile cropped at the image's edge fills only its top-left part. Tiles
// outside the level are absent.
SubTileResult ReadSubTileRgba(PackageReader& reader, int level, std::uint32_t tileRow,
                              std::uint32_t tileColumn, int subTile, std::uint8_t* rgba,
                              std::size_t stride);
