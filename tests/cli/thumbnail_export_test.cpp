// tarnview-info --thumbnail and --thumbnail-view: the PNG holds exactly what the preview reads.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>

#include <gdal.h>
#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <vector>

#include "file_bytes.h"
#include "fixture_folder.h"
#include "package_headers.h"
#include "package_thumbnail.h"
#include "package_writer.h"
#include "thumbnail_export.h"
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
        EXPECT_TRUE(result.ok()) << result.message();
        return path;
    }

    static QByteArray ReadAll(const QString& path) {
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return file.readAll();
    }

    // The pixel with its alpha byte set to 255.
    static std::uint32_t OpaqueRgba(std::uint32_t pixel) {
        unsigned char bytes[4];
        std::memcpy(bytes, &pixel, sizeof bytes);
        bytes[3] = 255;
        std::memcpy(&pixel, bytes, sizeof bytes);
        return pixel;
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
    const PackageThumbnail expected = ReadPackageThumbnail(package.toStdString());
    ASSERT_EQ(expected.status, ThumbnailStatus::kRead);
    ASSERT_EQ(expected.rows, 204);  // trunc(600 x 512 / 1500)

    const QString buffer = dir.Path(QStringLiteral("buffer.png"));
    const QString view = dir.Path(QStringLiteral("view.png"));
    ASSERT_EQ(RunInfo({QStringLiteral("--thumbnail"), buffer, package}), 0);
    ASSERT_EQ(RunInfo({QStringLiteral("--thumbnail-view"), view, package}), 0);

    EXPECT_EQ(QImage(buffer).size(), QSize(512, 204));
    EXPECT_EQ(RgbaPixels(buffer), expected.pixels);

    // The view is opaque: the checkerboard's colours, or the pixel's, always with alpha 255.
    std::vector<std::uint32_t> opaque = CompositeOverCheckerboard(expected.pixels.data(), 512, 204);
    for (std::uint32_t& pixel : opaque)
        pixel = OpaqueRgba(pixel);
    const std::vector<std::uint32_t> shown = RgbaPixels(view);
    EXPECT_EQ(shown, opaque);
    EXPECT_EQ(shown[0], OpaqueRgba(kCheckerGrey));            // (0, 0), left third has no data
    EXPECT_EQ(shown[8], kCheckerWhite);                       // (8, 0)
    EXPECT_EQ(shown[8 * 512 + 8], OpaqueRgba(kCheckerGrey));  // (8, 8)
    EXPECT_EQ(shown[511], expected.pixels[511]);              // data on the right edge
    EXPECT_EQ(QDir(dir.Path(QString())).entryList({QStringLiteral("*partial*")}), QStringList());
    // A new file as any other program makes it: readable by others where the umask allows it.
    const mode_t umask = ::umask(0);
    ::umask(umask);
    struct stat status {};
    ASSERT_EQ(::stat(buffer.toUtf8().constData(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0666 & ~umask);
}

TEST_F(ThumbnailExport, SizesKeepProportionsAndTheInputIsNeverTheOutput) {
    const QString package = WritePackage();
    const QString small = dir.Path(QStringLiteral("small.png"));
    ASSERT_EQ(RunInfo({QStringLiteral("--thumbnail-view"), small, QStringLiteral("--size"),
                       QStringLiteral("128"), package}),
              0);
    EXPECT_EQ(QImage(small).size(), QSize(128, 51));  // 512 x 204 scaled to a longer side of 128
    EXPECT_EQ(RunInfo({QStringLiteral("--thumbnail"), small, QStringLiteral("--size"),
                       QStringLiteral("0"), package}),
              2);

    const QByteArray before = ReadAll(package);
    const QString link = dir.Path(QStringLiteral("link.qvrmp"));
    ASSERT_TRUE(QFile::link(package, link));
    for (const QString& out : {package, link}) {
        QByteArray err;
        EXPECT_EQ(RunInfo({QStringLiteral("--thumbnail"), out, package}, &err), 1);
        EXPECT_TRUE(err.contains("is the package itself")) << err.toStdString();
    }
    EXPECT_EQ(ReadAll(package), before);
}

TEST_F(ThumbnailExport, UnreadableTilesWarnAndTooTallPackagesAreRefusedBeforeAllocating) {
    const QString package = WritePackage();
    QFile::resize(package, QFileInfo(package).size() - 100);  // the last block cut short
    const QString out = dir.Path(QStringLiteral("cut.png"));
    QByteArray err;
    EXPECT_EQ(RunInfo({QStringLiteral("--thumbnail"), out, package}, &err), 0);
    EXPECT_TRUE(err.contains("warning: some tiles could not be read (region read result -4)"))
        << err.toStdString();
    EXPECT_EQ(QImage(out).size(), QSize(512, 204));

    PackageHeaderRecipe tall;  // 1 x 2000 pixels: 1,024,000 rows of 512
    tall.width = 1;
    tall.height = 2000;
    WriteHeaderOnlyPackage(dir.Path(QStringLiteral("tall.qvrmp")), tall);
    EXPECT_EQ(RunInfo({QStringLiteral("--thumbnail"), dir.Path(QStringLiteral("tall.png")),
                       dir.Path(QStringLiteral("tall.qvrmp"))},
                      &err),
              1);
    EXPECT_TRUE(err.contains("获取缩略图失败!!!")) << err.toStdString();
    EXPECT_FALSE(QFile::exists(dir.Path(QStringLiteral("tall.png"))));
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

// In process: OUT is replaced only when it is a regular file, and a name as long as the system
// takes is a name like any other.
TEST_F(ThumbnailExport, OnlyANewOrRegularFileBecomesThePicture) {
    GDALAllRegister();
    const std::string package = WritePackage().toStdString();
    const std::string folder = dir.Path(QString()).toStdString();
    const std::string target = folder + "/other";
    WriteFileText(target, "keep");
    struct OutCase {
        const char* what;
        std::function<void(const std::string&)> make;
        bool refused;
    };
    const OutCase cases[] = {
        {"a new file", [](const std::string&) {}, false},
        {"the previous picture", [](const std::string& out) { WriteFileText(out, "old"); }, false},
        {"a symbolic link",
         [&](const std::string& out) { std::filesystem::create_symlink(target, out); }, true},
        {"a FIFO", [](const std::string& out) { ::mkfifo(out.c_str(), 0600); }, true},
        {"a folder", [](const std::string& out) { std::filesystem::create_directory(out); }, true},
    };
    for (const std::string& name : {std::string("out.png"), std::string(251, 'n') + ".png"}) {
        for (const OutCase& c : cases) {
            SCOPED_TRACE(std::string(c.what) + ", a name of " + std::to_string(name.size()));
            const std::string out = folder + "/" + name;
            c.make(out);
            const auto exported = ExportThumbnail(package, out, ThumbnailKind::kView);
            EXPECT_EQ(exported.ok(), !c.refused) << (exported ? "" : exported.message());
            if (c.refused)
                EXPECT_EQ(exported.code(), PreviewCode::kOutputRefused);
            else
                EXPECT_EQ(QImage(QString::fromStdString(out)).size(), QSize(512, 204));
            std::filesystem::remove_all(out);
        }
    }
    EXPECT_EQ(ReadFileBytes(target), (std::vector<std::uint8_t>{'k', 'e', 'e', 'p'}));
    EXPECT_EQ(QDir(dir.Path(QString())).entryList(QDir::Files | QDir::NoDotAndDotDot),
              (QStringList{QStringLiteral("other"), QStringLiteral("picture.qvrmp")}));
}

TEST(ThumbnailRows, KeepsProportionsAndRefusesWhatNoBufferHolds) {
    EXPECT_EQ(ThumbnailRows(10000, 8000), 409);
    EXPECT_EQ(ThumbnailRows(100000, 100), 0);
    EXPECT_EQ(ThumbnailRows(512, 512), 512);
    EXPECT_FALSE(ThumbnailRows(0, 100));
    EXPECT_FALSE(ThumbnailRows(0x80000000u, 100));  // negative as a signed size
    EXPECT_EQ(ThumbnailRows(512, 32767), 32767);    // the tallest thumbnail
    EXPECT_FALSE(ThumbnailRows(512, 32768));
    EXPECT_FALSE(ThumbnailRows(1, 2047));
}
