#include "png_file.h"

#include <QFile>

#include <unistd.h>

#include <cpl_error.h>
#include <gdal.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
constexpr int kRgbaBands = 4;
}

// GDAL is already loaded for the report, so its PNG driver costs tarnview-info nothing at start-up.
QString WriteRgbaPng(const QString& path, const std::uint32_t* pixels, int columns, int rows) {
    // A name of its own beside the target, so that two exports to one file never share it.
    QByteArray partial = path.toUtf8() + ".partial-XXXXXX";
    const int descriptor = ::mkstemp(partial.data());
    if (descriptor < 0)
        return QStringLiteral("cannot write %1: %2")
            .arg(path, QString::fromLocal8Bit(std::strerror(errno)));
    ::close(descriptor);

    // GDAL's own printing is silenced: its message is ours to give, once.
    CPLPushErrorHandler(CPLQuietErrorHandler);
    CPLErrorReset();
    GDALDatasetH memory =
        GDALCreate(GDALGetDriverByName("MEM"), "", columns, rows, kRgbaBands, GDT_Byte, nullptr);
    GDALDatasetH png = nullptr;
    if (memory != nullptr) {
        const int bandOrder[kRgbaBands] = {1, 2, 3, 4};
        const CPLErr status = GDALDatasetRasterIO(
            memory, GF_Write, 0, 0, columns, rows, const_cast<std::uint32_t*>(pixels), columns,
            rows, GDT_Byte, kRgbaBands, const_cast<int*>(bandOrder), kRgbaBands,
            static_cast<GSpacing>(columns) * kRgbaBands, 1);
        if (status == CE_None) {
            png = GDALCreateCopy(GDALGetDriverByName("PNG"), partial.constData(), memory, FALSE,
                                 nullptr, nullptr, nullptr);
        }
    }
    const QString gdalError = QString::fromUtf8(CPLGetLastErrorMsg());
    if (png != nullptr)
        GDALClose(png);
    if (memory != nullptr)
        GDALClose(memory);
    CPLPopErrorHandler();
    if (memory == nullptr || png == nullptr) {
        ::unlink(partial.constData());
        return QStringLiteral("cannot write %1: %2")
            .arg(path, memory == nullptr ? QStringLiteral("not enough memory") : gdalError);
    }
    if (std::rename(partial.constData(), path.toUtf8().constData()) != 0) {
        const int error = errno;
        ::unlink(partial.constData());
        return QStringLiteral("cannot write %1: %2")
            .arg(path, QString::fromLocal8Bit(std::strerror(error)));
    }
    return {};
}
