#include "header_builder.h"

std::vector<std::uint8_t> BuildPackageHeader(const PackageLayout& layout,
                                             const GeoTransformCoefficients& geoTransform) {
    std::vector<std::uint8_t> header(layout.headerLength, 0);
    std::uint8_t* fixed = header.data();
    StoreU32(fixed + kMagicOffset, kPackageMagic);
    StoreU32(fixed + kMagic2Offset, kMinPackageMagic2);
    StoreU32(fixed + kWidthOffset, layout.width);
    StoreU32(fixed + kHeightOffset, layout.height);
    StoreU32(fixed + kTopLevelOffset, static_cast<std::uint32_t>(layout.topLevel));
    StoreU32(fixed + kHeaderLengthOffset, static_cast<std::uint32_t>(layout.headerLength));
    for (std::size_t i = 0; i < geoTransform.size(); ++i) {
        StoreF64(fixed + kGeoTransformOffset + 8 * i, geoTransform[i]);
    }
    return header;
}

void SetIndexEntry(std::vector<std::uint8_t>& header, std::uint64_t entryNumber,
                   const TileIndexEntry& entry) {
    std::uint8_t* bytes = header.data() + IndexEntryOffset(entryNumber);
    StoreU64(bytes + kEntryBlockOffsetOffset, entry.blockOffset);
    StoreU32(bytes + kEntryBlockSizeOffset, entry.blockSize);
}
