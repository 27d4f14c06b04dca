#include "thumbnail_export.h"

#include "package_thumbnail.h"
#include "png_file.h"
#include "thumbnail_picture.h"

QString ExportThumbnail(const QString& packagePath, const QString& outPath, ThumbnailKind kind) {
    const PackageThumbnail thumbnail = ReadPackageThumbnail(packagePath.toUtf8());
    switch (thumbnail.status) {
        case ThumbnailStatus::kCannotOpen:
            return QStringLiteral("cannot open package: ") +
                   QString::fromStdString(thumbnail.readerMessage);
        case ThumbnailStatus::kNoSize:
            return QStringLiteral("no thumbnail for a package of %1 x %2 pixels")
                .arg(thumbnail.width)
                .arg(thumbnail.height);
        case ThumbnailStatus::kRead:
        case ThumbnailStatus::kReadFailed:
            break;
    }
    if (thumbnail.rows < 1) {
        return QStringLiteral(
                   "no thumbnail for a package of %1 x %2 pixels: "
                   "it is more than 512 times as wide as it is tall")
            .arg(thumbnail.width)
            .arg(thumbnail.height);
    }
    if (kind == ThumbnailKind::kBuffer) {
        return WriteRgbaPng(outPath, thumbnail.pixels.data(), kThumbnailColumns, thumbnail.rows);
    }
    const std::vector<std::uint32_t> view =
        CompositeOverCheckerboard(thumbnail.pixels.data(), kThumbnailColumns, thumbnail.rows);
    return WriteRgbaPng(outPath, view.data(), kThumbnailColumns, thumbnail.rows);
}
