// One open QVRMP package: its header in memory as far as the tile index goes, the per-level tables
// that turn a level, tile row and tile column into an index entry, and the byte source from which
// tile blocks are read.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "byte_source.h"
#include "package_format.h"

// Pixels in each row of a region read's output.
inline constexpr std::int32_t kRegionOutputWidth = 512;

// The most header bytes a reader holds: the fixed part and an index of 1.4 million entries. The
// padding after the index is never read, and the entries of a longer index are read one by one
// when asked for, so a header that declares gigabytes costs no more than this.
inline constexpr std::uint64_t kMaxHeldHeaderBytes = std::uint64_t{16} << 20;

// Output pixels a region read fills, from the top-left corner.
struct RegionExtent {
    std::int32_t columns = 0;
    std::int32_t rows = 0;
};

struct PackageReader {
    // The header as stored: its first kMinHeaderLength bytes, and beyond them the index as far as
    // it goes, up to kMaxHeldHeaderBytes.
    std::vector<std::uint8_t> header;
    std::int32_t levelBase[kMaxLevels] = {};
    std::int32_t levelRows[kMaxLevels] = {};
    std::int32_t levelColumns[kMaxLevels] = {};
    std::unique_ptr<ByteSource> source;  // null until the package is open
    std::string errorText;               // UTF-8 message of the last failed ValidateHeader
    std::uint64_t indexEnd = 0;          // file offset just past the image's last index entry

    // 0 when the header is valid; -1 bad signature, -2 topLevel does not fit the size,
    // -3 headerLength differs from ExpectedHeaderLength. Sets errorText on failure.
    int ValidateHeader();

    // Reads the region of RW x RH image pixels at the image's top-left corner into `output`
    // (kRegionOutputWidth pixels per row, RO rows, RGBA bytes). Returns the level buffer's byte
    // count, or -1 source not open, -2 an argument below 1, -3 no level buffer (empty, or its byte
    // count beyond 32 bits), -4 a tile block could not be read. `output` is written only on
    // success.
    std::int64_t ReadRegionRgba(std::int32_t regionWidth, std::int32_t regionHeight,
                                std::uint32_t* output, std::int32_t outputRows);
    // The output columns and rows that ReadRegionRgba fills for the same arguments: all of them,
    // or fewer where the region reaches past the image. Both 0 when an argument is below 1.
    RegionExtent OutputExtent(std::int32_t regionWidth, std::int32_t regionHeight,
                              std::int32_t outputRows) const;

    // Header fields, read in place from `header`.
    std::uint32_t Width() const;
    std::uint32_t Height() const;
    std::uint32_t TopLevel() const;
    std::uint32_t HeaderLength() const;
    GeoTransformCoefficients GeoTransform() const;
    // Index entry number `entryNumber` (levelBase[level] + levelColumns[level] x row + column),
    // from `header` or else read from the source; an absent entry when the number lies beyond
    // the image's index or cannot be read.
    TileIndexEntry IndexEntry(std::uint32_t entryNumber) const;
};

// Opens and validates the package at the UTF-8 path. Returns a reader that the caller passes to
// ClosePackage, or null with errorText replaced by the reader's message.
PackageReader* OpenPackage(std::string path, std::string& errorText);

// The same over the caller's own byte source, which the reader then owns. A null source fails as
// a file that cannot be opened.
PackageReader* OpenPackage(std::unique_ptr<ByteSource> source, std::string& errorText);

// The index entries of the image that point at a block. Those past the held header are read from
// the source a chunk at a time, skipping what the source knows to be zeros.
std::uint64_t CountPresentTiles(const PackageReader& reader);

// The package's fingerprint (sidecar_tie.h), from the held header and the source's size; none
// when the source cannot tell its size.
std::optional<std::string> ReaderFingerprint(PackageReader& reader);

// Closes the source and frees the reader. The reader must not be null.
void ClosePackage(PackageReader* reader);

// An open reader that closes itself: PackageHandle reader(OpenPackage(path, errorText)).
struct PackageCloser {
    void operator()(PackageReader* reader) const { ClosePackage(reader); }
};
using PackageHandle = std::unique_ptr<PackageReader, PackageCloser>;
