// Rasters that lie about themselves: each gives GDAL's own message or a whole report of what GDAL
// opens, never a crash.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <random>
#include <string>
#include <vector>

#include <cpl_error.h>
#include <gdal.h>

#include "file_bytes.h"
#include "gdal_rasters.h"
#include "regular_files_only.h"
#include "report.h"
#include "temp_folder.h"
#include "text_helpers.h"

using ::testing::Contains;
using ::testing::StartsWith;

namespace {

// The text split at every CR LF, as the report box shows its lines.
std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    lines.push_back(text.substr(start));
    return lines;
}

class HostileRaster : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { GDALAllRegister(); }
    TempFolder fixtures;

    static std::string Read(const std::string& path) {
        const std::vector<std::uint8_t> bytes = ReadFileBytes(path);
        return std::string(bytes.begin(), bytes.end());
    }

    // What GDAL itself makes of the file, opened as the report opens it.
    struct GdalView {
        bool opened = false;
        int width = 0;
        int height = 0;
        int bands = 0;
        std::string message;  // when it did not open
    };
    static GdalView OpenWithGdal(const std::string& path) {
        CPLPushErrorHandler(CPLQuietErrorHandler);
        CPLErrorReset();
        GDALDatasetH dataset = GDALOpenEx(path.c_str(), GDAL_OF_RASTER | GDAL_OF_VERBOSE_ERROR,
                                          nullptr, nullptr, nullptr);
        GdalView view;
        if (dataset == nullptr) {
            view.message = ValidUtf8(CPLGetLastErrorMsg());
        } else {
            view = {true,
                    GDALGetRasterXSize(dataset),
                    GDALGetRasterYSize(dataset),
                    GDALGetRasterCount(dataset),
                    {}};
            GDALClose(dataset);
        }
        CPLPopErrorHandler();
        return view;
    }

    // The report of the file written from `bytes`: exactly GDAL's message when GDAL cannot open
    // it; otherwise a whole report whose size line and band lines are those of the raster GDAL
    // opens.
    void ExpectReportAsGdalSeesIt(const std::string& name, const std::string& bytes) {
        const std::string path = fixtures.Path(name);
        WriteFileText(path, bytes);
        const Report report = BuildReport(path);
        const GdalView gdal = OpenWithGdal(path);
        EXPECT_FALSE(report.previewAllowed);
        ASSERT_EQ(report.failed, !gdal.opened) << report.text;
        if (report.failed) {
            EXPECT_FALSE(gdal.message.empty());
            EXPECT_EQ(report.text, gdal.message);
            return;
        }
        const std::vector<std::string> lines = Lines(report.text);
        ASSERT_GE(lines.size(), 6u) << report.text;
        EXPECT_EQ(lines[0], "影像尺寸:");
        EXPECT_EQ(lines[1], "\t宽: " + std::to_string(gdal.width) +
                                " 像素 高: " + std::to_string(gdal.height) + " 像素");
        EXPECT_THAT(lines[2], StartsWith("\t影像文件大小: "));
        EXPECT_EQ(lines[3], "");
        EXPECT_EQ(lines[4], "波段数: " + std::to_string(gdal.bands));
        int band = 0;
        std::size_t line = 5;
        for (; line < lines.size() && lines[line].starts_with('\t'); ++line) {
            if (!lines[line].starts_with("\t\t")) {
                ++band;
                EXPECT_THAT(lines[line],
                            StartsWith("\t波段 " + std::to_string(band) + "\t块大小 "));
            }
        }
        EXPECT_EQ(band, gdal.bands);
        EXPECT_THAT(std::vector<std::string>(lines.begin() + static_cast<std::ptrdiff_t>(line),
                                             lines.end()),
                    Contains("影像元数据:"));
    }

    // A little-endian TIFF of one 8-bit grey strip whose header claims the given size.
    static std::string ClaimingTiff(std::uint32_t width, std::uint32_t height) {
        std::string tiff("II*\0\x08\0\0\0", 8);
        auto u16 = [&](std::uint16_t v) {
            tiff += char(v & 0xFF);
            tiff += char(v >> 8);
        };
        auto u32 = [&](std::uint32_t v) {
            for (int i = 0; i < 4; ++i)
                tiff += char((v >> (8 * i)) & 0xFF);
        };
        auto entry = [&](std::uint16_t tag, std::uint16_t type, std::uint32_t value) {
            u16(tag);
            u16(type);
            u32(1);
            u32(value);
        };
        u16(8);
        entry(256, 4, width);   // ImageWidth
        entry(257, 4, height);  // ImageLength
        entry(258, 3, 8);       // BitsPerSample
        entry(259, 3, 1);       // Compression: none
        entry(262, 3, 1);       // Photometric: black is zero
        entry(273, 4, 200);     // StripOffsets
        entry(278, 4, height);  // RowsPerStrip: one strip
        entry(279, 4, 16);      // StripByteCounts
        u32(0);
        tiff.append(256, '\0');
        return tiff;
    }
};

}  // namespace

TEST_F(HostileRaster, TruncatedGeoTiffsAtEveryLength) {
    RasterRecipe recipe;
    recipe.width = 300;
    recipe.height = 200;
    recipe.creationOptions = {"TILED=YES", "BLOCKXSIZE=64", "BLOCKYSIZE=64", "COMPRESS=DEFLATE"};
    recipe.geoTransform = {{0, 1, 0, 0, 0, -1}};
    recipe.epsg = 3857;
    recipe.overviewFactors = {2, 4};
    recipe.value = Gradient;
    const std::string whole = Read(MakeRaster(fixtures.Path("whole.tif"), recipe));
    for (std::size_t length = 0; length < whole.size();
         length += std::max<std::size_t>(1, whole.size() / 97)) {
        SCOPED_TRACE(length);
        ExpectReportAsGdalSeesIt("cut.tif", whole.substr(0, length));
    }
}

TEST_F(HostileRaster, CorruptedHeaderBytes) {
    RasterRecipe recipe;
    recipe.width = 100;
    recipe.height = 80;
    recipe.bands = 3;
    recipe.creationOptions = {"TILED=YES", "BLOCKXSIZE=32", "BLOCKYSIZE=32"};
    recipe.geoTransform = {{10, 1, 0, 20, 0, -1}};
    recipe.epsg = 4326;
    recipe.metadata = {"A=1"};
    recipe.overviewFactors = {2};
    const std::string whole = Read(MakeRaster(fixtures.Path("whole.tif"), recipe));
    std::mt19937 random(20261207);
    const std::size_t headerBytes = std::min<std::size_t>(whole.size(), 1024);
    for (int trial = 0; trial < 150; ++trial) {
        std::string damaged = whole;
        for (int flip = 0; flip < 4; ++flip) {
            damaged[random() % headerBytes] = static_cast<char>(random() & 0xFF);
        }
        SCOPED_TRACE(trial);
        ExpectReportAsGdalSeesIt("bad.tif", damaged);
    }
}

TEST_F(HostileRaster, HeaderClaimingAGigapixelSquare) {
    ExpectReportAsGdalSeesIt("huge.tif", ClaimingTiff(1000000000u, 1000000000u));
}

TEST_F(HostileRaster, VrtsThatReferenceThemselvesOrNothing) {
    const auto vrt = [](const std::string& source) {
        return "<VRTDataset rasterXSize=\"4\" rasterYSize=\"4\"><VRTRasterBand dataType=\"Byte\" "
               "band=\"1\"><SimpleSource><SourceFilename relativeToVRT=\"1\">" +
               source +
               "</SourceFilename><SourceBand>1</SourceBand></SimpleSource></VRTRasterBand>"
               "</VRTDataset>";
    };
    ExpectReportAsGdalSeesIt("self.vrt", vrt("self.vrt"));
    ExpectReportAsGdalSeesIt("missing.vrt", vrt("nothing.tif"));
}

TEST_F(HostileRaster, MegabyteMetadataValueIsShownWhole) {
    RasterRecipe recipe;
    const std::string value(1 << 20, 'v');
    recipe.metadata = {"BIG=" + value};
    const Report report = BuildReport(MakeRaster(fixtures.Path("big.tif"), recipe));
    ASSERT_FALSE(report.failed) << report.text;
    EXPECT_TRUE(report.text.ends_with("\r\n\tBIG=" + value));
}

TEST_F(HostileRaster, WktWithThousandsOfBracketsIsRefusedOrLaidOut) {
    std::string wkt = "GEOGCS[&quot;x&quot;,";
    for (int i = 0; i < 3000; ++i)
        wkt += "A[";
    wkt += "1";
    for (int i = 0; i < 3000; ++i)
        wkt += "]";
    wkt += "]";
    const std::string vrt = "<VRTDataset rasterXSize=\"4\" rasterYSize=\"4\"><SRS>" + wkt +
                            "</SRS><VRTRasterBand dataType=\"Byte\" band=\"1\"/></VRTDataset>";
    ExpectReportAsGdalSeesIt("deep.vrt", vrt);

    // The layout itself: a comma at depth 3000 gets 3000 tabs, and nothing is lost.
    std::string deep(3000, '[');
    deep += ",x";
    const std::string laidOut = IndentWkt(deep);
    EXPECT_EQ(laidOut, deep.substr(0, 3001) + "\r\n" + std::string(3000, '\t') + "x");
}

// No FIFO GDAL opens on our behalf, behind a VRT or as a sidecar, is waited on. Should one be, its
// writer end is opened so that the test fails instead of hanging.
TEST_F(HostileRaster, AFifoGdalWouldOpenOnOurBehalfIsRefusedAtOnce) {
    OpenOnlyRegularFilesInGdal();
    const std::string vrt =
        "<VRTDataset rasterXSize=\"4\" rasterYSize=\"4\"><VRTRasterBand dataType=\"Byte\" "
        "band=\"1\"><SimpleSource><SourceFilename relativeToVRT=\"1\">fifo.tif</SourceFilename>"
        "</SimpleSource></VRTRasterBand></VRTDataset>";
    const struct {
        const char* input;
        const char* fifo;
    } cases[] = {{"source.vrt", "fifo.tif"}, {"plain.tif", "plain.tif.aux.xml"}};
    WriteFileText(fixtures.Path("source.vrt"), vrt);
    MakeRaster(fixtures.Path("plain.tif"), RasterRecipe{});
    for (const auto& c : cases) {
        const std::string fifo = fixtures.Path(c.fifo);
        ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
        std::future<FileFacts> facts =
            std::async(std::launch::async, [&] { return GatherFileFacts(fixtures.Path(c.input)); });
        const bool finished = facts.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
        while (facts.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready)
            ::close(::open(fifo.c_str(), O_WRONLY | O_NONBLOCK));
        EXPECT_TRUE(finished) << c.input << " waited on " << c.fifo;
        ::unlink(fifo.c_str());
    }
}
