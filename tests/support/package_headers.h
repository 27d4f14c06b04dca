// Packages that hold only a header (every tile absent), written byte by byte so that tests can
// also make headers the writer would refuse.
#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>

struct PackageHeaderRecipe {
    std::uint32_t magic = 0x4C4C594D;
    std::uint32_t magic2 = 0x4C4C594D;
    std::uint32_t width = 2048;
    std::uint32_t height = 2048;
    int topLevel = -1;               // -1: the level the size needs
    std::int64_t headerLength = -1;  // -1: the length the size needs (and that many bytes)
    std::array<double, 6> geoTransform{0, 1, 0, 0, 0, -1};
};

// The header bytes: the fixed part, an all-absent index and padding up to headerLength.
QByteArray PackageHeaderBytes(const PackageHeaderRecipe& recipe);

// Writes the header to `path` and makes the file `fileBytes` long (sparse when longer).
void WriteHeaderOnlyPackage(const QString& path, const PackageHeaderRecipe& recipe,
                            std::int64_t fileBytes = -1);
