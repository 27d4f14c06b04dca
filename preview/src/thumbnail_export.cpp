#include "thumbnail_export.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QImage>

#include <cerrno>
#include <cstring>
#include <new>
#include <vector>

#include "package_thumbnail.h"
#include "png_file.h"
#include "thumbnail_picture.h"

namespace {

constexpr std::uint32_t kOpaque = 0xFF000000u;  // the alpha byte of an R, G, B, A pixel

// The same file by name or by device and inode (a hard link, another spelling of the path).
bool SameFile(const QString& a, const QString& b) {
    if (QDir::cleanPath(QDir(a).absolutePath()) == QDir::cleanPath(QDir(b).absolutePath()))
        return true;
    struct stat first {};
    struct stat second {};
    return ::stat(a.toUtf8().constData(), &first) == 0 &&
           ::stat(b.toUtf8().constData(), &second) == 0 && first.st_dev == second.st_dev &&
           first.st_ino == second.st_ino;
}

// What the system says about opening the path, for a package that did not open.
QString SystemReason(const QString& path) {
    const int descriptor = ::open(path.toUtf8().constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (descriptor < 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    struct stat status {};
    const bool regular = ::fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode);
    ::close(descriptor);
    return regular ? QString() : QStringLiteral("not a regular file");
}

// The preview's own message, then why in plain words.
QString NoThumbnail(const QString& reason) {
    return kThumbnailFailedMessage.toString() + QLatin1Char(' ') + reason;
}

QString PackageSize(const PackageThumbnail& thumbnail) {
    return QStringLiteral("%1 x %2 pixels").arg(thumbnail.width).arg(thumbnail.height);
}

// The picture as the preview window shows it: every pixel opaque.
std::vector<std::uint32_t> OpaqueView(const PackageThumbnail& thumbnail) {
    std::vector<std::uint32_t> view =
        CompositeOverCheckerboard(thumbnail.pixels.data(), kThumbnailColumns, thumbnail.rows);
    for (std::uint32_t& pixel : view) {
        unsigned char bytes[4];
        std::memcpy(bytes, &pixel, sizeof bytes);
        bytes[3] = kOpaque >> 24;
        std::memcpy(&pixel, bytes, sizeof bytes);
    }
    return view;
}

QString WriteScaled(const QString& outPath, std::vector<std::uint32_t>& pixels, int rows,
                    int longestSide) {
    if (longestSide <= 0)
        return WriteRgbaPng(outPath, pixels.data(), kThumbnailColumns, rows);
    const QImage image(reinterpret_cast<const uchar*>(pixels.data()), kThumbnailColumns, rows,
                       kThumbnailColumns * 4, QImage::Format_RGBA8888);
    const QImage scaled =
        image.scaled(longestSide, longestSide, Qt::KeepAspectRatio, Qt::SmoothTransformation)
            .convertToFormat(QImage::Format_RGBA8888);
    if (scaled.isNull())
        return QStringLiteral("not enough memory for a thumbnail of %1 pixels").arg(longestSide);
    std::vector<std::uint32_t> scaledPixels(static_cast<std::size_t>(scaled.width()) *
                                            static_cast<std::size_t>(scaled.height()));
    for (int row = 0; row < scaled.height(); ++row)
        std::memcpy(&scaledPixels[static_cast<std::size_t>(row) * scaled.width()],
                    scaled.constScanLine(row), static_cast<std::size_t>(scaled.width()) * 4);
    return WriteRgbaPng(outPath, scaledPixels.data(), scaled.width(), scaled.height());
}

}  // namespace

ThumbnailExportResult ExportThumbnail(const QString& packagePath, const QString& outPath,
                                      ThumbnailKind kind, int longestSide) {
    if (SameFile(packagePath, outPath))
        return {QStringLiteral("%1 is the package itself; nothing was written").arg(outPath), {}};
    PackageThumbnail thumbnail = ReadPackageThumbnail(packagePath.toUtf8());
    QString warning;
    switch (thumbnail.status) {
        case ThumbnailStatus::kCannotOpen: {
            QString error = QStringLiteral("cannot open package: ") +
                            QString::fromStdString(thumbnail.readerMessage);
            if (const QString reason = SystemReason(packagePath); !reason.isEmpty())
                error += QStringLiteral(" (") + reason + QLatin1Char(')');
            return {error, {}};
        }
        case ThumbnailStatus::kNoSize:
            return {NoThumbnail(QStringLiteral("no thumbnail for a package of %1: it would be "
                                               "empty or taller than %2 rows of %3")
                                    .arg(PackageSize(thumbnail))
                                    .arg(kMaxThumbnailRows)
                                    .arg(kThumbnailColumns)),
                    {}};
        case ThumbnailStatus::kNoMemory:
            return {NoThumbnail(QStringLiteral("not enough memory for a thumbnail of %1 rows")
                                    .arg(thumbnail.rows)),
                    {}};
        case ThumbnailStatus::kReadFailed:
            warning = QStringLiteral(
                          "some tiles could not be read (region read result %1); they are "
                          "transparent in the picture")
                          .arg(thumbnail.readResult);
            break;
        case ThumbnailStatus::kRead:
            break;
    }
    if (thumbnail.rows < 1)
        return {NoThumbnail(QStringLiteral("no thumbnail for a package of %1: it is more than %2 "
                                           "times as wide as it is tall")
                                .arg(PackageSize(thumbnail))
                                .arg(kThumbnailColumns)),
                {}};
    QString error;
    try {
        std::vector<std::uint32_t> picture =
            kind == ThumbnailKind::kBuffer ? std::move(thumbnail.pixels) : OpaqueView(thumbnail);
        error = WriteScaled(outPath, picture, thumbnail.rows, longestSide);
    } catch (const std::bad_alloc&) {
        error = NoThumbnail(
            QStringLiteral("not enough memory for a picture of %1 rows").arg(thumbnail.rows));
    }
    return {error, error.isEmpty() ? warning : QString()};
}
