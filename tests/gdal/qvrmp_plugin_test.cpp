// The QVRMP plugin loaded the way users load it (GDAL_DRIVER_PATH, GDALAllRegister, GDALOpenEx):
// what a package looks like as a dataset, its pixels against the writer's input and the reader's
// own region read, access through GDAL's virtual file systems, and what it refuses.
#include <cpl_conv.h>
#include <cpl_error.h>
#include <cpl_vsi.h>
#include <gdal.h>
#include <ogr_srs_api.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "file_bytes.h"
#include "fixture_folder.h"
#include "package_headers.h"
#include "package_layout.h"
#include "package_reader.h"
#include "package_writer.h"
#include "sidecar_tie.h"
#include "test_images.h"

namespace {

constexpr GeoTransformCoefficients kTransform = {500000.0, 2.5, 0.0, 4000000.0, 0.0, -2.5};
constexpr int kBands = 4;

struct DatasetCloser {
    void operator()(GDALDatasetH dataset) const { GDALClose(dataset); }
};
using Dataset = std::unique_ptr<std::remove_pointer_t<GDALDatasetH>, DatasetCloser>;

Dataset OpenRaster(const std::string& path) {
    const char* const drivers[] = {"QVRMP", nullptr};
    return Dataset(
        GDALOpenEx(path.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY, drivers, nullptr, nullptr));
}

// The whole dataset as RGBA rows, as the writer takes them.
CPLErr ReadRgba(GDALDatasetH dataset, std::vector<std::uint8_t>& pixels) {
    const int width = GDALGetRasterXSize(dataset);
    const int height = GDALGetRasterYSize(dataset);
    pixels.assign(std::size_t{4} * width * height, 0xEE);
    return GDALDatasetRasterIO(dataset, GF_Read, 0, 0, width, height, pixels.data(), width, height,
                               GDT_Byte, kBands, nullptr, kBands, kBands * width, 1);
}

// An image whose right part (from x = kTileSize on) is transparent: its tiles there are absent.
TestImage HalfTransparentImage(std::uint32_t width, std::uint32_t height) {
    TestImage image = CoordinateImage(width, height, 1);
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = kTileSize; x < width; ++x) {
            image.SetPixel(x, y, 0);
        }
    }
    return image;
}

class QvrmpPlugin : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        CPLSetConfigOption("GDAL_DRIVER_PATH", TARNVIEW_GDAL_PLUGIN_DIR);
        GDALAllRegister();
        ASSERT_NE(GDALGetDriverByName("QVRMP"), nullptr) << "plugin not loaded";
    }

    std::string Path(const char* name) const { return fixtures.Utf8Path(name).toStdString(); }

    std::string WriteLossless(const char* name, const TestImage& image) {
        PackageWriteOptions options;
        options.lossless = true;
        const std::string path = Path(name);
        const PackageWriteResult written =
            WritePackageFromRgba(path, image.bytes.data(), image.width, image.height,
                                 image.Stride(), kTransform, options);
        EXPECT_TRUE(written.ok()) << written.message();
        return path;
    }

    FixtureFolder fixtures;
};

TEST_F(QvrmpPlugin, SizeBandsOverviewsGeoTransformAndMetadata) {
    WriteHeaderOnlyPackage(
        fixtures.Path("odd.qvrmp"),
        PackageHeaderRecipe{.width = 5001, .height = 3001, .geoTransform = kTransform});
    const Dataset dataset = OpenRaster(Path("odd.qvrmp"));
    ASSERT_NE(dataset, nullptr) << CPLGetLastErrorMsg();
    EXPECT_STREQ(GDALGetDriverShortName(GDALGetDatasetDriver(dataset.get())), "QVRMP");
    EXPECT_EQ(GDALGetRasterXSize(dataset.get()), 5001);
    EXPECT_EQ(GDALGetRasterYSize(dataset.get()), 3001);
    ASSERT_EQ(GDALGetRasterCount(dataset.get()), kBands);
    const GDALColorInterp colours[] = {GCI_RedBand, GCI_GreenBand, GCI_BlueBand, GCI_AlphaBand};
    for (int band = 1; band <= kBands; ++band) {
        GDALRasterBandH raster = GDALGetRasterBand(dataset.get(), band);
        EXPECT_EQ(GDALGetRasterColorInterpretation(raster), colours[band - 1]);
        int blockX = 0;
        int blockY = 0;
        GDALGetBlockSize(raster, &blockX, &blockY);
        EXPECT_EQ(blockX, 512);
        EXPECT_EQ(blockY, 512);
        // Levels 1 and 2, each rounded up.
        ASSERT_EQ(GDALGetOverviewCount(raster), 2);
        EXPECT_EQ(GDALGetRasterBandXSize(GDALGetOverview(raster, 0)), 2501);
        EXPECT_EQ(GDALGetRasterBandYSize(GDALGetOverview(raster, 0)), 1501);
        EXPECT_EQ(GDALGetRasterBandXSize(GDALGetOverview(raster, 1)), 1251);
        EXPECT_EQ(GDALGetRasterBandYSize(GDALGetOverview(raster, 1)), 751);
    }
    // The alpha band gives every band the dataset's mask.
    EXPECT_EQ(GDALGetMaskFlags(GDALGetRasterBand(dataset.get(), 1)), GMF_ALPHA | GMF_PER_DATASET);

    double transform[6] = {};
    ASSERT_EQ(GDALGetGeoTransform(dataset.get(), transform), CE_None);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(transform[i], kTransform[i]) << i;
    }
    EXPECT_STREQ(GDALGetMetadataItem(dataset.get(), "TOP_LEVEL", "QVRMP"), "2");
    EXPECT_STREQ(GDALGetMetadataItem(dataset.get(), "TILE_ENTRIES", "QVRMP"), "9");
    EXPECT_STREQ(GDALGetMetadataItem(dataset.get(), "TILES_PRESENT", "QVRMP"), "0");
    EXPECT_STREQ(GDALGetMetadataItem(dataset.get(), "INTERLEAVE", "IMAGE_STRUCTURE"), "PIXEL");
    EXPECT_STREQ(GDALGetMetadataItem(dataset.get(), "COMPRESSION", "IMAGE_STRUCTURE"), "WEBP");

    // Every tile is absent: all four bands read 0, the overviews too.
    std::vector<std::uint8_t> pixels;
    ASSERT_EQ(ReadRgba(dataset.get(), pixels), CE_None);
    EXPECT_EQ(pixels, std::vector<std::uint8_t>(pixels.size(), 0));
    std::vector<std::uint8_t> overview(1251 * 751, 0xEE);
    ASSERT_EQ(GDALRasterIO(GDALGetOverview(GDALGetRasterBand(dataset.get(), 4), 1), GF_Read, 0, 0,
                           1251, 751, overview.data(), 1251, 751, GDT_Byte, 0, 0),
              CE_None);
    EXPECT_EQ(overview, std::vector<std::uint8_t>(overview.size(), 0));
    // Opening the package wrote nothing beside it.
    EXPECT_FALSE(std::filesystem::exists(Path("odd.qvrmp.aux.xml")));
}

TEST_F(QvrmpPlugin, TheSidecarCarriesTheCoordinateSystemAndUpdateIsRefused) {
    WriteHeaderOnlyPackage(fixtures.Path("p.qvrmp"), PackageHeaderRecipe{});
    CPLErrorReset();
    EXPECT_EQ(GDALOpenEx(Path("p.qvrmp").c_str(), GDAL_OF_RASTER | GDAL_OF_UPDATE, nullptr, nullptr,
                         nullptr),
              nullptr);
    EXPECT_NE(std::string(CPLGetLastErrorMsg()).find("packages are read-only"), std::string::npos)
        << CPLGetLastErrorMsg();
    {
        // As gdal_edit.py -ro -a_srs does it: set on a read-only dataset, kept in the sidecar.
        const Dataset dataset = OpenRaster(Path("p.qvrmp"));
        ASSERT_NE(dataset, nullptr);
        EXPECT_EQ(GDALGetSpatialRef(dataset.get()), nullptr);
        OGRSpatialReferenceH srs = OSRNewSpatialReference(nullptr);
        OSRImportFromEPSG(srs, 32633);
        EXPECT_EQ(GDALSetSpatialRef(dataset.get(), srs), CE_None);
        OSRDestroySpatialReference(srs);
    }
    ASSERT_TRUE(std::filesystem::exists(Path("p.qvrmp.aux.xml")));
    const Dataset reopened = OpenRaster(Path("p.qvrmp"));
    ASSERT_NE(reopened, nullptr);
    OGRSpatialReferenceH srs = GDALGetSpatialRef(reopened.get());
    ASSERT_NE(srs, nullptr);
    EXPECT_STREQ(OSRGetAuthorityCode(srs, nullptr), "32633");
}

TEST_F(QvrmpPlugin, PixelsOfEveryLevelAreTheWritersAndTheRegionReads) {
    // Two tile columns, the right one absent; edge sub-tiles cropped.
    const TestImage image = HalfTransparentImage(2100, 600);
    const std::string path = WriteLossless("lossless.qvrmp", image);
    const Dataset dataset = OpenRaster(path);
    ASSERT_NE(dataset, nullptr) << CPLGetLastErrorMsg();
    EXPECT_STREQ(GDALGetMetadataItem(dataset.get(), "TILES_PRESENT", "QVRMP"), "2");

    std::vector<std::uint8_t> pixels;
    ASSERT_EQ(ReadRgba(dataset.get(), pixels), CE_None);
    EXPECT_TRUE(pixels == image.bytes);

    // The reader's region read picks level 0 for 512 x 600 into 600 rows, level 1 for 1024 x 600
    // into 300 rows; both sample one to one.
    std::string errorText;
    PackageHandle reader(OpenPackage(path, errorText));
    ASSERT_NE(reader, nullptr) << errorText;
    struct Case {
        int overview;  // -1: the dataset itself
        int regionWidth;
        int rows;
    };
    for (const Case& level : {Case{-1, 512, 600}, Case{0, 1024, 300}}) {
        std::vector<std::uint32_t> region(std::size_t{512} * level.rows);
        ASSERT_GT(reader->ReadRegionRgba(level.regionWidth, 600, region.data(), level.rows), 0);
        std::vector<std::uint32_t> read(region.size());
        for (int band = 1; band <= kBands; ++band) {
            GDALRasterBandH raster = GDALGetRasterBand(dataset.get(), band);
            if (level.overview >= 0) {
                raster = GDALGetOverview(raster, level.overview);
            }
            ASSERT_EQ(GDALRasterIO(raster, GF_Read, 0, 0, 512, level.rows,
                                   reinterpret_cast<std::uint8_t*>(read.data()) + band - 1, 512,
                                   level.rows, GDT_Byte, kBands, kBands * 512),
                      CE_None);
        }
        EXPECT_TRUE(read == region) << "overview " << level.overview;
    }
}

TEST_F(QvrmpPlugin, OneDecodeFillsAllFourBandsAndVsiPathsRead) {
    const TestImage image = HalfTransparentImage(2100, 600);
    const std::string path = WriteLossless("p.qvrmp", image);
    std::vector<std::uint8_t> bytes(std::filesystem::file_size(path));
    FILE* file = std::fopen(path.c_str(), "rb");
    ASSERT_EQ(std::fread(bytes.data(), 1, bytes.size(), file), bytes.size());
    std::fclose(file);

    // Inside a zip archive.
    const std::string zipped = "/vsizip/" + Path("p.zip") + "/inner/p.qvrmp";
    VSILFILE* entry = VSIFOpenL(zipped.c_str(), "wb");
    ASSERT_NE(entry, nullptr);
    ASSERT_EQ(VSIFWriteL(bytes.data(), 1, bytes.size(), entry), bytes.size());
    VSIFCloseL(entry);
    std::vector<std::uint8_t> pixels;
    {
        const Dataset dataset = OpenRaster(zipped);
        ASSERT_NE(dataset, nullptr) << CPLGetLastErrorMsg();
        ASSERT_EQ(ReadRgba(dataset.get(), pixels), CE_None);
        EXPECT_TRUE(pixels == image.bytes);
    }

    // In memory: once band 1 is read, the package is cut to its header, and the other bands still
    // read whole from the blocks that band 1's decodes left in the cache.
    const std::string memory = "/vsimem/qvrmp_plugin_test.qvrmp";
    VSILFILE* memoryFile = VSIFileFromMemBuffer(memory.c_str(), bytes.data(), bytes.size(), FALSE);
    ASSERT_NE(memoryFile, nullptr);
    VSIFCloseL(memoryFile);
    const Dataset dataset = OpenRaster(memory);
    ASSERT_NE(dataset, nullptr);
    std::vector<std::uint8_t> band(std::size_t{image.width} * image.height);
    ASSERT_EQ(GDALRasterIO(GDALGetRasterBand(dataset.get(), 1), GF_Read, 0, 0, image.width,
                           image.height, band.data(), image.width, image.height, GDT_Byte, 0, 0),
              CE_None);
    VSILFILE* cut = VSIFOpenL(memory.c_str(), "r+b");
    ASSERT_EQ(VSIFTruncateL(cut, kMinHeaderLength), 0);
    VSIFCloseL(cut);
    ASSERT_EQ(ReadRgba(dataset.get(), pixels), CE_None) << CPLGetLastErrorMsg();
    EXPECT_TRUE(pixels == image.bytes);
    VSIUnlink(memory.c_str());
}

TEST_F(QvrmpPlugin, ABadSubTileReadsAsEmptyWithAWarningAndACutBlockFails) {
    const TestImage image = CoordinateImage(2100, 600, 1);
    const std::string path = WriteLossless("p.qvrmp", image);
    std::string errorText;
    TileIndexEntry second;
    {
        PackageHandle reader(OpenPackage(path, errorText));
        ASSERT_NE(reader, nullptr) << errorText;
        second = reader->IndexEntry(1);  // level 0, tile row 0, column 1
        ASSERT_FALSE(second.IsAbsent());
    }
    // Garbage in the first sub-tile's WebP data of tile (0, 1).
    std::vector<std::uint8_t> garbage(16, 0xA5);
    FILE* file = std::fopen(path.c_str(), "r+b");
    std::fseek(file, static_cast<long>(second.blockOffset + kFirstSubTileStart), SEEK_SET);
    std::fwrite(garbage.data(), 1, garbage.size(), file);
    std::fclose(file);
    // The whole image at once, or band by band through the block cache.
    const auto readQuietly = [&](std::vector<std::uint8_t>& pixels, bool bandByBand = false) {
        const Dataset dataset = OpenRaster(path);
        EXPECT_NE(dataset, nullptr);
        CPLErrorReset();
        CPLPushErrorHandler(CPLQuietErrorHandler);
        CPLErr result = ReadRgba(dataset.get(), pixels);
        for (int band = 1; bandByBand && band <= kBands && result == CE_None; ++band) {
            result = GDALRasterIO(GDALGetRasterBand(dataset.get(), band), GF_Read, 0, 0,
                                  image.width, image.height, pixels.data() + band - 1, image.width,
                                  image.height, GDT_Byte, kBands, kBands * image.width);
        }
        CPLPopErrorHandler();
        return result;
    };

    // The whole image reads; that sub-tile's pixels (x 2048 on, y below 512) are empty.
    std::vector<std::uint8_t> pixels;
    std::vector<std::uint8_t> expected = image.bytes;
    for (std::uint32_t y = 0; y < kSubTileSize; ++y) {
        std::fill_n(expected.begin() + (std::size_t{y} * image.width + kTileSize) * 4,
                    (image.width - kTileSize) * 4, 0);
    }
    for (const bool bandByBand : {false, true}) {
        ASSERT_EQ(readQuietly(pixels, bandByBand), CE_None) << "band by band: " << bandByBand;
        EXPECT_EQ(CPLGetLastErrorType(), CE_Warning);
        EXPECT_NE(std::string(CPLGetLastErrorMsg())
                      .find("sub-tile 0 of the tile block of level 0, tile row 0, column 1 is "
                            "corrupt"),
                  std::string::npos)
            << CPLGetLastErrorMsg();
        EXPECT_TRUE(pixels == expected);
    }

    // The block cut short by the end of the file fails the read.
    std::filesystem::resize_file(path, second.blockOffset + second.blockSize / 2);
    EXPECT_EQ(readQuietly(pixels), CE_Failure);
    EXPECT_NE(std::string(CPLGetLastErrorMsg())
                  .find("tile block of level 0, tile row 0, column 1 cannot be read"),
              std::string::npos)
        << CPLGetLastErrorMsg();
}

TEST_F(QvrmpPlugin, PixelsAreTheSameOnAnyNumberOfThreadsAndInAWideThinLevel) {
    const TestImage image = HalfTransparentImage(2100, 1100);
    // More than 1024 blocks in one row: its blocks are cached in a hash set, not GDAL's array.
    const TestImage thin = HalfTransparentImage(1100 * 512, 3);
    const std::string path = WriteLossless("p.qvrmp", image);
    const std::string thinPath = WriteLossless("thin.qvrmp", thin);
    const struct {
        const char* threads;  // GDAL_NUM_THREADS; null: unset
        const TestImage& written;
        const std::string& package;
    } cases[] = {{"1", image, path},
                 {"3", image, path},
                 {"ALL_CPUS", image, path},
                 {nullptr, image, path},
                 {nullptr, thin, thinPath}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.package + " " + (c.threads != nullptr ? c.threads : "unset"));
        CPLSetConfigOption("GDAL_NUM_THREADS", c.threads);
        const Dataset dataset = OpenRaster(c.package);
        ASSERT_NE(dataset, nullptr) << CPLGetLastErrorMsg();
        std::vector<std::uint8_t> pixels;
        ASSERT_EQ(ReadRgba(dataset.get(), pixels), CE_None);
        EXPECT_TRUE(pixels == c.written.bytes);
    }
}

TEST_F(QvrmpPlugin, WindowsOfSeveralBandsReadInAnyLayoutAndCanBeCancelled) {
    const TestImage image = HalfTransparentImage(2100, 1100);
    const Dataset dataset = OpenRaster(WriteLossless("p.qvrmp", image));
    ASSERT_NE(dataset, nullptr);
    struct Case {
        std::vector<int> bands;
        GDALDataType type;
        bool interleaved;  // else band after band
    };
    const int x = 300, y = 500, width = 1700, height = 600;  // across sub-tiles and tiles
    for (const Case& layout :
         {Case{{1, 2, 3, 4}, GDT_Byte, true}, Case{{1, 2, 3, 4}, GDT_Byte, false},
          Case{{3, 1}, GDT_UInt16, true}}) {
        const int count = static_cast<int>(layout.bands.size());
        const int size = GDALGetDataTypeSizeBytes(layout.type);
        const GSpacing pixel = layout.interleaved ? GSpacing{size} * count : size;
        const GSpacing line = pixel * width;
        const GSpacing band = layout.interleaved ? size : line * height;
        std::vector<std::uint8_t> read(layout.bands.size() * size * width * height, 0xEE);
        ASSERT_EQ(
            GDALDatasetRasterIOEx(dataset.get(), GF_Read, x, y, width, height, read.data(), width,
                                  height, layout.type, count, const_cast<int*>(layout.bands.data()),
                                  pixel, line, band, nullptr),
            CE_None);
        std::vector<std::uint8_t> expected(read.size(), 0);
        for (int row = 0; row < height; ++row) {
            for (int column = 0; column < width; ++column) {
                for (int b = 0; b < count; ++b) {
                    const std::size_t source =
                        (std::size_t{image.width} * (y + row) + x + column) * 4 + layout.bands[b] -
                        1;
                    expected[row * line + column * pixel + b * band] = image.bytes[source];
                }
            }
        }
        EXPECT_TRUE(read == expected) << count << " bands, type " << layout.type;
    }
    // A read its progress callback cancels fails and says so.
    GDALRasterIOExtraArg extra;
    INIT_RASTERIO_EXTRA_ARG(extra);
    extra.pfnProgress = [](double, const char*, void*) { return FALSE; };
    std::vector<std::uint8_t> pixels(std::size_t{4} * image.width * image.height);
    CPLPushErrorHandler(CPLQuietErrorHandler);
    EXPECT_EQ(GDALDatasetRasterIOEx(dataset.get(), GF_Read, 0, 0, image.width, image.height,
                                    pixels.data(), image.width, image.height, GDT_Byte, kBands,
                                    nullptr, kBands, kBands * image.width, 1, &extra),
              CE_Failure);
    CPLPopErrorHandler();
    EXPECT_EQ(CPLGetLastErrorNo(), CPLE_UserInterrupt);
}

TEST_F(QvrmpPlugin, ExternalOverviewsComeAfterTheOwnLevelsAndReadsUseThem) {
    struct Case {
        std::uint32_t width;
        int ownLevels;
    };
    for (const Case& c : {Case{1000, 0}, Case{2100, 1}}) {
        SCOPED_TRACE(c.width);
        const std::string path = WriteLossless(c.ownLevels == 0 ? "small.qvrmp" : "p.qvrmp",
                                               CoordinateImage(c.width, 600, 1));
        {
            // As gdaladdo -ro does it: factor 2 is an own level where there is one.
            const Dataset dataset = OpenRaster(path);
            ASSERT_EQ(GDALGetOverviewCount(GDALGetRasterBand(dataset.get(), 1)), c.ownLevels);
            int factors[] = {2, 4, 8};
            ASSERT_EQ(GDALBuildOverviews(dataset.get(), "AVERAGE", 3, factors, 0, nullptr, nullptr,
                                         nullptr),
                      CE_None)
                << CPLGetLastErrorMsg();
        }
        const Dataset dataset = OpenRaster(path);
        GDALRasterBandH band = GDALGetRasterBand(dataset.get(), 1);
        ASSERT_EQ(GDALGetOverviewCount(band), 3);
        GDALRasterBandH smallest = GDALGetOverview(band, 2);
        EXPECT_TRUE(std::filesystem::exists(path + ".ovr"));
        const int width = GDALGetRasterBandXSize(smallest);
        const int height = GDALGetRasterBandYSize(smallest);
        EXPECT_EQ(width, static_cast<int>((c.width + 7) / 8));
        // The whole image read at that size gives the external overview's pixels.
        std::vector<std::uint8_t> stored(std::size_t{1} * width * height);
        std::vector<std::uint8_t> read(stored.size());
        ASSERT_EQ(GDALRasterIO(smallest, GF_Read, 0, 0, width, height, stored.data(), width, height,
                               GDT_Byte, 0, 0),
                  CE_None);
        ASSERT_EQ(GDALRasterIO(band, GF_Read, 0, 0, static_cast<int>(c.width), 600, read.data(),
                               width, height, GDT_Byte, 0, 0),
                  CE_None);
        EXPECT_TRUE(read == stored);
        EXPECT_NE(std::count(stored.begin(), stored.end(), 0), static_cast<long>(stored.size()));
        // As gdaladdo -ro -clean does it.
        EXPECT_EQ(
            GDALBuildOverviews(dataset.get(), "NONE", 0, nullptr, 0, nullptr, nullptr, nullptr),
            CE_None);
        EXPECT_FALSE(std::filesystem::exists(path + ".ovr"));
    }
}

TEST_F(QvrmpPlugin, ASidecarIsTakenOnlyForItsOwnPackageAndNeverHoldsDriverFacts) {
    struct Case {
        const char* metadata;  // "%s": the package's own fingerprint
        bool taken;
    };
    const std::string tie = std::string("<Metadata domain=\"") + kSidecarTieDomain +
                            "\"><MDI key=\"" + kSidecarTieItem + "\">%s</MDI></Metadata>";
    const Case cases[] = {
        {tie.c_str(), true},
        {"", true},  // written before sidecars were tied
        {"<Metadata domain=\"QVRMP\"><MDI key=\"TOP_LEVEL\">9</MDI><MDI "
         "key=\"TILES_PRESENT\">77</MDI></Metadata>",
         true},  // an old sidecar holding driver facts
        {"<Metadata domain=\"TARNVIEW_SIDECAR\"><MDI key=\"PACKAGE_FINGERPRINT\">65536 "
         "0123456789abcdef</MDI></Metadata>",
         false},  // written for another package
    };
    const char* const facts[] = {"TOP_LEVEL", "TILES_PRESENT", "TILE_ENTRIES", "HEADER_LENGTH",
                                 "MAGIC2",    "INTERLEAVE",    "COMPRESSION"};
    std::string name = "p.qvrmp";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.metadata);
        name.insert(0, 1, 'p');
        const std::string path = Path(name.c_str());
        WriteHeaderOnlyPackage(QString::fromStdString(path),
                               PackageHeaderRecipe{.width = 5001, .height = 3001});
        std::string errorText;
        PackageHandle reader(OpenPackage(path, errorText));
        ASSERT_NE(reader, nullptr) << errorText;
        std::string sidecar =
            "<PAMDataset>" + std::string(c.metadata) + "<SRS>EPSG:32633</SRS></PAMDataset>";
        if (const std::size_t at = sidecar.find("%s"); at != std::string::npos) {
            sidecar.replace(at, 2, *ReaderFingerprint(*reader));
        }
        WriteFileText(path + kSidecarSuffix, sidecar);
        {
            CPLErrorReset();
            CPLPushErrorHandler(CPLQuietErrorHandler);
            const Dataset dataset = OpenRaster(path);
            CPLPopErrorHandler();
            ASSERT_NE(dataset, nullptr);
            EXPECT_EQ(GDALGetSpatialRef(dataset.get()) != nullptr, c.taken);
            EXPECT_EQ(CPLGetLastErrorType(), c.taken ? CE_None : CE_Warning);
            EXPECT_STREQ(GDALGetMetadataItem(dataset.get(), "TOP_LEVEL", "QVRMP"), "2");
            EXPECT_STREQ(GDALGetMetadataItem(dataset.get(), "TILES_PRESENT", "QVRMP"), "0");
            // As gdalinfo -stats does it.
            double min = 0, max = 0, mean = 0, deviation = 0;
            ASSERT_EQ(GDALComputeRasterStatistics(GDALGetRasterBand(dataset.get(), 1), FALSE, &min,
                                                  &max, &mean, &deviation, nullptr, nullptr),
                      CE_None);
        }
        const std::vector<std::uint8_t> bytes = ReadFileBytes(path + kSidecarSuffix);
        const std::string saved(bytes.begin(), bytes.end());
        if (!c.taken) {
            EXPECT_EQ(saved, sidecar);  // another package's sidecar is never written over
            continue;
        }
        EXPECT_NE(saved.find("STATISTICS_MEAN"), std::string::npos) << saved;
        EXPECT_NE(saved.find(*ReaderFingerprint(*reader)), std::string::npos) << saved;
        for (const char* fact : facts) {
            EXPECT_EQ(saved.find(fact), std::string::npos) << fact << " in " << saved;
        }
    }
}

TEST_F(QvrmpPlugin, OnlyPackagesAreIdentified) {
    RasterRecipe tiff;
    tiff.bands = 4;
    const QByteArray geoTiff = fixtures.MakeGeoTiff("r.tif", tiff).toUtf8();
    const QByteArray magicOnly = fixtures.WriteFile("short.qvrmp", "MYLL\x4d\x59\x4c\x4c").toUtf8();
    WriteHeaderOnlyPackage(fixtures.Path("bad.qvrmp"), PackageHeaderRecipe{.topLevel = 3});
    WriteHeaderOnlyPackage(fixtures.Path("good.qvrmp"), PackageHeaderRecipe{});
    const char* const plugin[] = {"QVRMP", nullptr};
    for (const QByteArray& path : {geoTiff, magicOnly, fixtures.Utf8Path("bad.qvrmp")}) {
        CPLErrorReset();
        EXPECT_EQ(GDALIdentifyDriverEx(path.constData(), GDAL_OF_RASTER, plugin, nullptr), nullptr)
            << path.constData();
        EXPECT_EQ(CPLGetLastErrorType(), CE_None) << path.constData();
    }
    EXPECT_NE(GDALIdentifyDriverEx(fixtures.Utf8Path("good.qvrmp").constData(), GDAL_OF_RASTER,
                                   plugin, nullptr),
              nullptr);
    // With every driver asked, the GeoTIFF still goes to GTiff.
    const Dataset dataset(GDALOpen(geoTiff.constData(), GA_ReadOnly));
    ASSERT_NE(dataset, nullptr);
    EXPECT_STREQ(GDALGetDriverShortName(GDALGetDatasetDriver(dataset.get())), "GTiff");
}

}  // namespace
