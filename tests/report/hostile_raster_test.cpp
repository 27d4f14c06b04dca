// Rasters that lie about themselves: each gives GDAL's own message or a whole report of what GDAL
// opens, never a crash.
#include <gtest/gtest.h>

#include <QFile>

#include <random>

#include <cpl_error.h>
#include <gdal.h>

#include "fixture_folder.h"
#include "gdal_setup.h"
#include "qt_printers.h"
#include "report.h"
#include "text_helpers.h"

namespace {

class HostileRaster : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { InitGdal(); }
    FixtureFolder fixtures;

    static QByteArray Read(const QString& path) {
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return file.readAll();
    }

    // What GDAL itself makes of the file, opened as the report opens it.
    struct GdalView {
        bool opened = false;
        int width = 0;
        int height = 0;
        int bands = 0;
        QString message;  // when it did not open
    };
    static GdalView OpenWithGdal(const QString& path) {
        CPLPushErrorHandler(CPLQuietErrorHandler);
        CPLErrorReset();
        GDALDatasetH dataset =
            GDALOpenEx(path.toUtf8().constData(), GDAL_OF_RASTER | GDAL_OF_VERBOSE_ERROR, nullptr,
                       nullptr, nullptr);
        GdalView view;
        if (dataset == nullptr) {
            view.message = QString::fromUtf8(CPLGetLastErrorMsg());
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
    void ExpectReportAsGdalSeesIt(const QString& name, const QByteArray& bytes) {
        const QString path = fixtures.WriteFile(name, bytes);
        const Report report = BuildReport(path);
        const GdalView gdal = OpenWithGdal(path);
        EXPECT_FALSE(report.previewAllowed);
        ASSERT_EQ(report.failed, !gdal.opened) << report.text.toStdString();
        if (report.failed) {
            EXPECT_FALSE(gdal.message.isEmpty());
            EXPECT_EQ(report.text, gdal.message);
            return;
        }
        const QStringList lines = report.text.split(QStringLiteral("\r\n"));
        ASSERT_GE(lines.size(), 6) << report.text.toStdString();
        EXPECT_EQ(lines[0], QStringLiteral("影像尺寸:"));
        EXPECT_EQ(lines[1],
                  QStringLiteral("\t宽: %1 像素 高: %2 像素").arg(gdal.width).arg(gdal.height));
        EXPECT_TRUE(lines[2].startsWith(QStringLiteral("\t影像文件大小: ")))
            << lines[2].toStdString();
        EXPECT_EQ(lines[3], QString());
        EXPECT_EQ(lines[4], QStringLiteral("波段数: %1").arg(gdal.bands));
        int band = 0;
        qsizetype line = 5;
        for (; line < lines.size() && lines[line].startsWith(u'\t'); ++line) {
            if (!lines[line].startsWith(u"\t\t")) {
                ++band;
                EXPECT_TRUE(lines[line].startsWith(QStringLiteral("\t波段 %1\t块大小 ").arg(band)))
                    << lines[line].toStdString();
            }
        }
        EXPECT_EQ(band, gdal.bands);
        EXPECT_TRUE(lines.mid(line).contains(QStringLiteral("影像元数据:")));
    }

    // A little-endian TIFF of one 8-bit grey strip whose header claims the given size.
    static QByteArray ClaimingTiff(std::uint32_t width, std::uint32_t height) {
        QByteArray tiff("II*\0\x08\0\0\0", 8);
        auto u16 = [&](std::uint16_t v) { tiff.append(char(v & 0xFF)).append(char(v >> 8)); };
        auto u32 = [&](std::uint32_t v) {
            for (int i = 0; i < 4; ++i)
                tiff.append(char((v >> (8 * i)) & 0xFF));
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
        tiff.append(QByteArray(256, '\0'));
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
    const QByteArray whole = Read(fixtures.MakeGeoTiff(QStringLiteral("whole.tif"), recipe));
    for (qsizetype length = 0; length < whole.size();
         length += std::max<qsizetype>(1, whole.size() / 97)) {
        SCOPED_TRACE(length);
        ExpectReportAsGdalSeesIt(QStringLiteral("cut.tif"), whole.left(length));
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
    const QByteArray whole = Read(fixtures.MakeGeoTiff(QStringLiteral("whole.tif"), recipe));
    std::mt19937 random(20261207);
    const qsizetype headerBytes = std::min<qsizetype>(whole.size(), 1024);
    for (int trial = 0; trial < 150; ++trial) {
        QByteArray damaged = whole;
        for (int flip = 0; flip < 4; ++flip) {
            damaged[random() % headerBytes] = static_cast<char>(random() & 0xFF);
        }
        SCOPED_TRACE(trial);
        ExpectReportAsGdalSeesIt(QStringLiteral("bad.tif"), damaged);
    }
}

TEST_F(HostileRaster, HeaderClaimingAGigapixelSquare) {
    ExpectReportAsGdalSeesIt(QStringLiteral("huge.tif"), ClaimingTiff(1000000000u, 1000000000u));
}

TEST_F(HostileRaster, VrtsThatReferenceThemselvesOrNothing) {
    const QByteArray band =
        "<VRTDataset rasterXSize=\"4\" rasterYSize=\"4\"><VRTRasterBand dataType=\"Byte\" "
        "band=\"1\"><SimpleSource><SourceFilename relativeToVRT=\"1\">%1</SourceFilename>"
        "<SourceBand>1</SourceBand></SimpleSource></VRTRasterBand></VRTDataset>";
    ExpectReportAsGdalSeesIt(QStringLiteral("self.vrt"),
                             QString::fromUtf8(band).arg("self.vrt").toUtf8());
    ExpectReportAsGdalSeesIt(QStringLiteral("missing.vrt"),
                             QString::fromUtf8(band).arg("nothing.tif").toUtf8());
}

TEST_F(HostileRaster, MegabyteMetadataValueIsShownWhole) {
    RasterRecipe recipe;
    const std::string value(1 << 20, 'v');
    recipe.metadata = {"BIG=" + value};
    const Report report = BuildReport(fixtures.MakeGeoTiff(QStringLiteral("big.tif"), recipe));
    ASSERT_FALSE(report.failed) << report.text.toStdString();
    EXPECT_TRUE(report.text.endsWith(QStringLiteral("\r\n\tBIG=") + QString::fromStdString(value)));
}

TEST_F(HostileRaster, WktWithThousandsOfBracketsIsRefusedOrLaidOut) {
    QByteArray wkt = "GEOGCS[\"x\",";
    for (int i = 0; i < 3000; ++i)
        wkt += "A[";
    wkt += "1";
    for (int i = 0; i < 3000; ++i)
        wkt += "]";
    wkt += "]";
    QByteArray vrt = "<VRTDataset rasterXSize=\"4\" rasterYSize=\"4\"><SRS>" +
                     wkt.replace("\"", "&quot;") +
                     "</SRS><VRTRasterBand dataType=\"Byte\" band=\"1\"/></VRTDataset>";
    ExpectReportAsGdalSeesIt(QStringLiteral("deep.vrt"), vrt);

    // The layout itself: a comma at depth 3000 gets 3000 tabs, and nothing is lost.
    QByteArray deep(3000, '[');
    deep += ",x";
    const QByteArray laidOut = IndentWkt(deep);
    EXPECT_EQ(laidOut, deep.left(3001) + "\r\n" + QByteArray(3000, '\t') + "x");
}
