// tarnview-info as a user runs it: output streams, line ends and exit codes.
#include <gtest/gtest.h>

#include <QProcess>

#include "fixture_folder.h"
#include "qt_printers.h"

namespace {

struct CliRun {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

CliRun RunInfo(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral(TARNVIEW_INFO_PATH), arguments);
    EXPECT_TRUE(process.waitForFinished(60000));
    return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
}

class TarnviewInfo : public ::testing::Test {
  protected:
    FixtureFolder fixtures;
    QString Raster() {
        RasterRecipe recipe;
        recipe.geoTransform = {{10, 1, 0, 20, 0, -1}};
        return fixtures.MakeGeoTiff(QStringLiteral("r.tif"), recipe);
    }
};

}  // namespace

TEST_F(TarnviewInfo, PrintsTheReportWithLfOrCrLfLineEnds) {
    const QString path = Raster();
    const CliRun lf = RunInfo({path});
    const CliRun crlf = RunInfo({QStringLiteral("--crlf"), path});
    EXPECT_EQ(lf.exitCode, 0);
    EXPECT_EQ(crlf.exitCode, 0);
    EXPECT_TRUE(lf.err.isEmpty()) << lf.err.toStdString();
    EXPECT_FALSE(lf.out.contains('\r'));
    EXPECT_TRUE(crlf.out.startsWith("\xE5\xBD\xB1\xE5\x83\x8F\xE5\xB0\xBA\xE5\xAF\xB8:\r\n"));
    // The LF form is the CR LF form with each CR LF turned into LF, plus a final newline.
    QByteArray converted = crlf.out;
    converted.replace("\r\n", "\n");
    EXPECT_EQ(lf.out, converted + "\n");
    EXPECT_TRUE(crlf.out.endsWith(":"));
}

TEST_F(TarnviewInfo, UnopenableFileGoesToStderrOnceWithExitOne) {
    const QString missing = fixtures.Path(QStringLiteral("missing.tif"));
    const CliRun run = RunInfo({missing});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_EQ(run.err.count("missing.tif"), 1) << run.err.toStdString();
    EXPECT_FALSE(run.err.contains("ERROR"))
        << "GDAL printed its own copy: " << run.err.toStdString();
}

TEST_F(TarnviewInfo, UsageErrorsExitTwo) {
    EXPECT_EQ(RunInfo({}).exitCode, 2);
    EXPECT_EQ(RunInfo({QStringLiteral("--bogus"), Raster()}).exitCode, 2);
}

TEST_F(TarnviewInfo, HelpAndVersion) {
    const CliRun help = RunInfo({QStringLiteral("--help")});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.contains("Usage: tarnview-info"));
    const CliRun version = RunInfo({QStringLiteral("--version")});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, "tarnview-info 2.0.0.1\n");
}

TEST_F(TarnviewInfo, DashDashLetsAPathStartWithDashes) {
    RasterRecipe recipe;
    fixtures.MakeGeoTiff(QStringLiteral("--odd.tif"), recipe);
    const CliRun run = RunInfo({QStringLiteral("--"), fixtures.Path(QStringLiteral("--odd.tif"))});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
}

TEST_F(TarnviewInfo, JsonIsOneObjectPrettyOrCompact) {
    const QString path = Raster();
    const CliRun pretty = RunInfo({QStringLiteral("--json"), path});
    const CliRun compact = RunInfo({QStringLiteral("--json"), QStringLiteral("--compact"), path});
    EXPECT_EQ(pretty.exitCode, 0);
    EXPECT_EQ(compact.exitCode, 0);
    EXPECT_GT(pretty.out.count('\n'), 10);
    EXPECT_EQ(compact.out.count('\n'), 1);
    EXPECT_TRUE(compact.out.startsWith("{\"bands\":"));
    EXPECT_TRUE(compact.out.contains("\"kind\":\"raster\""));
    EXPECT_EQ(RunInfo({QStringLiteral("--compact"), path}).exitCode, 2);
    EXPECT_EQ(RunInfo({QStringLiteral("--json"), QStringLiteral("--crlf"), path}).exitCode, 2);
}

TEST_F(TarnviewInfo, JsonErrorObjectOnStdoutWithExitOne) {
    const QString missing = fixtures.Path(QStringLiteral("absent.qvrmp"));
    const CliRun run = RunInfo({QStringLiteral("--json"), QStringLiteral("--compact"), missing});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.isEmpty());
    EXPECT_EQ(run.out, QByteArray("{\"error\":\"打开压缩包失败:文件无法打开，请检测文件是否存在\","
                                  "\"path\":\"") +
                           missing.toUtf8() + "\"}\n");
}
