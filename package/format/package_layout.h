// The tile grid of a package of a given size: its levels, their sizes in pixels and in tiles, where
// each level's index entries begin, and the header length. This is the one place the format's
// tile arithmetic lives: the reader, the writer, the report and the tests all take it from here.
#pragma once

#include <array>
#include <cstdint>

#include "package_format.h"

struct PackageLayout {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    int topLevel = -1;  // -1 when no level up to 15 fits the size
    std::uint64_t entryCount = 0;
    std::uint64_t headerLength = 0;
    std::array<std::uint32_t, kMaxLevels> levelWidth{};  // pixels of each level
    std::array<std::uint32_t, kMaxLevels> levelHeight{};
    std::array<std::uint32_t, kMaxLevels> tileRows{};
    std::array<std::uint32_t, kMaxLevels> tileColumns{};
    std::array<std::uint64_t, kMaxLevels> levelBase{};  // first index entry of each level

    // A package of this size can be written: some level fits and the header length fits its field.
    bool Representable() const;
    int LevelCount() const { return topLevel + 1; }
    std::uint64_t EntryNumber(int level, std::uint32_t tileRow, std::uint32_t tileColumn) const {
        return levelBase[level] + std::uint64_t{tileRow} * tileColumns[level] + tileColumn;
    }
};

// The layout of a package of this size, with the top level the size needs.
PackageLayout MakePackageLayout(std::uint32_t width, std::uint32_t height);

// Tiles of one side of a level: ceil(size / 2^level / 2048), computed in doubles as packages have
// always been; exact for 32-bit sizes.
std::uint32_t LevelTileCount(std::uint32_t size, int level);

// The smallest level at which one tile covers both sides, or -1 when no level up to 15 does.
int FindTopLevel(std::uint32_t width, std::uint32_t height);

// The headerLength a package of this size with levels 0 to topLevel must declare. 64-bit, since
// for the largest sizes it no longer fits the 32-bit field (such packages cannot exist).
std::uint64_t ExpectedHeaderLength(std::uint32_t width, std::uint32_t height, int topLevel);

// Byte offset of index entry `entryNumber` from the start of the file.
inline std::uint64_t IndexEntryOffset(std::uint64_t entryNumber) {
    return kTileIndexOffset + kIndexEntrySize * entryNumber;
}
