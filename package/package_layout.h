// The tile grid of a package of a given size: its levels, their sizes in pixels and in tiles, where
// each level's index entries begin, and the header length. The writer lays a package out with it;
// tests and benchmarks use it to craft packages of their own.
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

PackageLayout MakePackageLayout(std::uint32_t width, std::uint32_t height);
