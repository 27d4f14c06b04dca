// The preview's picture as an image to draw: the thumbnail over its checkerboard, in true colours,
// opaque (alpha only decides between pixel and checkerboard; it is not shown).
#pragma once

#include <cstdint>

#include <QImage>

// `pixels` holds rows x 512 RGBA pixels. A null image when rows < 1 or there is no memory for it.
QImage ThumbnailImage(const std::uint32_t* pixels, int rows);
