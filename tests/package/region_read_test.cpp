// Region reads: the level chosen, the tiles and sub-tiles read, the sampling into the output, and
// every failure leaving the output as it was.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "crafted_package.h"
#include "file_bytes.h"
#include "open_package.h"
#include "package_reader.h"
#include "temp_folder.h"
#include "tile_block.h"
#include "written_packages.h"

namespace {

constexpr std::uint32_t kCanary = 0xA5C3E1F7;
const std::uint32_t kRed = Rgba(255, 0, 0, 255);

// An output buffer of `rows` rows of 512 pixels, all kCanary.
std::vector<std::uint32_t> Output(std::int32_t rows) {
    return std::vector<std::uint32_t>(static_cast<std::size_t>(rows) * 512, kCanary);
}

bool Untouched(const std::vector<std::uint32_t>& output) {
    return std::all_of(output.begin(), output.end(), [](std::uint32_t p) { return p == kCanary; });
}

// What the output must hold: each pixel the level pixel that nearest-neighbour sampling with
// single-precision steps picks; columns from outputWidth on and rows from outputRows on untouched.
std::vector<std::uint32_t> Expected(
    std::int32_t rows, std::uint32_t levelWidth, std::uint32_t levelHeight,
    std::int32_t outputWidth, std::int32_t outputRows,
    const std::function<std::uint32_t(std::uint32_t, std::uint32_t)>& level) {
    std::vector<std::uint32_t> expected = Output(rows);
    const float stepX = static_cast<float>(levelWidth) / static_cast<float>(outputWidth);
    const float stepY = static_cast<float>(levelHeight) / static_cast<float>(outputRows);
    for (std::int32_t j = 0; j < outputRows; ++j) {
        for (std::int32_t k = 0; k < outputWidth; ++k) {
            const auto x = static_cast<std::uint32_t>(static_cast<float>(k) * stepX);
            const auto y = static_cast<std::uint32_t>(static_cast<float>(j) * stepY);
            expected[static_cast<std::size_t>(j) * 512 + k] = level(x, y);
        }
    }
    return expected;
}

// Points every tile of the levels other than `keep` past the end of the file, so reading any of
// them would fail the whole read.
void PoisonOtherLevels(CraftedPackage& package, int keep) {
    const PackageLayout& layout = package.Layout();
    for (int level = 0; level < layout.LevelCount(); ++level) {
        for (std::uint32_t r = 0; level != keep && r < layout.tileRows[level]; ++r) {
            for (std::uint32_t c = 0; c < layout.tileColumns[level]; ++c) {
                package.SetEntry(level, r, c, TileIndexEntry{1ull << 40, 4096});
            }
        }
    }
}

// A level image whose every pixel differs from its neighbours.
std::uint32_t Unique(std::uint32_t x, std::uint32_t y) {
    return CoordinatePixel(x, y, 1);
}

class RegionRead : public ::testing::Test {
  protected:
    TempFolder dir;
};

}  // namespace

TEST_F(RegionRead, NarrowRequestsWithinTheToleranceReadTheCoarserLevel) {
    // 512 / 1023 exceeds 0.5 by less than 1 / 1501: level 1, 511 x 1500 pixels of it.
    CraftedPackage package(1023, 3000);
    PoisonOtherLevels(package, 1);
    const TestImage level1 = CoordinateImage(512, 1500, 1);
    package.AddBlock(1, 0, 0, TileBlockFromImage(level1, 0, 0, false));
    package.Write(dir.Path("p"));

    PackageHandle reader = OpenOrFail(dir.Path("p"));
    std::vector<std::uint32_t> output = Output(1501);
    ASSERT_EQ(reader->ReadRegionRgba(1023, 3000, output.data(), 1501), 512 * 1536 * 4);
    EXPECT_EQ(output, Expected(1501, 511, 1500, 512, 1501, Unique));
    // 511 columns over 512: the first column is shown twice and column 511 never.
    EXPECT_EQ(output[0], Unique(0, 0));
    EXPECT_EQ(output[1], Unique(0, 0));
    EXPECT_EQ(output[511], Unique(510, 0));
    EXPECT_EQ(output[1500 * 512], Unique(0, 1499));
}

TEST_F(RegionRead, APreviewOfAWideImageReadsTheSingleTopTile) {
    CraftedPackage package(10000, 8000);  // topLevel 3
    ASSERT_EQ(package.Layout().topLevel, 3);
    PoisonOtherLevels(package, 3);
    package.AddBlock(3, 0, 0, TileBlockFromImage(CoordinateImage(1250, 1000, 1), 0, 0, false));
    package.Write(dir.Path("p"));

    PackageHandle reader = OpenOrFail(dir.Path("p"));
    std::vector<std::uint32_t> output = Output(409);
    ASSERT_EQ(reader->ReadRegionRgba(10000, 8000, output.data(), 409), 1536 * 1024 * 4);
    EXPECT_EQ(output, Expected(409, 1250, 1000, 512, 409, Unique));
}

TEST_F(RegionRead, RequestsFinerThanEveryLevelReadLevel0) {
    // 1000 x 5000 at 2560 rows needs 0.512: no level of 0.5 or less will do.
    CraftedPackage package(1000, 5000);
    PoisonOtherLevels(package, 0);
    const std::uint32_t colours[] = {Rgba(200, 0, 0, 255), Rgba(0, 200, 0, 255),
                                     Rgba(0, 0, 200, 255)};
    TestImage level0(1000, 5000);
    for (std::uint32_t y = 0; y < 5000; ++y) {
        for (std::uint32_t x = 0; x < 1000; ++x) {
            level0.SetPixel(x, y, colours[y / 2048]);
        }
    }
    for (std::uint32_t row = 0; row < 3; ++row) {
        package.AddBlock(0, row, 0, TileBlockFromImage(level0, row, 0, false));
    }
    package.Write(dir.Path("p"));

    PackageHandle reader = OpenOrFail(dir.Path("p"));
    std::vector<std::uint32_t> output = Output(2560);
    ASSERT_EQ(reader->ReadRegionRgba(1000, 5000, output.data(), 2560), 1024 * 5120 * 4);
    EXPECT_EQ(output, Expected(2560, 1000, 5000, 512, 2560, [&](std::uint32_t x, std::uint32_t y) {
                  return level0.Pixel(x, y);
              }));
}

TEST_F(RegionRead, RegionsBeyondTheImageShrinkTheOutput) {
    CraftedPackage package(10000, 8000);
    package.AddBlock(3, 0, 0, TileBlockFromImage(CoordinateImage(1250, 1000, 1), 0, 0, false));
    package.Write(dir.Path("p"));
    PackageHandle reader = OpenOrFail(dir.Path("p"));

    // Twice the width: half the output columns, the rest untouched.
    std::vector<std::uint32_t> output = Output(409);
    ASSERT_GT(reader->ReadRegionRgba(20000, 8000, output.data(), 409), 0);
    EXPECT_EQ(output, Expected(409, 1250, 1000, 256, 409, Unique));

    // Twice the height: 409 rows become 204.
    output = Output(409);
    ASSERT_GT(reader->ReadRegionRgba(10000, 16000, output.data(), 409), 0);
    EXPECT_EQ(output, Expected(409, 1250, 1000, 512, 204, Unique));
    EXPECT_EQ(output[204 * 512], kCanary);
}

TEST_F(RegionRead, ARegionTooSmallForItsLevelHasNoLevelBuffer) {
    ASSERT_TRUE(WriteEmptyPackage(dir.Path("p"), 100000, 100000).ok());
    PackageHandle reader = OpenOrFail(dir.Path("p"));
    std::vector<std::uint32_t> output = Output(1);
    // N = 1/31 lets level 5 qualify, and 31 rows at 1/32 are 0 rows.
    EXPECT_EQ(reader->ReadRegionRgba(100000, 31, output.data(), 1), -3);
    EXPECT_TRUE(Untouched(output));
}

TEST_F(RegionRead, LevelBuffersBeyond32BitsAreRefused) {
    ASSERT_TRUE(WriteEmptyPackage(dir.Path("tall"), 2048, 67108864).ok());
    PackageHandle reader = OpenOrFail(dir.Path("tall"));
    std::vector<std::uint32_t> output = Output(1);
    // Level 0 in full: 2048 x 67,108,864 pixels.
    EXPECT_EQ(reader->ReadRegionRgba(2048, 67108864, output.data(), 0x7FFFFFFF), -3);
    EXPECT_TRUE(Untouched(output));

    // 2048 x 524,288 pixels fit 32 bits, but their 2^32 bytes do not fit the result.
    ASSERT_TRUE(WriteEmptyPackage(dir.Path("less tall"), 2048, 524288).ok());
    reader = OpenOrFail(dir.Path("less tall"));
    EXPECT_EQ(reader->ReadRegionRgba(2048, 524288, output.data(), 524288), -3);
    EXPECT_TRUE(Untouched(output));
}

TEST_F(RegionRead, ArgumentsAndAClosedFileAreRefused) {
    ASSERT_TRUE(WriteEmptyPackage(dir.Path("p"), 3000, 2000).ok());
    PackageHandle reader = OpenOrFail(dir.Path("p"));
    std::vector<std::uint32_t> output = Output(341);
    EXPECT_EQ(reader->ReadRegionRgba(0, 2000, output.data(), 341), -2);
    EXPECT_EQ(reader->ReadRegionRgba(3000, -1, output.data(), 341), -2);
    EXPECT_EQ(reader->ReadRegionRgba(3000, 2000, output.data(), 0), -2);
    reader->source.reset();
    EXPECT_EQ(reader->ReadRegionRgba(0, 2000, output.data(), 341), -1);  // checked first
    EXPECT_TRUE(Untouched(output));
}

TEST_F(RegionRead, AbsentTilesReadAsTransparent) {
    ASSERT_TRUE(WriteEmptyPackage(dir.Path("p"), 3000, 2000).ok());
    PackageHandle reader = OpenOrFail(dir.Path("p"));
    std::vector<std::uint32_t> output = Output(341);
    // Level 1: 1500 x 1000 pixels in a buffer of 1536 x 1024.
    ASSERT_EQ(reader->ReadRegionRgba(3000, 2000, output.data(), 341), 1536 * 1024 * 4);
    EXPECT_EQ(output, Expected(341, 1500, 1000, 512, 341, [](auto, auto) { return 0u; }));
}

TEST_F(RegionRead, EmptySubTilesAndTheUnreadFirstTableEntry) {
    EncodedSubTiles subTiles;
    for (int n = 0; n < kSubTilesPerTile; ++n) {
        subTiles[n] = SolidSubTile(Rgba(static_cast<std::uint8_t>(10 * n), 0, 0, 255));
    }
    subTiles[9].clear();  // stored with no bytes: its start equals the next one's
    std::vector<std::uint8_t> block = AssembleTileBlock(subTiles);
    StoreI32(block.data() + 4 * 5, LoadI32(block.data() + 4 * 6));  // sub-tile 5 made empty too
    StoreI32(block.data(), 12345);                                  // entry 0 is never read
    CraftedPackage package(2048, 2048);
    package.AddBlock(0, 0, 0, block);
    package.Write(dir.Path("p"));

    PackageHandle reader = OpenOrFail(dir.Path("p"));
    std::vector<std::uint32_t> output = Output(512);
    ASSERT_EQ(reader->ReadRegionRgba(2048, 2048, output.data(), 512), 2048 * 2048 * 4);
    for (int n = 0; n < kSubTilesPerTile; ++n) {
        const std::size_t pixel =
            static_cast<std::size_t>(n / 4 * 128 + 64) * 512 + n % 4 * 128 + 64;
        const std::uint32_t colour =
            n == 5 || n == 9 ? 0u : Rgba(static_cast<std::uint8_t>(10 * n), 0, 0, 255);
        EXPECT_EQ(output[pixel], colour) << "sub-tile " << n;
    }
}

TEST_F(RegionRead, SubTileRangesOutsideTheirBlockAreSkipped) {
    EncodedSubTiles subTiles;
    for (int n = 0; n < kSubTilesPerTile; ++n) {
        subTiles[n] = SolidSubTile(Rgba(0, static_cast<std::uint8_t>(10 * n + 5), 0, 255));
    }
    std::vector<std::uint8_t> block = AssembleTileBlock(subTiles);
    const auto size = static_cast<std::int32_t>(block.size());
    StoreI32(block.data() + 4 * 3, size + 1000);  // sub-tile 2 would end beyond the block
    StoreI32(block.data() + 4 * 9, 8);            // sub-tile 9 would start inside the table
    StoreI32(block.data() + 4 * 13, -7);          // sub-tile 13 would start before the block
    CraftedPackage package(2048, 2048);
    package.AddBlock(0, 0, 0, block);
    package.Write(dir.Path("p"));
    CraftedPackage shortBlock(2048, 2048);
    shortBlock.AddBlock(0, 0, 0, std::vector<std::uint8_t>(40, 0x55));  // shorter than its table
    shortBlock.Write(dir.Path("short"));

    std::vector<std::uint32_t> output = Output(512);
    ASSERT_GT(OpenOrFail(dir.Path("short"))->ReadRegionRgba(2048, 2048, output.data(), 512), 0);
    EXPECT_EQ(output, Expected(512, 2048, 2048, 512, 512, [](auto, auto) { return 0u; }));

    ASSERT_GT(OpenOrFail(dir.Path("p"))->ReadRegionRgba(2048, 2048, output.data(), 512), 0);
    for (int n = 0; n < kSubTilesPerTile; ++n) {
        const std::size_t pixel =
            static_cast<std::size_t>(n / 4 * 128 + 64) * 512 + n % 4 * 128 + 64;
        // 2 runs past the block, 9 and 13 start before the data; 3, 8 and 12 end before they
        // start, which makes them empty.
        const bool skipped = n == 2 || n == 3 || n == 8 || n == 9 || n == 12 || n == 13;
        const std::uint32_t colour =
            skipped ? 0u : Rgba(0, static_cast<std::uint8_t>(10 * n + 5), 0, 255);
        EXPECT_EQ(output[pixel], colour) << "sub-tile " << n;
    }
}

TEST_F(RegionRead, SubTilesTheDecoderRejectsStayTransparent) {
    EncodedSubTiles subTiles;
    subTiles[0] = std::vector<std::uint8_t>(300, 0x42);  // not WebP
    subTiles[1] = SolidSubTile(kRed);
    // Wider than its cell: refused before it is decoded, in the middle and in the last cell alike.
    subTiles[2] = SolidSubTile(Rgba(0, 0, 255, 255), 1024, 512);
    subTiles[15] = SolidSubTile(Rgba(0, 0, 255, 255), 1024, 512);
    CraftedPackage package(2048, 2048);
    package.AddBlock(0, 0, 0, AssembleTileBlock(subTiles));
    package.Write(dir.Path("p"));

    std::vector<std::uint32_t> output = Output(512);
    ASSERT_GT(OpenOrFail(dir.Path("p"))->ReadRegionRgba(2048, 2048, output.data(), 512), 0);
    EXPECT_EQ(output[64 * 512 + 64], 0u);
    EXPECT_EQ(output[64 * 512 + 192], kRed);
    EXPECT_EQ(output[64 * 512 + 320], 0u);
    EXPECT_EQ(output[64 * 512 + 448], 0u);
    EXPECT_EQ(output[448 * 512 + 448], 0u);
}

TEST_F(RegionRead, CroppedAndFullSizeEdgeSubTilesReadTheSame) {
    const TestImage image = CoordinateImage(700, 600, 1);
    for (const bool fullSize : {false, true}) {
        SCOPED_TRACE(fullSize ? "full size" : "cropped");
        CraftedPackage package(700, 600);
        package.AddBlock(0, 0, 0, TileBlockFromImage(image, 0, 0, fullSize));
        package.Write(dir.Path("p"));
        std::vector<std::uint32_t> output = Output(439);
        ASSERT_EQ(OpenOrFail(dir.Path("p"))->ReadRegionRgba(700, 600, output.data(), 439),
                  1024 * 1024 * 4);
        EXPECT_EQ(output, Expected(439, 700, 600, 512, 439, Unique));
    }
}

TEST_F(RegionRead, ABlockCutShortFailsTheWholeRead) {
    // Two tiles of level 0; the second block runs past the end of the file.
    CraftedPackage package(2560, 512);
    const TestImage image = SolidImage(2560, 512, kRed);
    package.AddBlock(0, 0, 0, TileBlockFromImage(image, 0, 0, false));
    package.AddBlock(0, 0, 1, TileBlockFromImage(image, 0, 1, false));
    std::vector<std::uint8_t> bytes = package.Bytes();
    bytes.resize(bytes.size() - 1);
    WriteFileBytes(dir.Path("p"), bytes);

    PackageHandle reader = OpenOrFail(dir.Path("p"));
    std::vector<std::uint32_t> output = Output(512);
    EXPECT_EQ(reader->ReadRegionRgba(2560, 512, output.data(), 512), -4);
    EXPECT_TRUE(Untouched(output));

    // A block that starts beyond the end of the file, or at an offset no file can have.
    package.SetEntry(0, 0, 1, TileIndexEntry{1ull << 40, 100});
    package.Write(dir.Path("p"));
    EXPECT_EQ(OpenOrFail(dir.Path("p"))->ReadRegionRgba(2560, 512, output.data(), 512), -4);
    package.SetEntry(0, 0, 1, TileIndexEntry{~0ull, 100});
    package.Write(dir.Path("p"));
    EXPECT_EQ(OpenOrFail(dir.Path("p"))->ReadRegionRgba(2560, 512, output.data(), 512), -4);
    EXPECT_TRUE(Untouched(output));

    // Half-absent entries are absent: no block is read for them.
    package.SetEntry(0, 0, 1, TileIndexEntry{1ull << 40, 0});
    package.Write(dir.Path("p"));
    EXPECT_GT(OpenOrFail(dir.Path("p"))->ReadRegionRgba(2560, 512, output.data(), 512), 0);
    package.SetEntry(0, 0, 1, TileIndexEntry{0, 100});
    package.Write(dir.Path("p"));
    EXPECT_GT(OpenOrFail(dir.Path("p"))->ReadRegionRgba(2560, 512, output.data(), 512), 0);
    EXPECT_EQ(output[100], kRed);
    EXPECT_EQ(output[500], 0u);
}
