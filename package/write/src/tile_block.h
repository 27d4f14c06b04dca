// A tile block from its 16 encoded sub-tiles: the table of sub-tile starts, then the sub-tiles in
// order. An empty sub-tile takes no bytes, so its start equals the next one's.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "package_format.h"

using EncodedSubTiles = std::array<std::vector<std::uint8_t>, kSubTilesPerTile>;

// True when no sub-tile holds data: such a tile is absent from the package.
bool AllSubTilesEmpty(const EncodedSubTiles& subTiles);

std::vector<std::uint8_t> AssembleTileBlock(const EncodedSubTiles& subTiles);
