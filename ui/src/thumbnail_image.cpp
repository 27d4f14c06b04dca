#include "thumbnail_image.h"

#include <cstring>
#include <vector>

#include "package_thumbnail.h"
#include "thumbnail_picture.h"

QImage ThumbnailImage(const std::uint32_t* pixels, int rows) {
    const std::vector<std::uint32_t> picture =
        CompositeOverCheckerboard(pixels, kThumbnailColumns, rows);
    if (picture.empty())
        return {};
    QImage image(kThumbnailColumns, rows, QImage::Format_RGB32);
    if (image.isNull())
        return {};
    for (int row = 0; row < rows; ++row) {
        const std::uint32_t* source =
            picture.data() + static_cast<std::size_t>(row) * kThumbnailColumns;
        auto* target = reinterpret_cast<QRgb*>(image.scanLine(row));
        for (int column = 0; column < kThumbnailColumns; ++column) {
            unsigned char bytes[4];
            std::memcpy(bytes, &source[column], sizeof bytes);
            target[column] = qRgb(bytes[0], bytes[1], bytes[2]);
        }
    }
    return image;
}
