#include "subtile_encoder.h"

#include <webp/encode.h>

#include <cstring>

#include "package_format.h"

namespace {

constexpr int kAlpha = 3;

// The cell copied into a transparent 512 x 512 square.
std::vector<std::uint8_t> PadToSubTile(const PixelCell& cell) {
    const std::size_t paddedStride = std::size_t{kSubTileSize} * kBytesPerPixel;
    std::vector<std::uint8_t> padded(paddedStride * kSubTileSize, 0);
    for (std::uint32_t row = 0; row < cell.height; ++row) {
        std::memcpy(padded.data() + row * paddedStride, cell.pixels + row * cell.stride,
                    std::size_t{cell.width} * kBytesPerPixel);
    }
    return padded;
}

int EncodePixels(const std::uint8_t* pixels, std::size_t stride, std::uint32_t width,
                 std::uint32_t height, const SubTileSettings& settings,
                 std::vector<std::uint8_t>& encoded) {
    WebPConfig config;
    if (!WebPConfigInit(&config)) {
        return VP8_ENC_ERROR_INVALID_CONFIGURATION;
    }
    if (settings.lossless) {
        config.lossless = 1;
        config.exact = 1;  // keep every byte, so lossless reads back bit for bit
    } else {
        config.quality = static_cast<float>(settings.quality);
    }

    WebPPicture picture;
    if (!WebPPictureInit(&picture)) {
        return VP8_ENC_ERROR_INVALID_CONFIGURATION;
    }
    picture.use_argb = 1;
    picture.width = static_cast<int>(width);
    picture.height = static_cast<int>(height);
    WebPMemoryWriter writer;
    WebPMemoryWriterInit(&writer);
    picture.writer = WebPMemoryWrite;
    picture.custom_ptr = &writer;

    int error = VP8_ENC_OK;
    if (!WebPPictureImportRGBA(&picture, pixels, static_cast<int>(stride))) {
        error = VP8_ENC_ERROR_OUT_OF_MEMORY;
    } else if (!WebPEncode(&config, &picture)) {
        error = picture.error_code != VP8_ENC_OK ? picture.error_code : VP8_ENC_ERROR_BAD_WRITE;
    } else {
        encoded.assign(writer.mem, writer.mem + writer.size);
    }
    WebPPictureFree(&picture);
    WebPMemoryWriterClear(&writer);
    return error;
}

}  // namespace

bool ClearTransparentPixels(const PixelCell& cell) {
    bool anyData = false;
    for (std::uint32_t row = 0; row < cell.height; ++row) {
        std::uint8_t* pixel = cell.pixels + row * cell.stride;
        for (std::uint32_t column = 0; column < cell.width; ++column, pixel += kBytesPerPixel) {
            if (pixel[kAlpha] != 0) {
                anyData = true;
            } else {
                std::memset(pixel, 0, kBytesPerPixel);
            }
        }
    }
    return anyData;
}

int EncodeSubTile(const PixelCell& cell, const SubTileSettings& settings,
                  std::vector<std::uint8_t>& encoded) {
    if (settings.fullSize && (cell.width < kSubTileSize || cell.height < kSubTileSize)) {
        const std::vector<std::uint8_t> padded = PadToSubTile(cell);
        return EncodePixels(padded.data(), std::size_t{kSubTileSize} * kBytesPerPixel, kSubTileSize,
                            kSubTileSize, settings, encoded);
    }
    return EncodePixels(cell.pixels, cell.stride, cell.width, cell.height, settings, encoded);
}
