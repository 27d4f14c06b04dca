// The bytes of a package header: fixed part, tile index, zero padding up to headerLength.
#pragma once

#include <cstdint>
#include <vector>

#include "package_format.h"
#include "package_layout.h"

// A header for `layout` (which must be representable) whose index entries are all absent.
std::vector<std::uint8_t> BuildPackageHeader(const PackageLayout& layout,
                                             const GeoTransformCoefficients& geoTransform);

// Sets index entry `entryNumber` of a header built above.
void SetIndexEntry(std::vector<std::uint8_t>& header, std::uint64_t entryNumber,
                   const TileIndexEntry& entry);
