#include "package_thumbnail.h"

#include <new>

#include "package_source.h"
#include "remote_read_scope.h"
#include "virtual_path.h"

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

PackageThumbnail ReadPackageThumbnail(const std::string& path) {
    PackageThumbnail thumbnail;
    const RemoteReadScope remote(VirtualPath(path));
    const PackageHandle reader(OpenPackage(OpenPackageSource(path), thumbnail.readerMessage));
    if (!reader)
        return thumbnail;

    thumbnail.width = reader->Width();
    thumbnail.height = reader->Height();
    const std::optional<std::int32_t> rows = ThumbnailRows(thumbnail.width, thumbnail.height);
    if (!rows) {
        thumbnail.status = ThumbnailStatus::kNoSize;
        return thumbnail;
    }
    thumbnail.rows = *rows;
    try {
        thumbnail.pixels.assign(static_cast<std::size_t>(*rows) * kThumbnailColumns, 0);
    } catch (const std::bad_alloc&) {
        thumbnail.status = ThumbnailStatus::kNoMemory;
        return thumbnail;
    }
    thumbnail.readResult = reader->ReadRegionRgba(static_cast<std::int32_t>(thumbnail.width),
                                                  static_cast<std::int32_t>(thumbnail.height),
                                                  thumbnail.pixels.data(), *rows);
    thumbnail.status =
        thumbnail.readResult > 0 ? ThumbnailStatus::kRead : ThumbnailStatus::kReadFailed;
    return thumbnail;
}
