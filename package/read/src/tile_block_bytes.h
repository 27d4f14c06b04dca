// What a tile block's first bytes say: whether the block lies inside its source, and where each
// sub-tile's bytes lie in it; and reading and decoding one sub-tile by its own byte range. Shared
// by the region read and the single sub-tile read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "byte_source.h"
#include "package_format.h"

// The most bytes a WebP image of one sub-tile (512 x 512 RGBA) can take: 8 bytes a pixel, twice
// its raw pixels. Lossless data spends at most 15 bits on each of a pixel's four channels, lossy
// data with its alpha plane stays below that, and the few container bytes fit the rest. A longer
// range is not a sub-tile, and is never read.
inline constexpr std::size_t kMaxSubTileBytes =
    std::size_t{2} * kSubTileSize * kSubTileSize * kBytesPerPixel;

// The block's whole range lies inside the source, when the source knows its size. A block reaching
// past the end is a short read, found before any byte of it is read.
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

enum class SubTileFetch {
    kRead,          // `bytes` holds the sub-tile's range
    kEmpty,         // the range is empty
    kOutsideBlock,  // the range leaves its block, or is longer than any sub-tile can be
    kUnreadable,    // no memory for the range, or it could not be read in full
};

// Reads the bytes of sub-tile `n` of the block of `entry`, whose table is `table`, into a new
// `bytes` of `size` bytes (at most kMaxSubTileBytes).
SubTileFetch FetchSubTile(ByteSource& source, const TileIndexEntry& entry,
                          const std::uint8_t* table, int n, std::unique_ptr<std::uint8_t[]>& bytes,
                          std::size_t& size);

// The most bytes a block can hold: its table and sixteen sub-tiles of the longest kind. A block
// that states more is never read whole.
inline constexpr std::size_t kMaxBlockBytes =
    kSubTileTableSize + kSubTilesPerTile * kMaxSubTileBytes;

// Bytes of a source read once into memory, from `start` on: reads inside them are answered from
// memory, any other read goes to the source. Lets the sub-tiles of a block that are needed
// together cost one read of the source (one request when it is remote).
class HeldBytes final : public ByteSource {
  public:
    explicit HeldBytes(ByteSource& source) : source_(source) {}

    // Reads `size` bytes at `start` into memory, replacing what was held. False (holding nothing)
    // when there is no memory for them or they cannot be read in full.
    bool Hold(std::uint64_t start, std::size_t size);

    ReadResult ReadAt(std::uint64_t offset, void* buffer, std::size_t size) override;
    std::optional<std::uint64_t> Size() override { return source_.Size(); }

  private:
    ByteSource& source_;
    std::uint64_t start_ = 0;
    std::size_t size_ = 0;
    std::unique_ptr<std::uint8_t[]> bytes_;
};

// Decodes one sub-tile's WebP image as RGBA into a cell of 512 rows, `stride` bytes apart. An
// image that states more than 512 x 512 pixels is refused before it is decoded, so a sub-tile
// never leaves its cell. False when nothing usable was decoded; the cell may then hold part of a
// picture.
bool DecodeSubTile(const std::uint8_t* data, std::size_t size, std::uint8_t* cell,
                   std::size_t stride);
