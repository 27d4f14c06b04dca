#include "thumbnail_export.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>

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
bool SameFile(const QByteArray& a, const QByteArray& b) {
    const auto absolute = [](const QByteArray& path) {
        return QDir::cleanPath(QDir(QString::fromUtf8(path)).absolutePath());
    };
    if (a == b || absolute(a) == absolute(b))
        return true;
    struct stat first {};
    struct stat second {};
    return ::stat(a.constData(), &first) == 0 && ::stat(b.constData(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

// What the system says about opening the path, for a package that did not open.
QString SystemReason(const QByteArray& path) {
    const int descriptor = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
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

}  // namespace

ThumbnailExportResult ExportThumbnail(const QByteArray& packagePath, const QByteArray& outPath,
                                      ThumbnailKind kind, int longestSide) {
    if (SameFile(packagePath, outPath))
        return {QStringLiteral("%1 is the package itself; nothing was written")
                    .arg(QString::fromUtf8(outPath)),
                {}};
    PackageThumbnail thumbnail = ReadPackageThumbnail(packagePath);
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
        const PictureSize size{kThumbnailColumns, thumbnail.rows};
        error = WriteRgbaPng(outPath, picture.data(), size,
                             longestSide > 0 ? ScaledToLongestSide(size, longestSide) : size);
    } catch (const std::bad_alloc&) {
        error = NoThumbnail(
            QStringLiteral("not enough memory for a picture of %1 rows").arg(thumbnail.rows));
    }
    return {error, error.isEmpty() ? warning : QString()};
}
