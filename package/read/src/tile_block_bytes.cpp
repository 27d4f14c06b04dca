#include "tile_block_bytes.h"

#include <webp/decode.h>

#include <cstring>
#include <new>

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

SubTileFetch FetchSubTile(ByteSource& source, const TileIndexEntry& entry,
                          const std::uint8_t* table, int n, std::unique_ptr<std::uint8_t[]>& bytes,
                          std::size_t& size) {
    const SubTileRange range = SubTileBytes(table, entry.blockSize, n);
    if (range.Empty()) {
        return SubTileFetch::kEmpty;
    }
    if (!range.InsideBlock(entry.blockSize) ||
        static_cast<std::uint64_t>(range.end - range.start) > kMaxSubTileBytes) {
        return SubTileFetch::kOutsideBlock;
    }
    size = static_cast<std::size_t>(range.end - range.start);
    bytes.reset(new (std::nothrow) std::uint8_t[size]);
    if (!bytes) {
        return SubTileFetch::kUnreadable;
    }
    const ReadResult read = source.ReadAt(
        entry.blockOffset + static_cast<std::uint64_t>(range.start), bytes.get(), size);
    return read.ok && read.count == size ? SubTileFetch::kRead : SubTileFetch::kUnreadable;
}

bool DecodeSubTile(const std::uint8_t* data, std::size_t size, std::uint8_t* cell,
                   std::size_t stride) {
    int width = 0;
    int height = 0;
    if (!WebPGetInfo(data, size, &width, &height) || width > static_cast<int>(kSubTileSize) ||
        height > static_cast<int>(kSubTileSize)) {
        return false;
    }
    // The capacity ends with the cell's last row, so the decoder itself keeps to the cell.
    const std::size_t capacity =
        stride * (kSubTileSize - 1) + std::size_t{kSubTileSize} * kBytesPerPixel;
    return WebPDecodeRGBAInto(data, size, cell, capacity, static_cast<int>(stride)) != nullptr;
}

bool HeldBytes::Hold(std::uint64_t start, std::size_t size) {
    size_ = 0;
    bytes_.reset(new (std::nothrow) std::uint8_t[size]);
    if (!bytes_) {
        return false;
    }
    const ReadResult read = source_.ReadAt(start, bytes_.get(), size);
    if (!read.ok || read.count != size) {
        bytes_.reset();
        return false;
    }
    start_ = start;
    size_ = size;
    return true;
}

ReadResult HeldBytes::ReadAt(std::uint64_t offset, void* buffer, std::size_t size) {
    if (offset >= start_ && offset - start_ <= size_ && size <= size_ - (offset - start_)) {
        if (size > 0) {
            std::memcpy(buffer, bytes_.get() + (offset - start_), size);
        }
        return ReadResult{true, size};
    }
    return source_.ReadAt(offset, buffer, size);
}
