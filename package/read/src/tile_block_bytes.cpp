#include "tile_block_bytes.h"

bool BlockInsideSource(ByteSource& source, const TileIndexEntry& entry) {
    const std::optional<std::uint64_t> size = source.Size();
    return !size || (entry.blockOffset <= *size && entry.blockSize <= *size - entry.blockOffset);
}

SubTileRange SubTileBytes(const std::uint8_t* table, std::uint32_t blockSize, int n) {
    SubTileRange range;
    range.start = n == 0 ? kFirstSubTileStart : LoadI32(table + 4 * n);
    range.end = n == kSubTilesPerTile - 1 ? static_cast<std::int32_t>(blockSize)
                                          : LoadI32(table + 4 * (n + 1));
    return range;
}
