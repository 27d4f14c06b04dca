// tarnview-info --thumbnail and --thumbnail-view: the PNG holds exactly what the preview reads.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QProcess>

#include <cstring>
#include <vector>

#include "fixture_folder.h"
#include "package_headers.h"
#include "package_thumbnail.h"
#include "package_writer.h"
#include "thumbnail_picture.h"

namespace {

int RunInfo(const QStringList& arguments, QByteArray* err = nullptr) {
    QProcess process;
    process.start(QStringLiteral(TARNVIEW_INFO_PATH), arguments);
    EXPECT_TRUE(process.waitForFinished(60000));
    if (err != nullptr)
        *err = process.readAllStandardError();
    return process.exitCode();
}

class ThumbnailExport : public ::testing::Test {
  protected:
    FixtureFolder dir;

    // A 1500 x 600 lossless package whose left third is transparent.
    QString WritePackage() {
        const std::uint32_t width = 1500, height = 600;
        std::vector<std::uint8_t> rgba(std::size_t{width} * height * 4, 0);
        for (std::uint32_t y = 0; y < height; ++y) {
            for (std::uint32_t x = width / 3; x < width; ++x) {
                std::uint8_t* p = &rgba[(std::size_t{y} * width + x) * 4];
                p[0] = static_cast<std::uint8_t>(x);
                p[1] = static_cast<std::uint8_t>(y);
                p[2] = static_cast<std::uint8_t>(x ^ y);
                p[3] = 255;
            }
        }
        PackageWriteOptions options;
        options.lossless = true;
        const QString path = dir.Path(QStringLiteral("picture.qvrmp"));
        const PackageWriteResult result =
            WritePackageFromRgba(path.toStdString(), rgba.data(), width, height,
                                 std::size_t{width} * 4, {0, 1, 0, 0, 0, -1}, options);
        EXPECT_TRUE(result.ok) << result.errorText;
        return path;
    }

    static std::vector<std::uint32_t> RgbaPixels(const QString& png) {
        QImage image(png);
        EXPECT_FALSE(image.isNull());
        image = image.convertToFormat(QImage::Format_RGBA8888);
        std::vector<std::uint32_t> pixels(static_cast<std::size_t>(image.width()) * image.height());
        for (int row = 0; row < image.height(); ++row) {
            std::memcpy(&pixels[static_cast<std::size_t>(row) * image.width()],
                        image.constScanLine(row), static_cast<std::size_t>(image.width()) * 4);
        }
        return pixels;
    }
};

}  // namespace

TEST_F(ThumbnailExport, PngHoldsTheRegionReadAndTheViewTheCheckerboardUnderIt) {
    const QString package = WritePackage();
    const PackageThumbnail expected = ReadPackageThumbnail(package.toUtf8());
    ASSERT_EQ(expected.status, ThumbnailStatus::kRead);
    ASSERT_EQ(expected.rows, 204);  // trunc(600 x 512 / 1500)

    const QString buffer = dir.Path(QStringLiteral("buffer.png"));
    const QString view = dir.Path(QStringLiteral("view.png"));
    ASSERT_EQ(RunInfo({QStringLiteral("--thumbnail"), buffer, package}), 0);
    ASSERT_EQ(RunInfo({QStringLiteral("--thumbnail-view"), view, package}), 0);

    EXPECT_EQ(QImage(buffer).size(), QSize(512, 204));
    EXPECT_EQ(RgbaPixels(buffer), expected.pixels);

    const std::vector<std::uint32_t> shown = RgbaPixels(view);
    EXPECT_EQ(shown, CompositeOverCheckerboard(expected.pixels.data(), 512, 204));
    EXPECT_EQ(shown[0], kCheckerGrey);            // (0, 0), left third has no data
    EXPECT_EQ(shown[8], kCheckerWhite);           // (8, 0)
    EXPECT_EQ(shown[8 * 512], kCheckerWhite);     // (0, 8)
    EXPECT_EQ(shown[8 * 512 + 8], kCheckerGrey);  // (8, 8)
    EXPECT_EQ(shown[511], expected.pixels[511]);  // data on the right edge
    EXPECT_FALSE(QFile::exists(buffer + QStringLiteral(".partial")));
}

TEST_F(ThumbnailExport, NoThumbnailMeansAMessageAndNoFile) {
    const QString out = dir.Path(QStringLiteral("out.png"));
    QByteArray err;
    EXPECT_EQ(
        RunInfo({QStringLiteral("--thumbnail"), out, dir.Path(QStringLiteral("missing.qvrmp"))},
                &err),
        1);
    EXPECT_TRUE(err.contains("cannot open package: ")) << err.toStdString();

    PackageHeaderRecipe noWidth;
    noWidth.width = 0;
    WriteHeaderOnlyPackage(dir.Path(QStringLiteral("w0.qvrmp")), noWidth);
    EXPECT_EQ(
        RunInfo({QStringLiteral("--thumbnail"), out, dir.Path(QStringLiteral("w0.qvrmp"))}, &err),
        1);
    EXPECT_TRUE(err.contains("0 x 2048")) << err.toStdString();

    PackageHeaderRecipe flat;  // more than 512 times as wide as tall: no row at all
    flat.width = 100000;
    flat.height = 100;
    WriteHeaderOnlyPackage(dir.Path(QStringLiteral("flat.qvrmp")), flat);
    EXPECT_EQ(
        RunInfo({QStringLiteral("--thumbnail-view"), out, dir.Path(QStringLiteral("flat.qvrmp"))}),
        1);

    EXPECT_EQ(RunInfo({QStringLiteral("--thumbnail"), out, QStringLiteral("raster.tif")}), 1);
    EXPECT_EQ(RunInfo({QStringLiteral("--thumbnail"), out}), 2);
    EXPECT_FALSE(QFile::exists(out));
}

TEST(ThumbnailRows, KeepsProportionsAndRefusesWhatNoBufferHolds) {
    EXPECT_EQ(ThumbnailRows(10000, 8000), 409);
    EXPECT_EQ(ThumbnailRows(100000, 100), 0);
    EXPECT_EQ(ThumbnailRows(512, 512), 512);
    EXPECT_FALSE(ThumbnailRows(0, 100));
    EXPECT_FALSE(ThumbnailRows(0x80000000u, 100));  // negative as a signed size
    EXPECT_EQ(ThumbnailRows(1, 2047), 2047 * 512);
    EXPECT_EQ(ThumbnailRows(2048, 4194303), 1048575);  // the last row count a buffer holds
    EXPECT_FALSE(ThumbnailRows(2048, 4194304));
}
