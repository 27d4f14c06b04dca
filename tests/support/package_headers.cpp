#include "package_headers.h"

#include <QFile>

#include <gtest/gtest.h>

#include "package_format.h"
#include "package_layout.h"

QByteArray PackageHeaderBytes(const PackageHeaderRecipe& recipe) {
    const int neededLevel = FindTopLevel(recipe.width, recipe.height);
    const int topLevel = recipe.topLevel >= 0 ? recipe.topLevel : neededLevel;
    const std::int64_t neededLength = static_cast<std::int64_t>(
        ExpectedHeaderLength(recipe.width, recipe.height, neededLevel < 0 ? 0 : neededLevel));
    const std::int64_t length = recipe.headerLength >= 0 ? recipe.headerLength : neededLength;
    // A length the recipe forces only goes into the field; the bytes stay the minimum.
    const std::int64_t size = recipe.headerLength >= 0 ? kMinHeaderLength : neededLength;
    QByteArray bytes(static_cast<qsizetype>(std::max<std::int64_t>(size, kMinHeaderLength)), '\0');
    auto* p = reinterpret_cast<std::uint8_t*>(bytes.data());
    StoreU32(p + kMagicOffset, recipe.magic);
    StoreU32(p + kMagic2Offset, recipe.magic2);
    StoreU32(p + kWidthOffset, recipe.width);
    StoreU32(p + kHeightOffset, recipe.height);
    StoreU32(p + kTopLevelOffset, static_cast<std::uint32_t>(topLevel));
    StoreU32(p + kHeaderLengthOffset, static_cast<std::uint32_t>(length));
    for (int i = 0; i < 6; ++i)
        StoreF64(p + kGeoTransformOffset + 8 * i, recipe.geoTransform[i]);
    return bytes;
}

void WriteHeaderOnlyPackage(const QString& path, const PackageHeaderRecipe& recipe,
                            std::int64_t fileBytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    const QByteArray header = PackageHeaderBytes(recipe);
    ASSERT_EQ(file.write(header), header.size());
    if (fileBytes >= 0) {
        ASSERT_TRUE(file.resize(fileBytes));
    }
}
