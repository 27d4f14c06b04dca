// One open QVRMP package: its whole header (tile index included) in memory, the per-level tables
// that turn a level, tile row and tile column into an index entry, and the byte source from which
// tile blocks are read.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "byte_source.h"
#include "package_format.h"

// Pixels in each row of a region read's output.
inline constexpr std::int32_t kRegionOutputWidth = 512;

struct PackageReader {
    std::vector<std::uint8_t> header;  // the header exactly as stored, headerLength bytes
    std::int32_t levelBase[kMaxLevels] = {};
    std::int32_t levelRows[kMaxLevels] = {};
    std::int32_t levelColumns[kMaxLevels] = {};
    std::unique_ptr<ByteSource> source;  // null until the package is open
    std::string errorText;               // UTF-8 message of the last failed ValidateHeader

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

    // Header fields, read in place from `header`.
    std::uint32_t Width() const;
    std::uint32_t Height() const;
    std::uint32_t TopLevel() const;
    std::uint32_t HeaderLength() const;
    GeoTransformCoefficients GeoTransform() const;
    // Index entry number `entryNumber` (levelBase[level] + levelColumns[level] x row + column);
    // an absent entry when the number lies beyond the index held in `header`.
    TileIndexEntry IndexEntry(std::uint32_t entryNumber) const;
};

// Opens and validates the package at the UTF-8 path. Returns a reader that the caller passes to
// ClosePackage, or null with errorText replaced by the reader's message.
PackageReader* OpenPackage(std::string path, std::string& errorText);

// The same over the caller's own byte source, which the reader then owns. A null source fails as
// a file that cannot be opened.
PackageReader* OpenPackage(std::unique_ptr<ByteSource> source, std::string& errorText);

// Closes the source and frees the reader. The reader must not be null.
void ClosePackage(PackageReader* reader);

// An open reader that closes itself: PackageHandle reader(OpenPackage(path, errorText)).
struct PackageCloser {
    void operator()(PackageReader* reader) const { ClosePackage(reader); }
};
using PackageHandle = std::unique_ptr<PackageReader, PackageCloser>;
