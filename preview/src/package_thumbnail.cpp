#include "package_thumbnail.h"

#include <algorithm>
#include <new>

#include "package_source.h"
#include "remote_read_scope.h"
#include "virtual_path.h"

namespace {

// Each side of the fitted read's region is at most this many times the image's own side, so the
// output never narrows below one whole pixel, however thin the image.
constexpr std::int64_t kMaxFittedStretch = kThumbnailColumns / 2;

bool Allocate(std::vector<std::uint32_t>& pixels, std::size_t count, PackageThumbnail& thumbnail) {
    try {
        pixels.assign(count, 0);
    } catch (const std::bad_alloc&) {
        thumbnail.status = ThumbnailStatus::kNoMemory;
        return false;
    }
    return true;
}

}  // namespace

std::optional<std::int32_t> ThumbnailRows(std::uint32_t width, std::uint32_t height) {
    const auto signedWidth = static_cast<std::int32_t>(width);
    const auto signedHeight = static_cast<std::int32_t>(height);
    if (signedWidth <= 0 || signedHeight < 0)
        return std::nullopt;
    const double rows = static_cast<double>(signedHeight) * kThumbnailColumns / signedWidth;
    if (rows > kMaxThumbnailRows) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(rows);
}

namespace {

// Opens the package at `path` (local or remote), notes its size and lets `read` fill the picture
// while it is open.
template <typename Read>
PackageThumbnail ReadOpenPackage(const std::string& path, Read read) {
    PackageThumbnail thumbnail;
    const RemoteReadScope remote(VirtualPath(path));
    const PackageHandle reader(OpenPackage(OpenPackageSource(path), thumbnail.readerMessage));
    if (!reader)
        return thumbnail;
    thumbnail.width = reader->Width();
    thumbnail.height = reader->Height();
    read(*reader, thumbnail);
    return thumbnail;
}

void ReadPreviewPicture(PackageReader& reader, PackageThumbnail& thumbnail) {
    const std::optional<std::int32_t> rows = ThumbnailRows(thumbnail.width, thumbnail.height);
    if (!rows) {
        thumbnail.status = ThumbnailStatus::kNoSize;
        return;
    }
    thumbnail.rows = *rows;
    if (!Allocate(thumbnail.pixels, static_cast<std::size_t>(*rows) * kThumbnailColumns, thumbnail))
        return;
    thumbnail.readResult = reader.ReadRegionRgba(static_cast<std::int32_t>(thumbnail.width),
                                                 static_cast<std::int32_t>(thumbnail.height),
                                                 thumbnail.pixels.data(), *rows);
    thumbnail.status =
        thumbnail.readResult > 0 ? ThumbnailStatus::kRead : ThumbnailStatus::kReadFailed;
}

void ReadFittedPicture(PackageReader& reader, PackageThumbnail& thumbnail) {
    const auto width = static_cast<std::int32_t>(thumbnail.width);
    const auto height = static_cast<std::int32_t>(thumbnail.height);
    if (width <= 0 || height <= 0) {
        thumbnail.status = ThumbnailStatus::kNoSize;
        return;
    }
    // A square region of the longer side, reaching past the image on the shorter one.
    const std::int64_t longer = std::max(width, height);
    const auto regionSide = [longer](std::int32_t side) {
        return static_cast<std::int32_t>(std::min(longer, side * kMaxFittedStretch));
    };
    const std::int32_t regionWidth = regionSide(width);
    const std::int32_t regionHeight = regionSide(height);
    std::vector<std::uint32_t> square;
    if (!Allocate(square, std::size_t{kThumbnailColumns} * kThumbnailColumns, thumbnail))
        return;
    thumbnail.readResult =
        reader.ReadRegionRgba(regionWidth, regionHeight, square.data(), kThumbnailColumns);
    if (thumbnail.readResult <= 0) {
        thumbnail.status = ThumbnailStatus::kReadFailed;
        return;
    }
    const RegionExtent extent = reader.OutputExtent(regionWidth, regionHeight, kThumbnailColumns);
    thumbnail.columns = std::max(1, extent.columns);
    thumbnail.rows = std::max(1, extent.rows);
    const auto columns = static_cast<std::size_t>(thumbnail.columns);
    if (!Allocate(thumbnail.pixels, columns * static_cast<std::size_t>(thumbnail.rows), thumbnail))
        return;
    for (std::size_t row = 0; row < static_cast<std::size_t>(thumbnail.rows); ++row)
        std::copy_n(square.begin() + static_cast<std::ptrdiff_t>(row * kThumbnailColumns), columns,
                    thumbnail.pixels.begin() + static_cast<std::ptrdiff_t>(row * columns));
    thumbnail.status = ThumbnailStatus::kRead;
}

}  // namespace

PackageThumbnail ReadPackageThumbnail(const std::string& path) {
    return ReadOpenPackage(path, ReadPreviewPicture);
}

PackageThumbnail ReadFittedThumbnail(const std::string& path) {
    return ReadOpenPackage(path, ReadFittedPicture);
}
