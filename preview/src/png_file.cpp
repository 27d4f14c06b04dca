#include "png_file.h"

#include <QFile>

#include <cpl_error.h>
#include <gdal.h>

#include <cstdio>

namespace {
constexpr int kRgbaBands = 4;
}

// GDAL is already loaded for the report, so its PNG driver costs tarnview-info nothing at start-up.
QString WriteRgbaPng(const QString& path, const std::uint32_t* pixels, int columns, int rows) {
    GDALDatasetH memory =
        GDALCreate(GDALGetDriverByName("MEM"), "", columns, rows, kRgbaBands, GDT_Byte, nullptr);
    if (memory == nullptr)
        return QStringLiteral("not enough memory for the thumbnail");
    const int bandOrder[kRgbaBands] = {1, 2, 3, 4};
    CPLErr status = GDALDatasetRasterIO(memory, GF_Write, 0, 0, columns, rows,
                                        const_cast<std::uint32_t*>(pixels), columns, rows, GDT_Byte,
                                        kRgbaBands, const_cast<int*>(bandOrder), kRgbaBands,
                                        static_cast<GSpacing>(columns) * kRgbaBands, 1);

    const QString partial = path + QStringLiteral(".partial");
    const QByteArray partialUtf8 = partial.toUtf8();
    GDALDatasetH png = nullptr;
    if (status == CE_None) {
        CPLErrorReset();
        png = GDALCreateCopy(GDALGetDriverByName("PNG"), partialUtf8.constData(), memory, FALSE,
                             nullptr, nullptr, nullptr);
    }
    const QString error = QString::fromUtf8(CPLGetLastErrorMsg());
    if (png != nullptr)
        GDALClose(png);
    GDALClose(memory);
    if (png == nullptr) {
        QFile::remove(partial);
        return QStringLiteral("cannot write %1: %2").arg(path, error);
    }
    if (std::rename(partialUtf8.constData(), path.toUtf8().constData()) != 0) {
        QFile::remove(partial);
        return QStringLiteral("cannot write %1").arg(path);
    }
    return {};
}
