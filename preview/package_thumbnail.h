// The thumbnail of a whole package, 512 pixels wide and as many rows as keep its proportions,
// read as the preview window reads it; or its picture fitted into a square, as a thumbnailer
// wants it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "package_reader.h"

inline constexpr std::int32_t kThumbnailColumns = kRegionOutputWidth;
// A thumbnail 512 pixels wide and taller than this is no picture anyone can look at.
inline constexpr std::int32_t kMaxThumbnailRows = 32767;

// What the preview says when there is no thumbnail to show.
inline constexpr std::string_view kThumbnailFailedMessage = "获取缩略图失败!!!";

// trunc(height x kThumbnailColumns / width). Empty for a width of 0, a side that is negative as a
// signed 32-bit value, or more than kMaxThumbnailRows rows.
std::optional<std::int32_t> ThumbnailRows(std::uint32_t width, std::uint32_t height);

enum class ThumbnailStatus {
    kRead,        // pixels hold the region read's output
    kReadFailed,  // the region read failed; pixels are all zero (transparent), or none (fitted)
    kCannotOpen,  // readerMessage says why
    kNoSize,      // ThumbnailRows gave nothing
    kNoMemory,    // the thumbnail's buffer could not be had
};

struct PackageThumbnail {
    ThumbnailStatus status = ThumbnailStatus::kCannotOpen;
    std::string readerMessage;  // UTF-8, when the package could not be opened
    std::uint32_t width = 0;    // the package's size, once opened
    std::uint32_t height = 0;
    std::int32_t columns = kThumbnailColumns;
    std::int32_t rows = 0;
    std::vector<std::uint32_t> pixels;  // rows x columns, bytes R, G, B, A; alpha 0 = no data
    std::int64_t readResult = 0;        // ReadRegionRgba's result
};

// Opens the package, reads its whole image into the thumbnail buffer and closes it again.
PackageThumbnail ReadPackageThumbnail(const std::string& path);

// The whole image fitted into a square of 512 x 512 pixels, proportions kept, read from the
// coarsest level fine enough for it: any shape has a picture, at least one pixel on each side.
// The pixels hold just the picture (its columns and rows). Only an empty package has no size.
PackageThumbnail ReadFittedThumbnail(const std::string& path);
