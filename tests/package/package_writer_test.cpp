// The writer: packages that read back, tiles left absent, sub-tile storage forms, streaming in
// bands, identical files on any thread count, and failures that leave no file behind.
#include <gtest/gtest.h>
#include <webp/decode.h>

#include <cerrno>
#include <filesystem>
#include <memory>

#include "file_bytes.h"
#include "open_package.h"
#include "output_file.h"
#include "package_layout.h"
#include "package_reader.h"
#include "pyramid_strips.h"
#include "temp_folder.h"
#include "written_packages.h"

namespace {

std::vector<std::uint32_t> Read(PackageReader& reader, std::int32_t width, std::int32_t height,
                                std::int32_t rows) {
    std::vector<std::uint32_t> output(static_cast<std::size_t>(rows) * 512, 0xDEADBEEF);
    EXPECT_GT(reader.ReadRegionRgba(width, height, output.data(), rows), 0);
    return output;
}

// The sub-tile byte ranges of a tile block, as the table gives them.
std::vector<std::pair<std::int32_t, std::int32_t>> SubTileRanges(
    const std::vector<std::uint8_t>& block) {
    std::vector<std::pair<std::int32_t, std::int32_t>> ranges;
    for (int n = 0; n < kSubTilesPerTile; ++n) {
        const std::int32_t start = n == 0 ? 64 : LoadI32(block.data() + 4 * n);
        const std::int32_t end =
            n == 15 ? static_cast<std::int32_t>(block.size()) : LoadI32(block.data() + 4 * (n + 1));
        ranges.emplace_back(start, end);
    }
    return ranges;
}

std::vector<std::uint8_t> BlockBytes(const std::string& path, const TileIndexEntry& entry) {
    const std::vector<std::uint8_t> file = ReadFileBytes(path);
    return std::vector<std::uint8_t>(
        file.begin() + static_cast<std::ptrdiff_t>(entry.blockOffset),
        file.begin() + static_cast<std::ptrdiff_t>(entry.blockOffset + entry.blockSize));
}

class PackageWriterTest : public ::testing::Test {
  protected:
    TempFolder dir;
};

}  // namespace

TEST_F(PackageWriterTest, LosslessReadsBackPixelExactAtThePreviewLevel) {
    // Constant over 2 x 2 blocks, so level 1 holds exactly the colours of level 0.
    const TestImage image = CoordinateImage(2100, 1100, 2);
    PackageWriteOptions options;
    options.lossless = true;
    const PackageWriteResult result = WriteImagePackage(dir.Path("p"), image, options);
    ASSERT_TRUE(result.ok()) << result.message();
    EXPECT_EQ(result->levels, 2);
    EXPECT_EQ(result->tilesWritten, 3u);  // two tiles of level 0, one of level 1
    EXPECT_EQ(result->bytesWritten, std::filesystem::file_size(dir.Path("p")));

    PackageHandle reader = OpenOrFail(dir.Path("p"));
    EXPECT_EQ(reader->GeoTransform(), kTestGeoTransform);
    // The preview (268 rows) reads level 1: 1050 x 550 pixels.
    const std::vector<std::uint32_t> preview = Read(*reader, 2100, 1100, 268);
    const float stepX = 1050.0f / 512.0f, stepY = 550.0f / 268.0f;
    for (std::uint32_t j = 0; j < 268; ++j) {
        for (std::uint32_t k = 0; k < 512; ++k) {
            const auto x = static_cast<std::uint32_t>(static_cast<float>(k) * stepX);
            const auto y = static_cast<std::uint32_t>(static_cast<float>(j) * stepY);
            ASSERT_EQ(preview[j * 512 + k], image.Pixel(2 * x, 2 * y)) << k << ", " << j;
        }
    }
    // A 512 x 512 corner of level 0, one to one, across the tile boundary at 2048.
    const std::vector<std::uint32_t> corner = Read(*reader, 512, 512, 512);
    for (std::uint32_t y = 0; y < 512; ++y) {
        for (std::uint32_t x = 0; x < 512; ++x) {
            ASSERT_EQ(corner[y * 512 + x], image.Pixel(x, y)) << x << ", " << y;
        }
    }
}

TEST_F(PackageWriterTest, LossyKeepsColoursClose) {
    const std::uint32_t colour = Rgba(180, 90, 40, 255);
    const PackageWriteResult result =
        WriteImagePackage(dir.Path("p"), SolidImage(900, 700, colour));
    ASSERT_TRUE(result.ok()) << result.message();
    PackageHandle reader = OpenOrFail(dir.Path("p"));
    const std::vector<std::uint32_t> output = Read(*reader, 900, 700, 398);
    std::uint8_t bytes[4];
    std::memcpy(bytes, &output[200 * 512 + 256], 4);
    EXPECT_NEAR(bytes[0], 180, 4);
    EXPECT_NEAR(bytes[1], 90, 4);
    EXPECT_NEAR(bytes[2], 40, 4);
    EXPECT_EQ(bytes[3], 255);
}

TEST_F(PackageWriterTest, FullyTransparentTilesAndSubTilesTakeNoBytes) {
    // Left tile red, right tile without data (its colour bytes are not zero, its alpha is).
    TestImage image = SolidImage(4096, 1024, Rgba(9, 9, 9, 0));
    for (std::uint32_t y = 0; y < 1024; ++y) {
        for (std::uint32_t x = 0; x < 500; ++x) {
            image.SetPixel(x, y, Rgba(255, 0, 0, 255));
        }
    }
    PackageWriteOptions options;
    options.lossless = true;
    const PackageWriteResult result = WriteImagePackage(dir.Path("p"), image, options);
    ASSERT_TRUE(result.ok()) << result.message();
    EXPECT_EQ(result->tilesWritten, 2u);
    EXPECT_EQ(result->subTilesWritten, 2u + 1u);  // 2 of level 0, 1 of level 1

    PackageHandle reader = OpenOrFail(dir.Path("p"));
    EXPECT_TRUE(reader->IndexEntry(1).IsAbsent());  // level 0, tile (0, 1)
    const TileIndexEntry left = reader->IndexEntry(0);
    ASSERT_FALSE(left.IsAbsent());
    const auto ranges = SubTileRanges(BlockBytes(dir.Path("p"), left));
    for (int n = 0; n < kSubTilesPerTile; ++n) {
        const bool stored = n == 0 || n == 4;  // x < 500, y < 1024
        EXPECT_EQ(ranges[n].second > ranges[n].first, stored) << n;
    }
    // Cells without data read back as 0, 0, 0, 0 whatever colour they carried.
    const std::vector<std::uint32_t> output = Read(*reader, 1024, 1024, 1024);
    EXPECT_EQ(output[10 * 512 + 100], Rgba(255, 0, 0, 255));
    EXPECT_EQ(output[10 * 512 + 400], 0u);
}

TEST_F(PackageWriterTest, EdgeSubTilesAreCroppedOrPaddedAsAsked) {
    const TestImage image = CoordinateImage(700, 600, 1);
    std::vector<std::vector<std::uint32_t>> outputs;
    for (const EdgeSubTiles edge : {EdgeSubTiles::kCropped, EdgeSubTiles::kFullSize}) {
        const bool cropped = edge == EdgeSubTiles::kCropped;
        SCOPED_TRACE(cropped ? "cropped" : "full size");
        PackageWriteOptions options;
        options.lossless = true;
        options.edgeSubTiles = edge;
        const std::string path = dir.Path(cropped ? "cropped" : "full");
        ASSERT_TRUE(WriteImagePackage(path, image, options).ok());
        PackageHandle reader = OpenOrFail(path);
        const std::vector<std::uint8_t> block = BlockBytes(path, reader->IndexEntry(0));
        const auto ranges = SubTileRanges(block);
        for (int n = 0; n < kSubTilesPerTile; ++n) {
            const bool inside = n == 0 || n == 1 || n == 4 || n == 5;
            ASSERT_EQ(ranges[n].second > ranges[n].first, inside) << n;
            if (!inside) {
                continue;
            }
            int width = 0, height = 0;
            ASSERT_TRUE(WebPGetInfo(block.data() + ranges[n].first,
                                    static_cast<std::size_t>(ranges[n].second - ranges[n].first),
                                    &width, &height));
            EXPECT_EQ(width, cropped && n % 4 == 1 ? 188 : 512) << n;
            EXPECT_EQ(height, cropped && n / 4 == 1 ? 88 : 512) << n;
        }
        outputs.push_back(Read(*reader, 700, 600, 439));
    }
    EXPECT_EQ(outputs[0], outputs[1]);
    EXPECT_EQ(outputs[0][438 * 512 + 511], image.Pixel(698, 598));
}

TEST_F(PackageWriterTest, StreamsTheImageInBandsOfSubTileRows) {
    const TestImage image = CoordinateImage(2100, 1100, 2);
    std::vector<std::pair<std::uint32_t, std::uint32_t>> requests;
    const RowStripSource source = [&](std::uint32_t firstRow, std::uint32_t rowCount,
                                      std::uint8_t* pixels, std::size_t stride, std::string&) {
        requests.emplace_back(firstRow, rowCount);
        EXPECT_EQ(stride, image.Stride());
        // Band 1 without data: level 1 gets a lower half of nothing under an upper half of data.
        if (firstRow == 512) {
            return StripContent::kTransparent;
        }
        for (std::uint32_t row = 0; row < rowCount; ++row) {
            std::memcpy(pixels + row * stride, image.bytes.data() + (firstRow + row) * stride,
                        stride);
        }
        return StripContent::kPixels;
    };
    PackageWriteOptions options;
    options.lossless = true;
    ASSERT_TRUE(WritePackage(dir.Path("p"), 2100, 1100, kTestGeoTransform, source, options).ok());
    const std::vector<std::pair<std::uint32_t, std::uint32_t>> expected = {
        {0, 512}, {512, 512}, {1024, 76}};
    EXPECT_EQ(requests, expected);

    PackageHandle reader = OpenOrFail(dir.Path("p"));
    const std::vector<std::uint32_t> preview = Read(*reader, 2100, 1100, 268);  // level 1
    const float stepX = 1050.0f / 512.0f, stepY = 550.0f / 268.0f;
    for (std::uint32_t j = 0; j < 268; ++j) {
        const auto y = static_cast<std::uint32_t>(static_cast<float>(j) * stepY);
        for (std::uint32_t k = 0; k < 512; ++k) {
            const auto x = static_cast<std::uint32_t>(static_cast<float>(k) * stepX);
            const bool hole = y >= 256 && y < 512;
            ASSERT_EQ(preview[j * 512 + k], hole ? 0u : image.Pixel(2 * x, 2 * y))
                << k << ", " << j;
        }
    }
}

TEST_F(PackageWriterTest, ATransparentBandBeforeDataLeavesItsRowsEmpty) {
    const std::uint32_t colour = Rgba(10, 200, 30, 255);
    const RowStripSource source = [&](std::uint32_t firstRow, std::uint32_t rowCount,
                                      std::uint8_t* pixels, std::size_t stride, std::string&) {
        if (firstRow == 0) {
            std::memset(pixels, 0x77, rowCount * stride);  // whatever the memory held is ignored
            return StripContent::kTransparent;
        }
        const TestImage band = SolidImage(2100, rowCount, colour);
        std::memcpy(pixels, band.bytes.data(), band.bytes.size());
        return StripContent::kPixels;
    };
    PackageWriteOptions options;
    options.lossless = true;
    ASSERT_TRUE(WritePackage(dir.Path("p"), 2100, 1100, kTestGeoTransform, source, options).ok());
    PackageHandle reader = OpenOrFail(dir.Path("p"));
    const std::vector<std::uint32_t> preview = Read(*reader, 2100, 1100, 268);
    EXPECT_EQ(preview[10 * 512 + 10], 0u);       // level-1 row 20: from band 0
    EXPECT_EQ(preview[200 * 512 + 10], colour);  // level-1 row 410
}

TEST_F(PackageWriterTest, ThreadsDoNotChangeTheFile) {
    TestImage image(2600, 1300);
    std::uint32_t state = 12345;
    for (std::size_t i = 0; i < image.bytes.size(); ++i) {
        state = state * 1103515245 + 12345;
        image.bytes[i] = static_cast<std::uint8_t>(i % 4 == 3 ? 255 : (state >> 16) & 0x3F);
    }
    PackageWriteOptions options;
    options.quality = 60;
    ASSERT_TRUE(WriteImagePackage(dir.Path("one"), image, options).ok());
    options.threads = 3;
    ASSERT_TRUE(WriteImagePackage(dir.Path("three"), image, options).ok());
    EXPECT_EQ(ReadFileBytes(dir.Path("one")), ReadFileBytes(dir.Path("three")));
}

TEST_F(PackageWriterTest, ReportsProgressPerStripAndTileRowNeverBackwards) {
    std::vector<WriteProgress> reports;
    PackageWriteOptions options;
    options.progress = [&](const WriteProgress& progress) { reports.push_back(progress); };
    const RowStripSource transparent = [](std::uint32_t, std::uint32_t, std::uint8_t*, std::size_t,
                                          std::string&) { return StripContent::kTransparent; };
    // 5000 x 4500: level 0 has 3 tile rows of 3, level 1 2 rows of 2, level 2 one tile.
    ASSERT_TRUE(
        WritePackage(dir.Path("p"), 5000, 4500, kTestGeoTransform, transparent, options).ok());
    // One report per level-0 strip (9) and per tile row (6).
    ASSERT_EQ(reports.size(), 15u);
    WriteProgress previous;
    for (const WriteProgress& report : reports) {
        EXPECT_GE(report.tilesDone, previous.tilesDone);
        EXPECT_GE(report.pixelsDone, previous.pixelsDone);
        EXPECT_GT(report.tilesDone + report.pixelsDone, previous.tilesDone + previous.pixelsDone);
        EXPECT_EQ(report.tilesTotal, 9u + 4u + 1u);
        EXPECT_EQ(report.pixelsTotal, 5000u * 4500 + 2500u * 2250 + 1250u * 1125);
        previous = report;
    }
    EXPECT_EQ(reports.back().tilesDone, 14u);
    EXPECT_EQ(reports.back().pixelsDone, reports.back().pixelsTotal);
    EXPECT_EQ(reports.back().level, 2);
}

TEST_F(PackageWriterTest, AFailedWriteLeavesNoFileAndKeepsTheOldOne) {
    const std::string path = dir.Path("p.qvrmp");
    WriteFileBytes(path, {1, 2, 3});
    int writes = 0;
    PackageWriteOptions options;
    options.writeAt = [&](FileHandle file, std::uint64_t offset, const void* data,
                          std::size_t size) {
        if (++writes == 2) {
            return ENOSPC;
        }
        return WriteBytesAt(file, offset, data, size);
    };
    const PackageWriteResult result =
        WriteImagePackage(path, SolidImage(3000, 600, Rgba(1, 2, 3, 255)), options);
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.code(), WriteCode::kFileFailed);
    EXPECT_EQ(result.message().rfind("cannot write " + path + ": ", 0), 0u) << result.message();
    EXPECT_NE(result.message().find(ErrorText(ENOSPC)), std::string::npos) << result.message();
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"p.qvrmp"});
    EXPECT_EQ(ReadFileBytes(path), (std::vector<std::uint8_t>{1, 2, 3}));

    // The header is written last; failing there too leaves nothing.
    options.writeAt = [&](FileHandle, std::uint64_t offset, const void*, std::size_t) {
        return offset == 0 ? EIO : 0;
    };
    EXPECT_FALSE(WriteImagePackage(path, SolidImage(10, 10, Rgba(1, 1, 1, 255)), options).ok());
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"p.qvrmp"});
}

TEST_F(PackageWriterTest, AFailingSourceEndsTheWrite) {
    const RowStripSource source = [](std::uint32_t firstRow, std::uint32_t, std::uint8_t*,
                                     std::size_t, std::string& errorText) {
        if (firstRow > 0) {
            errorText = "device gone";
            return StripContent::kFailed;
        }
        return StripContent::kTransparent;
    };
    const PackageWriteResult result =
        WritePackage(dir.Path("p"), 100, 1500, kTestGeoTransform, source);
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.code(), WriteCode::kSourceFailed);
    EXPECT_EQ(result.message(), "cannot read image rows 512 to 1023: device gone");
    EXPECT_TRUE(dir.Entries().empty());
}

TEST_F(PackageWriterTest, RefusesWhatCannotBeWritten) {
    PackageWriteResult result = WriteEmptyPackage(dir.Path("missing/p"), 10, 10);
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.code(), WriteCode::kFileFailed);
    EXPECT_EQ(result.message(),
              "cannot create a file beside " + dir.Path("missing/p") + ": " + ErrorText(ENOENT));

    result = WriteEmptyPackage(dir.Path("p"), 67108865, 1);
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.code(), WriteCode::kTooLarge);
    EXPECT_EQ(result.message(), "an image of 67108865 x 1 pixels does not fit a package");
    result = WriteEmptyPackage(dir.Path("p"), 67108864, 67108864);
    EXPECT_FALSE(result.ok());

    PackageWriteOptions options;
    options.quality = 101;
    result = WriteImagePackage(dir.Path("p"), SolidImage(4, 4, 0), options);
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.code(), WriteCode::kBadOptions);
    EXPECT_EQ(result.message(), "quality 101 is not within 0 to 100");
    EXPECT_TRUE(dir.Entries().empty());
}

TEST_F(PackageWriterTest, EmptyImagesGiveAHeaderOnly) {
    int calls = 0;
    const RowStripSource source = [&](std::uint32_t, std::uint32_t, std::uint8_t*, std::size_t,
                                      std::string&) {
        ++calls;
        return StripContent::kPixels;
    };
    const PackageWriteResult result =
        WritePackage(dir.Path("p"), 0, 3000, kTestGeoTransform, source);
    ASSERT_TRUE(result.ok()) << result.message();
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(result->bytesWritten, 65536u);
    EXPECT_EQ(OpenOrFail(dir.Path("p"))->Height(), 3000u);
}

namespace {

// Every tile block of a package by index entry (empty for an absent tile), whatever their order in
// the file.
std::vector<std::vector<std::uint8_t>> BlocksByEntry(const std::string& path) {
    const std::vector<std::uint8_t> file = ReadFileBytes(path);
    const PackageLayout layout = MakePackageLayout(LoadU32(file.data() + kWidthOffset),
                                                   LoadU32(file.data() + kHeightOffset));
    std::vector<std::vector<std::uint8_t>> blocks;
    for (std::uint64_t entry = 0; entry < layout.entryCount; ++entry) {
        const std::uint8_t* bytes = file.data() + IndexEntryOffset(entry);
        const TileIndexEntry index{LoadU64(bytes + kEntryBlockOffsetOffset),
                                   LoadU32(bytes + kEntryBlockSizeOffset)};
        blocks.push_back(index.IsAbsent() ? std::vector<std::uint8_t>{} : BlockBytes(path, index));
    }
    return blocks;
}

// Odd sizes, noise that does not halve exactly, and a transparent hole across block boundaries.
TestImage NoisyImageWithHole(std::uint32_t width, std::uint32_t height) {
    TestImage image(width, height);
    std::uint32_t state = 777;
    for (std::size_t i = 0; i < image.bytes.size(); ++i) {
        state = state * 1103515245 + 12345;
        image.bytes[i] = static_cast<std::uint8_t>(i % 4 == 3 ? 255 : (state >> 16) & 0xFF);
    }
    for (std::uint32_t y = 300; y < std::min(height, 900u); ++y) {
        for (std::uint32_t x = 1500; x < 4400; ++x) {
            image.SetPixel(x, y, (x + y) % 3 == 0 ? Rgba(9, 9, 9, 128) : 0);
        }
    }
    return image;
}

}  // namespace

TEST(WritePlanTest, PixelsStayWithinTheBudgetWhateverTheWidth) {
    // Ordinary sizes keep full-width strips, as packages have always been written.
    for (const auto& [width, height] : std::vector<std::pair<std::uint32_t, std::uint32_t>>{
             {8000, 8000}, {60000, 60000}, {5001, 3003}, {100, 67108864}}) {
        const WritePlan plan = PlanWrite(MakePackageLayout(width, height));
        EXPECT_EQ(plan.blockLevel, -1) << width << " x " << height;
        EXPECT_LE(plan.pixelBytes, kPixelBudgetBytes) << width << " x " << height;
    }
    // Very wide ones are walked in blocks; what the strips and tiles really take stays under.
    for (const auto& [width, height] :
         std::vector<std::pair<std::uint32_t, std::uint32_t>>{{1000000, 64},
                                                              {1000000, 1000000},
                                                              {200000, 512},
                                                              {67108864, 1},
                                                              {67108864, 2048},
                                                              {67108864, 100000},
                                                              {2000000, 67108864}}) {
        const PackageLayout layout = MakePackageLayout(width, height);
        ASSERT_TRUE(layout.Representable()) << width << " x " << height;
        EXPECT_GT(FullWidthStripBytes(layout), kPixelBudgetBytes) << width << " x " << height;
        const WritePlan plan = PlanWrite(layout);
        ASSERT_GE(plan.blockLevel, 0) << width << " x " << height;
        ASSERT_LT(plan.blockLevel, layout.topLevel) << width << " x " << height;
        EXPECT_LE(plan.pixelBytes, kPixelBudgetBytes) << width << " x " << height;

        const PyramidStrips strips(layout, plan.blockLevel + 1, plan.BlockSide());
        std::uint64_t held = 0;
        for (int level = 0; level <= plan.blockLevel; ++level) {
            const LevelStrip& strip = const_cast<PyramidStrips&>(strips).Strip(level);
            held += std::uint64_t{strip.capacityRows} * strip.stride;
        }
        for (int level = plan.blockLevel + 1; level <= layout.topLevel; ++level) {
            // One tile each, as many rows as the level has up to a tile's.
            held += std::uint64_t{std::min(kTileSize, layout.levelHeight[level])} * kTileSize *
                    kBytesPerPixel;
        }
        EXPECT_LE(held, kPixelBudgetBytes) << width << " x " << height;
    }
    // 1,000,000 x 64 has few rows per strip and tile row: four blocks of 262,144 pixels.
    // 1,000,000 x 1,000,000 has them all: blocks of 8192 pixels.
    EXPECT_EQ(PlanWrite(MakePackageLayout(1000000, 64)).blockLevel, 7);
    EXPECT_EQ(PlanWrite(MakePackageLayout(1000000, 1000000)).blockLevel, 2);
}

TEST_F(PackageWriterTest, ABlockWalkWritesTheSameTileBlocksAsFullWidthStrips) {
    // Wide and short, so that blocks of levels 0 and 1 both hold less than full-width strips.
    const TestImage image = NoisyImageWithHole(9001, 600);
    PackageWriteOptions options;
    options.quality = 50;
    options.threads = 2;
    const PackageWriteResult strips = WriteImagePackage(dir.Path("strips"), image, options);
    ASSERT_TRUE(strips.ok()) << strips.message();
    const std::vector<std::vector<std::uint8_t>> expected = BlocksByEntry(dir.Path("strips"));

    const PackageLayout layout = MakePackageLayout(9001, 600);
    for (const int blockLevel : {0, 1}) {
        // A budget that gives blocks of this level; none fits 1 byte, so the smallest blocks.
        options.pixelBudgetBytes = blockLevel == 0 ? 1 : BlockWalkBytes(layout, blockLevel);
        ASSERT_EQ(PlanWrite(layout, options.pixelBudgetBytes).blockLevel, blockLevel);
        std::vector<WriteProgress> reports;
        options.progress = [&](const WriteProgress& progress) { reports.push_back(progress); };
        // Each pixel asked for once, in regions no wider than a block.
        std::vector<std::uint8_t> asked(std::size_t{image.width} * image.height, 0);
        const RegionSource source = [&](const PixelRegion& region, std::uint8_t* pixels,
                                        std::size_t stride, std::string&) {
            EXPECT_LE(region.columnCount, kTileSize << blockLevel);
            for (std::uint32_t row = 0; row < region.rowCount; ++row) {
                const std::uint32_t y = region.firstRow + row;
                std::memcpy(pixels + row * stride,
                            image.bytes.data() + y * image.Stride() + region.firstColumn * 4,
                            std::size_t{region.columnCount} * 4);
                for (std::uint32_t x = 0; x < region.columnCount; ++x) {
                    ++asked[std::size_t{y} * image.width + region.firstColumn + x];
                }
            }
            return StripContent::kPixels;
        };
        const std::string path = dir.Path("blocks" + std::to_string(blockLevel));
        const PackageWriteResult blocks =
            WritePackage(path, image.width, image.height, kTestGeoTransform, source, options);
        ASSERT_TRUE(blocks.ok()) << blocks.message();
        EXPECT_EQ(std::count(asked.begin(), asked.end(), 1),
                  static_cast<std::ptrdiff_t>(asked.size()));
        EXPECT_EQ(blocks->tilesWritten, strips->tilesWritten);
        EXPECT_EQ(blocks->subTilesWritten, strips->subTilesWritten);
        EXPECT_EQ(blocks->bytesWritten, strips->bytesWritten);
        EXPECT_TRUE(BlocksByEntry(path) == expected) << "block level " << blockLevel;
        ASSERT_FALSE(reports.empty());
        EXPECT_EQ(reports.back().tilesDone, layout.entryCount);
        EXPECT_EQ(reports.back().pixelsDone, reports.back().pixelsTotal);
        for (std::size_t i = 1; i < reports.size(); ++i) {
            EXPECT_GE(reports[i].tilesDone, reports[i - 1].tilesDone);
            EXPECT_GE(reports[i].pixelsDone, reports[i - 1].pixelsDone);
        }
    }

    // A source of whole rows gives the same package: only the block's columns are kept.
    options.progress = nullptr;
    options.pixelBudgetBytes = BlockWalkBytes(layout, 1);
    // Rows 512 to 599 without data: the source says so for the whole band.
    TestImage holed = image;
    for (std::uint32_t y = 512; y < 600; ++y) {
        std::memset(holed.bytes.data() + y * holed.Stride(), 0, holed.Stride());
    }
    const RowStripSource rows = [&](std::uint32_t firstRow, std::uint32_t rowCount,
                                    std::uint8_t* pixels, std::size_t stride, std::string&) {
        EXPECT_EQ(stride, image.Stride());
        if (firstRow >= 512) {
            std::memset(pixels, 0x55, rowCount * stride);  // ignored
            return StripContent::kTransparent;
        }
        std::memcpy(pixels, holed.bytes.data() + firstRow * stride, rowCount * stride);
        return StripContent::kPixels;
    };
    options.pixelBudgetBytes = kPixelBudgetBytes;
    ASSERT_TRUE(WriteImagePackage(dir.Path("holed"), holed, options).ok());
    options.pixelBudgetBytes = BlockWalkBytes(layout, 1);
    ASSERT_TRUE(
        WritePackage(dir.Path("rows"), image.width, image.height, kTestGeoTransform, rows, options)
            .ok());
    EXPECT_TRUE(BlocksByEntry(dir.Path("rows")) == BlocksByEntry(dir.Path("holed")));
}

TEST_F(PackageWriterTest, ACancelIsSeenInsideTheHalvingOfAStrip) {
    // One strip of 512 rows: the only place left to see the cancel is between halved rows.
    const PackageLayout layout = MakePackageLayout(4000, 512);
    PyramidStrips strips(layout, layout.LevelCount());
    std::memset(strips.BeginLevel0Strip(0), 200, strips.Strip(0).stride * 512);
    int asked = 0;
    const std::vector<int> completed = strips.FinishLevel0Strip(true, [&] { return ++asked > 10; });
    EXPECT_TRUE(completed.empty());
    EXPECT_EQ(asked, 11);

    // A write told to stop while it halves the strip fails as interrupted and leaves no file.
    PackageWriteOptions options;
    int calls = 0;
    options.cancelled = [&] { return ++calls > 3; };
    const PackageWriteResult result =
        WriteImagePackage(dir.Path("p"), SolidImage(4000, 512, Rgba(1, 2, 3, 255)), options);
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.code(), WriteCode::kInterrupted);
    EXPECT_TRUE(dir.Entries().empty());

    // So does a source that was told to stop.
    const RowStripSource stopped = [](std::uint32_t, std::uint32_t, std::uint8_t*, std::size_t,
                                      std::string&) { return StripContent::kStopped; };
    const PackageWriteResult fromSource =
        WritePackage(dir.Path("p"), 100, 100, kTestGeoTransform, stopped);
    ASSERT_FALSE(fromSource.ok());
    EXPECT_EQ(fromSource.code(), WriteCode::kInterrupted);
    EXPECT_TRUE(dir.Entries().empty());
}

// While it is written the output has no name where the file system allows it, so that a killed
// writer leaves nothing; it takes the target's name whole, whether it may replace a file or not.
TEST_F(PackageWriterTest, TheOutputHasNoNameUntilItIsWhole) {
    FileHandle probe;
    if (CreateUnnamedFile(dir.Path(""), probe) != 0) {
        GTEST_SKIP() << "this file system makes no unnamed files";
    }
    CloseFile(probe);
    for (const ExistingTarget existing : {ExistingTarget::kKeep, ExistingTarget::kReplace}) {
        const std::string path = dir.Path("out.png");
        for (const bool commit : {false, true}) {
            {
                OutputFile file;
                ASSERT_TRUE(file.Create(path, nullptr, existing));
                ASSERT_TRUE(file.WriteAt(0, "whole", 5));
                EXPECT_TRUE(dir.Entries().empty());
                if (commit) {
                    ASSERT_TRUE(file.Commit());
                }
            }
            EXPECT_EQ(dir.Entries(),
                      commit ? std::vector<std::string>{"out.png"} : std::vector<std::string>{});
        }
        EXPECT_EQ(ReadFileBytes(path).size(), 5u);
        RemoveFile(path);
    }
}
