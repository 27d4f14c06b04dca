// Header fields, read in place from the reader's copy of the header.
#include <algorithm>

#include "package_layout.h"
#include "package_reader.h"

namespace {

// Index entries read at a time beyond the held header: about 1 MiB.
constexpr std::uint64_t kCountChunkEntries = (std::uint64_t{1} << 20) / kIndexEntrySize;

bool Present(const std::uint8_t* entry) {
    return !TileIndexEntry{LoadU64(entry + kEntryBlockOffsetOffset),
                           LoadU32(entry + kEntryBlockSizeOffset)}
                .IsAbsent();
}

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
    if (offset + kIndexEntrySize > indexEnd) {
        return TileIndexEntry{};
    }
    std::uint8_t stored[kIndexEntrySize];
    const std::uint8_t* entry = stored;
    if (offset + kIndexEntrySize <= header.size()) {
        entry = header.data() + offset;
    } else {
        // Beyond what the header buffer holds: one read of the entry itself.
        const ReadResult read =
            source ? source->ReadAt(offset, stored, sizeof stored) : ReadResult{};
        if (!read.ok || read.count != sizeof stored) {
            return TileIndexEntry{};
        }
    }
    return TileIndexEntry{LoadU64(entry + kEntryBlockOffsetOffset),
                          LoadU32(entry + kEntryBlockSizeOffset)};
}

std::uint64_t CountPresentTiles(const PackageReader& reader) {
    if (reader.indexEnd <= kTileIndexOffset) {
        return 0;
    }
    const std::uint64_t entryCount = (reader.indexEnd - kTileIndexOffset) / kIndexEntrySize;
    std::uint64_t present = 0;
    std::uint64_t entry = 0;
    for (; entry < entryCount && IndexEntryOffset(entry + 1) <= reader.header.size(); ++entry) {
        present += Present(reader.header.data() + IndexEntryOffset(entry)) ? 1 : 0;
    }
    std::vector<std::uint8_t> chunk;
    while (entry < entryCount && reader.source) {
        // Entries wholly inside a hole are absent.
        const std::uint64_t data = reader.source->NextDataAt(IndexEntryOffset(entry));
        entry = std::max(entry, (data - kTileIndexOffset) / kIndexEntrySize);
        if (entry >= entryCount) {
            break;
        }
        const std::uint64_t count = std::min(kCountChunkEntries, entryCount - entry);
        chunk.resize(static_cast<std::size_t>(count * kIndexEntrySize));
        const ReadResult read =
            reader.source->ReadAt(IndexEntryOffset(entry), chunk.data(), chunk.size());
        if (!read.ok || read.count != chunk.size()) {
            break;  // an index the source cannot deliver has nothing more to count
        }
        for (std::size_t i = 0; i < chunk.size(); i += kIndexEntrySize) {
            present += Present(chunk.data() + i) ? 1 : 0;
        }
        entry += count;
    }
    return present;
}
