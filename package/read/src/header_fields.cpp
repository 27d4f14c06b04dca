// Header fields, read in place from the reader's copy of the header.
#include "package_layout.h"
#include "package_reader.h"

namespace {

std::uint32_t FieldU32(const std::vector<std::uint8_t>& header, std::size_t offset) {
    return header.size() >= offset + 4 ? LoadU32(header.data() + offset) : 0;
}

}  // namespace

std::uint32_t PackageReader::Width() const {
    return FieldU32(header, kWidthOffset);
}

std::uint32_t PackageReader::Height() const {
    return FieldU32(header, kHeightOffset);
}

std::uint32_t PackageReader::TopLevel() const {
    return FieldU32(header, kTopLevelOffset);
}

std::uint32_t PackageReader::HeaderLength() const {
    return FieldU32(header, kHeaderLengthOffset);
}

GeoTransformCoefficients PackageReader::GeoTransform() const {
    GeoTransformCoefficients coefficients{};
    if (header.size() >= kGeoTransformOffset + 8 * coefficients.size()) {
        for (std::size_t i = 0; i < coefficients.size(); ++i) {
            coefficients[i] = LoadF64(header.data() + kGeoTransformOffset + 8 * i);
        }
    }
    return coefficients;
}

TileIndexEntry PackageReader::IndexEntry(std::uint32_t entryNumber) const {
    const std::uint64_t offset = IndexEntryOffset(entryNumber);
    if (offset + kIndexEntrySize > header.size()) {
        return TileIndexEntry{};
    }
    const std::uint8_t* entry = header.data() + offset;
    return TileIndexEntry{LoadU64(entry + kEntryBlockOffsetOffset),
                          LoadU32(entry + kEntryBlockSizeOffset)};
}
