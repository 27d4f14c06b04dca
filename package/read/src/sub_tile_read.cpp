#include "sub_tile_read.h"

#include <webp/decode.h>

#include <memory>
#include <new>

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

}  // namespace

SubTileResult ReadSubTileRgba(PackageReader& reader, int level, std::uint32_t tileRow,
                              std::uint32_t tileColumn, int subTile, std::uint8_t* rgba,
                              std::size_t stride) {
    if (!reader.source || subTile < 0 || subTile >= kSubTilesPerTile ||
        !TileInLevel(reader, level, tileRow, tileColumn)) {
        return SubTileResult::kAbsent;
    }
    const std::uint32_t entryNumber =
        static_cast<std::uint32_t>(reader.levelBase[level]) +
        static_cast<std::uint32_t>(reader.levelColumns[level]) * tileRow + tileColumn;
    const TileIndexEntry entry = reader.IndexEntry(entryNumber);
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
    const SubTileRange range = SubTileBytes(table, entry.blockSize, subTile);
    if (range.Empty()) {
        return SubTileResult::kAbsent;
    }
    if (!range.InsideBlock(entry.blockSize)) {
        return SubTileResult::kCorrupt;
    }

    const auto size = static_cast<std::size_t>(range.end - range.start);
    const std::unique_ptr<std::uint8_t[]> bytes(new (std::nothrow) std::uint8_t[size]);
    if (!bytes) {
        return SubTileResult::kUnreadable;
    }
    if (!ReadExactly(source, entry.blockOffset + static_cast<std::uint64_t>(range.start),
                     bytes.get(), size)) {
        return SubTileResult::kUnreadable;
    }
    int width = 0;
    int height = 0;
    if (!WebPGetInfo(bytes.get(), size, &width, &height) ||
        width > static_cast<int>(kSubTileSize) || height > static_cast<int>(kSubTileSize)) {
        return SubTileResult::kCorrupt;
    }
    if (WebPDecodeRGBAInto(bytes.get(), size, rgba, stride * kSubTileSize,
                           static_cast<int>(stride)) == nullptr) {
        return SubTileResult::kCorrupt;
    }
    return SubTileResult::kDecoded;
}
