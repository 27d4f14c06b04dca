// Input rasters as RGBA rows: band mapping, scaling of data other than bytes, and the ways a
// pixel loses its alpha (nodata, NaN, masks, alpha bands).
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <utility>

#include <cpl_error.h>

#include "band_choice.h"
#include "file_bytes.h"
#include "gdal_rasters.h"
#include "raster_source.h"
#include "temp_folder.h"

namespace {

constexpr std::size_t kPadding = 12;  // rows handed to the source are wider than the image

struct Rows {
    StripContent content = StripContent::kFailed;
    std::uint32_t width = 0;
    std::size_t stride = 0;
    std::vector<std::uint8_t> bytes;

    std::array<int, 4> Pixel(std::uint32_t x, std::uint32_t y) const {
        const std::uint8_t* p = bytes.data() + y * stride + x * 4;
        return {p[0], p[1], p[2], p[3]};
    }
};

Rows ReadRows(RasterSource& source, std::uint32_t firstRow, std::uint32_t rowCount) {
    Rows rows;
    rows.width = source.Width();
    rows.stride = std::size_t{rows.width} * 4 + kPadding;
    rows.bytes.assign(rows.stride * rowCount, 0xAB);
    std::string errorText;
    rows.content = source.ReadRows(firstRow, rowCount, rows.bytes.data(), rows.stride, errorText);
    EXPECT_NE(rows.content, StripContent::kFailed) << errorText;
    return rows;
}

std::unique_ptr<RasterSource> Open(const std::string& path, SourceSettings settings = {}) {
    PackResultOf<std::unique_ptr<RasterSource>> source =
        RasterSource::Open(path, std::move(settings));
    if (!source) {
        ADD_FAILURE() << source.message();
        return nullptr;
    }
    return std::move(*source);
}

// Why `path` does not open, which must be for `code`.
std::string OpenFailure(const std::string& path, PackCode code, SourceSettings settings = {}) {
    const PackResultOf<std::unique_ptr<RasterSource>> source =
        RasterSource::Open(path, std::move(settings));
    if (source) {
        ADD_FAILURE() << path << " opened";
        return {};
    }
    EXPECT_EQ(source.code(), code);
    return source.message();
}

class RasterSourceTest : public ::testing::Test {
  protected:
    // The program registers the drivers and the command silences GDAL's own printing; so do the
    // tests.
    void SetUp() override {
        GDALAllRegister();
        CPLPushErrorHandler(CPLQuietErrorHandler);
    }
    void TearDown() override { CPLPopErrorHandler(); }

    TempFolder folder;

    Rows ReadWhole(const RasterRecipe& raster) {
        std::unique_ptr<RasterSource> source = Open(MakeRaster(folder.Path("in.tif"), raster));
        if (!source) {
            return {};
        }
        return ReadRows(*source, 0, source->Height());
    }
};

int ByteAt(int band, int x, int y) {
    return (x * 7 + y * 3 + band * 50) & 0xFF;
}

}  // namespace

TEST_F(RasterSourceTest, BandsWithoutAColourInterpretationGoByPosition) {
    RasterRecipe raster;
    raster.value = [](int band, int x, int y) { return ByteAt(band, x, y); };
    for (const int bands : {1, 2, 3, 4, 5}) {
        SCOPED_TRACE(bands);
        raster.bands = bands;
        const Rows rows = ReadWhole(raster);
        ASSERT_EQ(rows.bytes.size(), rows.stride * 32);
        for (const auto& [x, y] : {std::pair{0, 0}, {5, 3}, {63, 31}}) {
            // A band GDAL does not call alpha never becomes alpha; GeoTIFF calls the fourth of
            // four Byte bands alpha.
            const std::array<int, 4> pixel = rows.Pixel(x, y);
            if (bands <= 2) {
                const int grey = ByteAt(1, x, y);
                EXPECT_EQ(pixel, (std::array<int, 4>{grey, grey, grey, 255}));
            } else {
                EXPECT_EQ(pixel,
                          (std::array<int, 4>{ByteAt(1, x, y), ByteAt(2, x, y), ByteAt(3, x, y),
                                              bands == 4 ? ByteAt(4, x, y) : 255}));
            }
        }
        // Nothing is written past the row's pixels.
        EXPECT_EQ(rows.bytes[rows.stride - 1], 0xAB);
    }
}

TEST_F(RasterSourceTest, BandsGoByColourInterpretationAndSaySoWhenNotPlain) {
    RasterRecipe raster;
    raster.bands = 4;
    raster.value = [](int band, int x, int y) { return ByteAt(band, x, y); };
    {
        SCOPED_TRACE("blue, green, red, alpha");
        raster.colourInterpretations = {GCI_BlueBand, GCI_GreenBand, GCI_RedBand, GCI_AlphaBand};
        std::unique_ptr<RasterSource> source = Open(MakeRaster(folder.Path("bgr.tif"), raster));
        EXPECT_EQ(ReadRows(*source, 0, 32).Pixel(5, 3),
                  (std::array<int, 4>{ByteAt(3, 5, 3), ByteAt(2, 5, 3), ByteAt(1, 5, 3),
                                      ByteAt(4, 5, 3)}));
        ASSERT_EQ(source->Notes().size(), 1u);
        EXPECT_NE(source->Notes()[0].find("bands 3, 2, 1 as red, green, blue, band 4 as alpha"),
                  std::string::npos)
            << source->Notes()[0];
    }
    {
        SCOPED_TRACE("red, green, blue, near infrared");
        raster.colourInterpretations = {GCI_RedBand, GCI_GreenBand, GCI_BlueBand, GCI_Undefined};
        std::unique_ptr<RasterSource> source = Open(MakeRaster(folder.Path("nir.tif"), raster));
        EXPECT_EQ(ReadRows(*source, 0, 32).Pixel(5, 3),
                  (std::array<int, 4>{ByteAt(1, 5, 3), ByteAt(2, 5, 3), ByteAt(3, 5, 3), 255}));
        ASSERT_EQ(source->Notes().size(), 1u);
        EXPECT_NE(source->Notes()[0].find("left out: band 4 (Undefined)"), std::string::npos)
            << source->Notes()[0];
    }
    {
        SCOPED_TRACE("--bands 4,1,2");
        std::unique_ptr<RasterSource> source =
            Open(folder.Path("nir.tif"), SourceSettings{{4, 1, 2}, {}});
        ASSERT_NE(source, nullptr);
        EXPECT_EQ(ReadRows(*source, 0, 32).Pixel(5, 3),
                  (std::array<int, 4>{ByteAt(4, 5, 3), ByteAt(1, 5, 3), ByteAt(2, 5, 3), 255}));
        EXPECT_EQ(OpenFailure(folder.Path("nir.tif"), PackCode::kBandsRefused,
                              SourceSettings{{1, 2, 5}, {}}),
                  "--bands names band 5; the input has 4 bands");
    }
    {
        SCOPED_TRACE("plain red, green, blue, alpha");
        raster.colourInterpretations = {GCI_RedBand, GCI_GreenBand, GCI_BlueBand, GCI_AlphaBand};
        std::unique_ptr<RasterSource> source = Open(MakeRaster(folder.Path("rgba.tif"), raster));
        EXPECT_TRUE(source->Notes().empty());
    }
}

TEST_F(RasterSourceTest, APaletteIsExpandedWithItsAlpha) {
    RasterRecipe raster;
    raster.colourInterpretations = {GCI_PaletteIndex};
    raster.colourTable = {{10, 20, 30, 255}, {200, 100, 50, 128}, {0, 0, 0, 0}};
    raster.value = [](int, int x, int) { return x % 3; };
    // A TIFF colour map has no alpha; an Imagine file keeps it.
    std::unique_ptr<RasterSource> source = Open(MakeRaster(folder.Path("in.img"), raster, "HFA"));
    const Rows rows = ReadRows(*source, 0, source->Height());
    EXPECT_EQ(rows.content, StripContent::kPixels);
    EXPECT_EQ(rows.Pixel(0, 0), (std::array<int, 4>{10, 20, 30, 255}));
    EXPECT_EQ(rows.Pixel(4, 9), (std::array<int, 4>{200, 100, 50, 128}));
    EXPECT_EQ(rows.Pixel(5, 9)[3], 0);
}

TEST_F(RasterSourceTest, SixteenBitAlphaIsScaledFromItsFullScaleAndAppliedOnce) {
    RasterRecipe raster;
    raster.bands = 4;
    raster.type = GDT_UInt16;
    raster.colourInterpretations = {GCI_RedBand, GCI_GreenBand, GCI_BlueBand, GCI_AlphaBand};
    // Alpha from 0 (x < 10) over half (32768) to opaque (65535).
    raster.value = [](int band, int x, int) {
        return band == 4 ? (x < 10 ? 0.0 : (x < 20 ? 32768.0 : 65535.0)) : 100.0 + x;
    };
    Rows rows = ReadWhole(raster);
    EXPECT_EQ(rows.Pixel(9, 0)[3], 0);
    EXPECT_EQ(rows.Pixel(10, 0)[3], 128);
    EXPECT_EQ(rows.Pixel(20, 0)[3], 255);
    EXPECT_EQ(rows.Pixel(63, 0)[0], 255);

    // Alpha that never reaches 0 nor the top of its type keeps its own level.
    raster.value = [](int band, int x, int) { return band == 4 ? 1000.0 + x * 600 : 100.0 + x; };
    rows = ReadWhole(raster);
    EXPECT_EQ(rows.Pixel(0, 0)[3], 4);                                     // 1000 * 255 / 65535
    EXPECT_EQ(rows.Pixel(63, 0)[3], (1000 + 63 * 600) * 255 / 65535 + 1);  // 150.9, rounded
}

TEST_F(RasterSourceTest, InfinitiesAreLeftOutOfTheRangeAndTransparent) {
    RasterRecipe raster;
    raster.type = GDT_Float32;
    raster.value = [](int, int x, int y) {
        if (x == 3 && y == 0) {
            return HUGE_VAL;
        }
        return x == 4 && y == 0 ? -HUGE_VAL : x * 0.5;
    };
    const Rows rows = ReadWhole(raster);
    EXPECT_EQ(rows.Pixel(3, 0)[3], 0);
    EXPECT_EQ(rows.Pixel(4, 0)[3], 0);
    EXPECT_EQ(rows.Pixel(0, 5), (std::array<int, 4>{0, 0, 0, 255}));
    EXPECT_EQ(rows.Pixel(63, 5), (std::array<int, 4>{255, 255, 255, 255}));
}

TEST_F(RasterSourceTest, ColourBandsShareOneStretchOrTheUsersOwn) {
    RasterRecipe raster;
    raster.bands = 3;
    raster.type = GDT_UInt16;
    // Band b runs from 0 to 1000 * b along each row.
    raster.value = [](int band, int x, int) { return x * 1000.0 * band / 63; };
    const std::string path = MakeRaster(folder.Path("in.tif"), raster);
    std::unique_ptr<RasterSource> source = Open(path);
    const std::array<int, 4> common = ReadRows(*source, 0, 1).Pixel(63, 0);
    EXPECT_EQ(common, (std::array<int, 4>{85, 170, 255, 255}));  // 1000, 2000, 3000 of 3000

    source = Open(path, SourceSettings{{}, ValueRange{0, 2000}});
    ASSERT_NE(source, nullptr);
    EXPECT_EQ(ReadRows(*source, 0, 1).Pixel(63, 0), (std::array<int, 4>{128, 255, 255, 255}));
}

TEST_F(RasterSourceTest, Int16IsScaledFromItsRangeAndNoDataIsTransparent) {
    RasterRecipe raster;
    raster.type = GDT_Int16;
    raster.noData = -9999;
    // Every row spans the whole range, so even a sampled range is exact.
    raster.value = [](int, int x, int y) { return x == y ? -9999.0 : -1000.0 + x * 2000.0 / 63; };
    const Rows rows = ReadWhole(raster);
    EXPECT_EQ(rows.content, StripContent::kPixels);
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 64; ++x) {
            const std::array<int, 4> pixel = rows.Pixel(x, y);
            if (x == y) {
                EXPECT_EQ(pixel[3], 0) << x;
                continue;
            }
            const double stored = std::round(-1000.0 + x * 2000.0 / 63);
            const int grey = static_cast<int>((stored + 1000) * 255 / 2000 + 0.5);
            ASSERT_EQ(pixel, (std::array<int, 4>{grey, grey, grey, 255})) << x << "," << y;
        }
    }
}

TEST_F(RasterSourceTest, FloatNanIsTransparentWithoutANoDataValue) {
    RasterRecipe raster;
    raster.type = GDT_Float32;
    raster.value = [](int, int x, int) { return x == 3 ? std::nan("") : x * 0.5; };
    const Rows rows = ReadWhole(raster);
    EXPECT_EQ(rows.Pixel(3, 0)[3], 0);
    EXPECT_EQ(rows.Pixel(0, 0), (std::array<int, 4>{0, 0, 0, 255}));
    EXPECT_EQ(rows.Pixel(63, 7), (std::array<int, 4>{255, 255, 255, 255}));
}

TEST_F(RasterSourceTest, RgbNoDataNeedsEveryBandToMatch) {
    RasterRecipe raster;
    raster.bands = 3;
    raster.noData = 0;
    // Column 0 black, column 1 pure red, the rest grey.
    raster.value = [](int band, int x, int) {
        return x == 0 ? 0 : (x == 1 ? (band == 1) * 255 : 9);
    };
    const Rows rows = ReadWhole(raster);
    EXPECT_EQ(rows.Pixel(0, 4)[3], 0);
    EXPECT_EQ(rows.Pixel(1, 4), (std::array<int, 4>{255, 0, 0, 255}));
    EXPECT_EQ(rows.Pixel(2, 4), (std::array<int, 4>{9, 9, 9, 255}));
}

TEST_F(RasterSourceTest, DatasetMaskClearsAlpha) {
    RasterRecipe raster;
    raster.bands = 3;
    raster.value = [](int, int, int) { return 100; };
    raster.datasetMask = [](int x, int y) { return x >= y; };
    const Rows rows = ReadWhole(raster);
    EXPECT_EQ(rows.Pixel(5, 5)[3], 255);
    EXPECT_EQ(rows.Pixel(4, 5)[3], 0);
    EXPECT_EQ(rows.Pixel(63, 0)[3], 255);
}

TEST_F(RasterSourceTest, RowsWithoutDataAreReportedTransparent) {
    RasterRecipe raster;
    raster.noData = 7;
    raster.value = [](int, int, int y) { return y < 16 ? 7 : 8; };
    std::unique_ptr<RasterSource> source = Open(MakeRaster(folder.Path("in.tif"), raster));
    EXPECT_EQ(ReadRows(*source, 0, 16).content, StripContent::kTransparent);
    EXPECT_EQ(ReadRows(*source, 10, 16).content, StripContent::kPixels);
}

TEST_F(RasterSourceTest, ABandOfRowsIsThatPartOfTheWholeImage) {
    RasterRecipe raster;
    raster.bands = 3;
    raster.value = [](int band, int x, int y) { return ByteAt(band, x, y); };
    std::unique_ptr<RasterSource> source = Open(MakeRaster(folder.Path("in.tif"), raster));
    const Rows whole = ReadRows(*source, 0, 32);
    const Rows part = ReadRows(*source, 20, 5);
    for (std::uint32_t y = 0; y < 5; ++y) {
        for (std::uint32_t x = 0; x < 64; ++x) {
            ASSERT_EQ(part.Pixel(x, y), whole.Pixel(x, y + 20)) << x << "," << y;
        }
    }
}

TEST_F(RasterSourceTest, GeoTransformAndCoordinateSystem) {
    RasterRecipe raster;
    raster.geoTransform = {{500000, 2, 0.5, 4000000, 0.25, -2}};
    raster.epsg = 32650;
    std::unique_ptr<RasterSource> placed = Open(MakeRaster(folder.Path("placed.tif"), raster));
    EXPECT_EQ(placed->GeoTransform(),
              (GeoTransformCoefficients{500000, 2, 0.5, 4000000, 0.25, -2}));
    EXPECT_EQ(placed->CoordinateSystemName(), "WGS 84 / UTM zone 50N");

    std::unique_ptr<RasterSource> plain =
        Open(MakeRaster(folder.Path("plain.tif"), RasterRecipe{}));
    EXPECT_EQ(plain->GeoTransform(), (GeoTransformCoefficients{0, 1, 0, 0, 0, 1}));
    EXPECT_EQ(plain->CoordinateSystemName(), "");
}

TEST_F(RasterSourceTest, OpenFailuresCarryGdalsMessage) {
    const std::string missing = OpenFailure(folder.Path("missing.tif"), PackCode::kCannotOpen);
    EXPECT_NE(missing.find("No such file or directory"), std::string::npos) << missing;

    WriteFileText(folder.Path("notes.txt"), "not a raster\n");
    const std::string notes = OpenFailure(folder.Path("notes.txt"), PackCode::kCannotOpen);
    EXPECT_NE(notes.find("not recognized"), std::string::npos) << notes;
}

// GDAL allocates a block whole: blocks beyond what a pack reads at once are refused unread.
TEST_F(RasterSourceTest, BlocksBeyondTheReadBudgetAreRefusedBeforeAnyRead) {
    const struct {
        int width, height, bands, block;  // block: 0 for one strip
        GDALDataType type;
        const char* interleave;
        const char* refusal;  // nullptr: opened
    } cases[] = {
        {67108864, 64, 2, 0, GDT_Byte, "BAND", "blocks of 67108864 x 64 pixels (4096 MiB)"},
        {16384, 16384, 1, 8192, GDT_Float64, "BAND", "blocks of 8192 x 8192 pixels (512 MiB)"},
        {8192, 8192, 4, 8192, GDT_Int16, "PIXEL", "blocks of 8192 x 8192 pixels (512 MiB)"},
        {8192, 8192, 2, 8192, GDT_Byte, "BAND", nullptr},
    };
    for (const auto& c : cases) {
        RasterRecipe raster;
        raster.width = c.width;
        raster.height = c.height;
        raster.bands = c.bands;
        raster.type = c.type;
        raster.creationOptions = {"SPARSE_OK=TRUE", "COMPRESS=DEFLATE",
                                  std::string("INTERLEAVE=") + c.interleave};
        const std::vector<std::string> tiles = {"BLOCKXSIZE=" + std::to_string(c.block),
                                                "TILED=YES",
                                                "BLOCKYSIZE=" + std::to_string(c.block)};
        const std::vector<std::string> strip = {"BLOCKYSIZE=" + std::to_string(c.height)};
        for (const std::string& option : c.block == 0 ? strip : tiles)
            raster.creationOptions.push_back(option);
        const std::string path = MakeRaster(folder.Path("blocks.tif"), raster);
        if (c.refusal == nullptr) {
            EXPECT_TRUE(RasterSource::Open(path));
        } else {
            EXPECT_NE(OpenFailure(path, PackCode::kTooLarge).find(c.refusal), std::string::npos)
                << c.refusal;
        }
        std::filesystem::remove(path);
    }
}

// A pack takes at most four bands: many more are refused before any work band by band, and the
// note names a few of those left out.
TEST_F(RasterSourceTest, ManyBandsAreRefusedOrCountedInTheNote) {
    const std::string many = MakeEmptyVrt(folder.Path("many.vrt"), 4, 2, kMaxInputBands + 1);
    EXPECT_EQ(OpenFailure(many, PackCode::kBandsRefused).find("it has 4097 bands"), 0u);
    const std::unique_ptr<RasterSource> most =
        Open(MakeEmptyVrt(folder.Path("most.vrt"), 4, 2, kMaxInputBands));
    ASSERT_NE(most, nullptr);
    ASSERT_EQ(most->Notes().size(), 1u);
    EXPECT_NE(most->Notes()[0].find("band 11 (Undefined) and 4085 more;"), std::string::npos)
        << most->Notes()[0];
}

TEST_F(RasterSourceTest, ReadingLeavesTheInputAndItsFolderAsTheyWere) {
    RasterRecipe raster;
    raster.type = GDT_Float32;
    raster.noData = -1;
    raster.value = [](int, int x, int y) { return x * y * 0.25; };
    const std::string path = MakeRaster(folder.Path("in.tif"), raster);
    const std::vector<std::uint8_t> before = ReadFileBytes(path);
    {
        std::unique_ptr<RasterSource> source = Open(path);
        ReadRows(*source, 0, 32);
    }
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"in.tif"});  // no .aux.xml
    EXPECT_EQ(ReadFileBytes(path), before);
}

TEST_F(RasterSourceTest, ARasterPlacedByControlPointsIsWarpedNorthUp) {
    RasterRecipe raster;
    raster.value = [](int, int x, int y) { return ByteAt(1, x, y); };
    raster.epsg = 4326;
    // A 64 x 32 image turned by 90 degrees: columns run south, rows run west.
    raster.groundControlPoints = {
        {0, 0, 10.0, 50.0}, {64, 0, 10.0, 49.36}, {0, 32, 9.68, 50.0}, {64, 32, 9.68, 49.36}};
    const std::string path = MakeRaster(folder.Path("gcps.tif"), raster);
    // The same points on a dataset in use whose geotransform is the identity, which places nothing.
    GDALDatasetH file = GDALOpen(path.c_str(), GA_ReadOnly);
    GDALDatasetH inUse =
        GDALCreateCopy(GDALGetDriverByName("VRT"), "", file, FALSE, nullptr, nullptr, nullptr);
    GeoTransformCoefficients identity = kIdentityGeoTransform;
    ASSERT_EQ(GDALSetGeoTransform(inUse, identity.data()), CE_None);
    for (const bool used : {false, true}) {
        PackResultOf<std::unique_ptr<RasterSource>> source =
            used ? RasterSource::Use(inUse, "in use") : RasterSource::Open(path);
        ASSERT_TRUE(source) << source.message();
        const GeoTransformCoefficients placed = (*source)->GeoTransform();
        EXPECT_EQ(placed[2], 0);  // north up
        EXPECT_EQ(placed[4], 0);
        EXPECT_LT(placed[5], 0);
        EXPECT_NEAR(placed[0], 9.68, 0.02);
        EXPECT_NEAR(placed[3], 50.0, 0.02);
        EXPECT_GT((*source)->Height(), (*source)->Width());
        ASSERT_FALSE((*source)->Notes().empty());
        EXPECT_NE((*source)->Notes()[0].find("placed only by ground control points; it is warped"),
                  std::string::npos)
            << (*source)->Notes()[0];
    }
    EXPECT_EQ(GDALGetRasterXSize(inUse), 64);  // still open, the caller's to close
    GDALClose(inUse);
    GDALClose(file);
}

TEST_F(RasterSourceTest, AFileOfSubdatasetsNamesThem) {
    GDALDriverH netcdf = GDALGetDriverByName("netCDF");
    if (netcdf == nullptr) {
        GTEST_SKIP() << "GDAL has no netCDF driver here";
    }
    const std::string path = folder.Path("two.nc");
    GDALDatasetH dataset = GDALCreateMultiDimensional(netcdf, path.c_str(), nullptr, nullptr);
    ASSERT_NE(dataset, nullptr);
    GDALGroupH group = GDALDatasetGetRootGroup(dataset);
    GDALDimensionH dimensions[2] = {
        GDALGroupCreateDimension(group, "y", nullptr, nullptr, 4, nullptr),
        GDALGroupCreateDimension(group, "x", nullptr, nullptr, 5, nullptr)};
    GDALExtendedDataTypeH type = GDALExtendedDataTypeCreate(GDT_Float32);
    for (const char* name : {"temperature", "pressure"}) {
        GDALMDArrayRelease(GDALGroupCreateMDArray(group, name, 2, dimensions, type, nullptr));
    }
    GDALExtendedDataTypeRelease(type);
    GDALDimensionRelease(dimensions[0]);
    GDALDimensionRelease(dimensions[1]);
    GDALGroupRelease(group);
    GDALClose(dataset);

    const std::string errorText = OpenFailure(path, PackCode::kCannotOpen);
    EXPECT_NE(errorText.find(path + " holds 2 subdatasets and no raster of its own; give one of "
                                    "them as INPUT, quoted: \"NETCDF:\""),
              std::string::npos)
        << errorText;
    EXPECT_NE(errorText.find(":temperature\""), std::string::npos) << errorText;
    EXPECT_NE(errorText.find(":pressure\""), std::string::npos) << errorText;
}

TEST_F(RasterSourceTest, ARegionIsThatPartOfTheWholeImage) {
    // Scaled data with nodata, and bytes under a shared mask: every way a pixel is made.
    RasterRecipe scaled;
    scaled.bands = 3;
    scaled.type = GDT_UInt16;
    scaled.noData = 0;
    scaled.value = [](int band, int x, int y) { return (x + y) % 5 == 0 ? 0 : band * 300 + x * y; };
    RasterRecipe masked;
    masked.bands = 3;
    masked.value = [](int band, int x, int y) { return ByteAt(band, x, y); };
    masked.datasetMask = [](int x, int y) { return (x * y) % 7 != 3; };
    for (const RasterRecipe& raster : {scaled, masked}) {
        std::unique_ptr<RasterSource> source =
            Open(MakeRaster(folder.Path(raster.datasetMask ? "masked.tif" : "scaled.tif"), raster));
        ASSERT_NE(source, nullptr);
        const Rows whole = ReadRows(*source, 0, 32);
        Rows part;
        part.stride = 40 * 4 + kPadding;
        part.bytes.assign(part.stride * 18, 0xAB);
        std::string errorText;
        part.content = source->ReadRegion(PixelRegion{10, 3, 40, 18}, part.bytes.data(),
                                          part.stride, errorText);
        ASSERT_EQ(part.content, StripContent::kPixels) << errorText;
        for (std::uint32_t y = 0; y < 18; ++y) {
            for (std::uint32_t x = 0; x < 40; ++x) {
                ASSERT_EQ(part.Pixel(x, y), whole.Pixel(x + 10, y + 3)) << x << "," << y;
            }
            // Nothing is written past the region's columns.
            ASSERT_EQ(part.bytes[y * part.stride + 40 * 4], 0xAB);
        }
    }
}
