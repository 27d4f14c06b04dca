#include "tile_block.h"

#include <algorithm>

bool AllSubTilesEmpty(const EncodedSubTiles& subTiles) {
    return std::all_of(subTiles.begin(), subTiles.end(),
                       [](const std::vector<std::uint8_t>& bytes) { return bytes.empty(); });
}

std::vector<std::uint8_t> AssembleTileBlock(const EncodedSubTiles& subTiles) {
    std::size_t size = kSubTileTableSize;
    for (const auto& bytes : subTiles) {
        size += bytes.size();
    }
    std::vector<std::uint8_t> block(size, 0);
    std::size_t start = kFirstSubTileStart;
    for (int n = 0; n < kSubTilesPerTile; ++n) {
        StoreI32(block.data() + 4 * n, static_cast<std::int32_t>(start));
        std::copy(subTiles[n].begin(), subTiles[n].end(), block.begin() + start);
        start += subTiles[n].size();
    }
    return block;
}
