#include "thumbnail_picture.h"

#include <cstddef>
#include <cstring>

namespace {

bool HasData(std::uint32_t pixel) {
    unsigned char bytes[4];
    std::memcpy(bytes, &pixel, sizeof bytes);
    return bytes[3] != 0;
}

}  // namespace

std::vector<std::uint32_t> CompositeOverCheckerboard(const std::uint32_t* pixels, int columns,
                                                     int rows) {
    std::vector<std::uint32_t> picture;
    if (pixels == nullptr || columns < 1 || rows < 1)
        return picture;
    picture.resize(static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows));
    for (int row = 0; row < rows; ++row) {
        const std::size_t start = static_cast<std::size_t>(row) * columns;
        for (int column = 0; column < columns; ++column) {
            const std::uint32_t pixel = pixels[start + column];
            picture[start + column] = HasData(pixel) ? pixel : CheckerAt(column, row);
        }
    }
    return picture;
}
