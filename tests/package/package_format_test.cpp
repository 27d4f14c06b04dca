// The format's byte order and size rules.
#include <gtest/gtest.h>

#include <cstring>

#include "package_format.h"
#include "package_layout.h"

TEST(PackageFormat, IntegersAreLittleEndianAtAnyAlignment) {
    const std::uint8_t bytes[] = {0xAA, 0x4D, 0x59, 0x4C, 0x4C, 0x01, 0x02, 0x03, 0x84};
    EXPECT_EQ(LoadU32(bytes + 1), kPackageMagic);
    EXPECT_EQ(LoadU64(bytes + 1), 0x840302014C4C594DULL);
    EXPECT_EQ(LoadI32(bytes + 5), static_cast<std::int32_t>(0x84030201));
    EXPECT_LT(LoadI32(bytes + 5), 0);

    std::uint8_t out[13] = {};
    StoreU64(out + 1, 0x0102030405060708ULL);
    StoreU32(out + 9, 0xA1B2C3D4);
    const std::uint8_t expected[13] = {0,    0x08, 0x07, 0x06, 0x05, 0x04, 0x03,
                                       0x02, 0x01, 0xD4, 0xC3, 0xB2, 0xA1};
    EXPECT_EQ(std::memcmp(out, expected, sizeof out), 0);

    std::uint8_t number[9] = {};
    StoreF64(number + 1, -1234.5678);
    EXPECT_EQ(LoadF64(number + 1), -1234.5678);
    EXPECT_EQ(number[8], 0xC0);  // sign and exponent in the last byte
}

TEST(PackageFormat, TopLevelIsTheFirstLevelOneTileCovers) {
    EXPECT_EQ(FindTopLevel(2048, 2048), 0);
    EXPECT_EQ(FindTopLevel(2049, 100), 1);
    EXPECT_EQ(FindTopLevel(100000, 50000), 6);
    EXPECT_EQ(FindTopLevel(143360, 143360), 7);
    EXPECT_EQ(FindTopLevel(0, 5000), 2);  // the other side decides
    EXPECT_EQ(FindTopLevel(0, 0), 0);
    EXPECT_EQ(FindTopLevel(67108864, 1), 15);
    EXPECT_EQ(FindTopLevel(67108865, 1), -1);
    EXPECT_EQ(FindTopLevel(1, 0xFFFFFFFF), -1);
}

TEST(PackageFormat, LargestSizesNeedHeadersBeyondTheLengthField) {
    const PackageLayout layout = MakePackageLayout(67108864, 67108864);
    EXPECT_EQ(layout.topLevel, 15);
    EXPECT_GT(layout.entryCount, 357913514u);
    EXPECT_GT(layout.headerLength, 0xFFFFFFFFull);
    EXPECT_FALSE(layout.Representable());
    EXPECT_FALSE(MakePackageLayout(67108865, 1).Representable());
    EXPECT_TRUE(MakePackageLayout(67108864, 1).Representable());
}

TEST(PackageLayout, LevelsHalveRoundingUpAndCountTiles) {
    const PackageLayout layout = MakePackageLayout(2049, 100);
    EXPECT_EQ(layout.LevelCount(), 2);
    EXPECT_EQ(layout.levelWidth[0], 2049u);
    EXPECT_EQ(layout.levelWidth[1], 1025u);
    EXPECT_EQ(layout.levelHeight[1], 50u);
    EXPECT_EQ(layout.tileColumns[0], 2u);
    EXPECT_EQ(layout.tileColumns[1], 1u);
    EXPECT_EQ(layout.levelBase[1], 2u);
    EXPECT_EQ(layout.EntryNumber(0, 0, 1), 1u);
    EXPECT_EQ(layout.EntryNumber(1, 0, 0), 2u);
    EXPECT_EQ(IndexEntryOffset(2), 1024u + 24u);
}
