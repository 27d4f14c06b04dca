#include "sub_tile_read.h"

#include <memory>

#include "tile_block_bytes.h"

namespace {

bool ReadExactly(ByteSource& source, std::uint64_t offset, void* buffer, std::size_t size) {
    const ReadResult read = source.ReadAt(offset, buffer, size);
    return read.ok && read.count == size;
}

bool TileInLevel(const PackageReader& reader, int level, std::uint32_t tileRow,
                 std::uint32_t tileColumn) {
    return level >= 0 && static_cast<std::uint32_t>(level) <= reader.TopLevel() &&
           level < kMaxLevels && tileRow < static_cast<std::uint32_t>(reader.levelRows[level]) &&
           tileColumn < static_cast<std::uint32_t>(reader.levelColumns[level]);
}

// The tile's index entry; an absent one for tiles outside the level.
TileIndexEntry TileEntry(const PackageReader& reader, int level, std::uint32_t tileRow,
                         std::uint32_t tileColumn) {
    if (!TileInLevel(reader, level, tileRow, tileColumn)) {
        return TileIndexEntry{};
    }
    return reader.IndexEntry(static_cast<std::uint32_t>(reader.levelBase[level]) +
                             static_cast<std::uint32_t>(reader.levelColumns[level]) * tileRow +
                             tileColumn);
}

}  // namespace

bool TileIsAbsent(const PackageReader& reader, int level, std::uint32_t tileRow,
                  std::uint32_t tileColumn) {
    return TileEntry(reader, level, tileRow, tileColumn).IsAbsent();
}

SubTileResult ReadSubTileRgba(PackageReader& reader, int level, std::uint32_t tileRow,
                              std::uint32_t tileColumn, int subTile, std::uint8_t* rgba,
                              std::size_t stride) {
    if (!reader.source || subTile < 0 || subTile >= kSubTilesPerTile) {
        return SubTileResult::kAbsent;
    }
    const TileIndexEntry entry = TileEntry(reader, level, tileRow, tileColumn);
    if (entry.IsAbsent()) {
        return SubTileResult::kAbsent;
    }
    ByteSource& source = *reader.source;
    if (!BlockInsideSource(source, entry)) {
        return SubTileResult::kUnreadable;
    }
    if (entry.blockSize < kSubTileTableSize) {
        return SubTileResult::kCorrupt;  // no sub-tile fits a block shorter than its table
    }
    std::uint8_t table[kSubTileTableSize];
    if (!ReadExactly(source, entry.blockOffset, table, sizeof table)) {
        return SubTileResult::kUnreadable;
    }
    std::unique_ptr<std::uint8_t[]> bytes;
    std::size_t size = 0;
    switch (FetchSubTile(source, entry, table, subTile, bytes, size)) {
        case SubTileFetch::kRead:
            break;
        case SubTileFetch::kEmpty:
            return SubTileResult::kAbsent;
        case SubTileFetch::kOutsideBlock:
            return SubTileResult::kCorrupt;
        case SubTileFetch::kUnreadable:
            return SubTileResult::kUnreadable;
    }
    if (!DecodeSubTile(bytes.get(), size, rgba, stride)) {
        return SubTileResult::kCorrupt;
    }
    return SubTileResult::kDecoded;
}
