// The QVRMP package format: every constant, field offset and size rule that readers and the writer
// share. Integers in a package are little-endian and unaligned; the helpers below read and write
// them byte by byte, so they behave the same on any host.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

// Signature words.
inline constexpr std::uint32_t kPackageMagic = 0x4C4C594D;      // bytes 4D 59 4C 4C in file order
inline constexpr std::uint32_t kMinPackageMagic2 = 0x4C4C594D;  // magic2 may be this or larger

// Offsets of the fixed header fields, from the first byte of the file.
inline constexpr std::size_t kMagicOffset = 0;
inline constexpr std::size_t kMagic2Offset = 4;
inline constexpr std::size_t kWidthOffset = 8;
inline constexpr std::size_t kHeightOffset = 12;
inline constexpr std::size_t kTopLevelOffset = 16;
inline constexpr std::size_t kHeaderLengthOffset = 20;
inline constexpr std::size_t kGeoTransformOffset = 24;  // six doubles
inline constexpr std::size_t kReservedOffset = 72;      // up to the index, never read
inline constexpr std::size_t kTileIndexOffset = 1024;   // the fixed part ends here

// Header sizes: the header is at least kMinHeaderLength bytes; a longer one is rounded up to a
// multiple of kHeaderLengthGranule counted from the start of the file.
inline constexpr std::uint32_t kMinHeaderLength = 65536;
inline constexpr std::uint32_t kHeaderLengthGranule = 12288;  // 1024 index entries
inline constexpr std::size_t kIndexEntrySize = 12;
inline constexpr std::uint64_t kMaxEntriesInMinHeader =
    (kMinHeaderLength - kTileIndexOffset) / kIndexEntrySize;  // 5376

// Offsets inside one index entry.
inline constexpr std::size_t kEntryBlockOffsetOffset = 0;  // u64, 0 = absent
inline constexpr std::size_t kEntryBlockSizeOffset = 8;    // u32, 0 = absent

// Pyramid and tiles.
inline constexpr int kMaxLevels = 16;
inline constexpr std::uint32_t kTileSize = 2048;  // level pixels per tile side
inline constexpr int kTileShift = 11;
inline constexpr std::uint32_t kSubTileSize = 512;  // level pixels per sub-tile side
inline constexpr int kSubTileShift = 9;
inline constexpr int kSubTilesPerSide = 4;
inline constexpr int kSubTilesPerTile = kSubTilesPerSide * kSubTilesPerSide;
inline constexpr std::uint32_t kMaxImageSide = kTileSize << (kMaxLevels - 1);  // 67,108,864

// Tile block: a table of 16 signed 32-bit sub-tile starts, then the sub-tile data. Entry 0 of the
// table is never read; sub-tile 0 always starts right after the table.
inline constexpr std::size_t kSubTileTableSize = kSubTilesPerTile * 4;
inline constexpr std::uint32_t kFirstSubTileStart = kSubTileTableSize;  // 64

inline constexpr int kBytesPerPixel = 4;  // R, G, B, A

// A package holds no coordinate system: it lives in GDAL's auxiliary metadata beside it,
// PACKAGE.qvrmp.aux.xml.
inline constexpr char kSidecarSuffix[] = ".aux.xml";

// The factor by which each level is smaller than level 0. From level 9 on these are the six-digit
// decimals that packages have always been read with, not exact powers of two.
inline constexpr std::array<double, kMaxLevels> kLevelScale = {
    1.0,         0.5,        0.25,         0.125,       0.0625,      0.03125,
    0.015625,    0.0078125,  0.00390625,   0.00195312,  0.000976562, 0.000488281,
    0.000244141, 0.00012207, 0.0000610352, 0.0000305176};

// Six affine coefficients in GDAL's order: origin x, pixel width, row rotation, origin y, column
// rotation, pixel height.
using GeoTransformCoefficients = std::array<double, 6>;
// What GDAL gives a raster that no geotransform places: pixel and line as x and y.
inline constexpr GeoTransformCoefficients kIdentityGeoTransform = {0, 1, 0, 0, 0, 1};

struct TileIndexEntry {
    std::uint64_t blockOffset = 0;  // absolute file offset; 0 = absent
    std::uint32_t blockSize = 0;    // bytes; 0 = absent

    bool IsAbsent() const { return blockOffset == 0 || blockSize == 0; }
};

// Little-endian, unaligned access.
inline std::uint32_t LoadU32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
           std::uint32_t{p[3]} << 24;
}
inline std::int32_t LoadI32(const std::uint8_t* p) {
    return static_cast<std::int32_t>(LoadU32(p));
}
inline std::uint64_t LoadU64(const std::uint8_t* p) {
    return std::uint64_t{LoadU32(p)} | std::uint64_t{LoadU32(p + 4)} << 32;
}
inline double LoadF64(const std::uint8_t* p) {
    const std::uint64_t bits = LoadU64(p);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}
inline void StoreU32(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v >> 16);
    p[3] = static_cast<std::uint8_t>(v >> 24);
}
inline void StoreI32(std::uint8_t* p, std::int32_t v) {
    StoreU32(p, static_cast<std::uint32_t>(v));
}
inline void StoreU64(std::uint8_t* p, std::uint64_t v) {
    StoreU32(p, static_cast<std::uint32_t>(v));
    StoreU32(p + 4, static_cast<std::uint32_t>(v >> 32));
}
inline void StoreF64(std::uint8_t* p, double value) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    StoreU64(p, bits);
}
