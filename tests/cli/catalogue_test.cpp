// tarnview-info over many files: input order whatever the jobs, one entry per file failed or
// not, text headers, lists from a file or stdin, folders walked, exit codes.
#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include "fixture_folder.h"
#include "package_headers.h"
#include "qt_printers.h"

namespace {

struct CliRun {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
    bool crashed = false;
};

CliRun RunInfo(const QStringList& arguments, const QByteArray& input = {},
               const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment()) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(TARNVIEW_INFO_PATH), arguments);
    process.write(input);
    process.closeWriteChannel();
    EXPECT_TRUE(process.waitForFinished(60000));
    return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError(),
            process.exitStatus() == QProcess::CrashExit};
}

QStringList Args(std::initializer_list<const char*> options, const QStringList& paths = {}) {
    QStringList arguments;
    for (const char* option : options)
        arguments.append(QString::fromUtf8(option));
    return arguments + paths;
}

QByteArray PathOf(const QByteArray& jsonLine) {
    return QJsonDocument::fromJson(jsonLine).object()[QStringLiteral("path")].toString().toUtf8();
}

class Catalogue : public ::testing::Test {
  protected:
    FixtureFolder fixtures;
    // Rasters of different sizes and layouts, a package and a file that is missing, in an
    // order that is not the name order.
    QStringList Mixed() {
        QStringList paths;
        for (int i = 0; i < 9; ++i) {
            RasterRecipe recipe;
            recipe.width = 16 + 40 * (9 - i);
            recipe.bands = 1 + i % 3;
            if (i % 2 == 0)
                recipe.creationOptions = {"TILED=YES"};
            if (i % 3 == 0)
                recipe.overviewFactors = {2};
            paths.append(fixtures.MakeGeoTiff(QStringLiteral("r%1.tif").arg(9 - i), recipe));
            if (i == 4) {
                paths.append(fixtures.Path(QStringLiteral("missing.tif")));
                paths.append(fixtures.Path(QStringLiteral("p.qvrmp")));
                WriteHeaderOnlyPackage(paths.last(), {});
            }
        }
        return paths;
    }
};

}  // namespace

TEST_F(Catalogue, JsonLinesKeepInputOrderWhateverTheJobsAndReportEveryFailure) {
    QStringList paths = Mixed();
    const CliRun one = RunInfo(Args({"--jsonl", "--jobs", "1"}, paths));
    const CliRun four = RunInfo(Args({"--jsonl", "--jobs", "4"}, paths));
    const CliRun byDefault = RunInfo(Args({"--jsonl"}, paths));
    EXPECT_EQ(one.exitCode, 1);  // the missing file
    EXPECT_EQ(four.out, one.out);
    EXPECT_EQ(byDefault.out, one.out);
    EXPECT_EQ(four.exitCode, 1);
    EXPECT_TRUE(four.err.isEmpty())
        << "no progress when stderr is no terminal: " << four.err.toStdString();
    const QList<QByteArray> lines = one.out.split('\n');
    ASSERT_EQ(lines.size(), paths.size() + 1);
    EXPECT_TRUE(lines.last().isEmpty());
    for (int i = 0; i < paths.size(); ++i) {
        EXPECT_EQ(PathOf(lines[i]), paths[i].toUtf8());
        EXPECT_EQ(lines[i].contains("\"error\":"), paths[i].endsWith(QStringLiteral("missing.tif")))
            << lines[i].toStdString();
    }
    // Every file reported: exit 0.
    paths.removeAll(fixtures.Path(QStringLiteral("missing.tif")));
    EXPECT_EQ(RunInfo(Args({"--jsonl", "--jobs", "3"}, paths)).exitCode, 0);
}

TEST_F(Catalogue, TextReportsGetHeadersAndOneBlankLineBetween) {
    const QStringList paths = Mixed().mid(4, 3);  // a raster, the missing file, the package
    const CliRun run = RunInfo(Args({"--jobs", "2"}, paths));
    EXPECT_EQ(run.exitCode, 1);
    QByteArray expected;
    for (const QString& path : paths) {
        const bool missing = path.endsWith(QStringLiteral("missing.tif"));
        if (!expected.isEmpty())
            expected += '\n';
        // A failed file's message takes the place of its report.
        expected += "==> " + path.toUtf8() + " <==\n" +
                    (missing ? QByteArray("no such file\n") : RunInfo({path}).out);
    }
    EXPECT_EQ(run.out, expected);
    // One path alone is printed as it always was: no header.
    EXPECT_FALSE(RunInfo({paths.first()}).out.contains("==>"));
}

TEST_F(Catalogue, JsonGivesOneArrayForSeveralFilesAndOneObjectForOne) {
    const QStringList paths = Mixed();
    for (const char* compact : {"--json", "--compact"}) {
        const CliRun run = RunInfo(Args({"--json", compact}, paths));
        QJsonParseError error;
        const QJsonArray array = QJsonDocument::fromJson(run.out, &error).array();
        ASSERT_EQ(error.error, QJsonParseError::NoError) << run.out.toStdString();
        ASSERT_EQ(array.size(), paths.size());
        EXPECT_EQ(array[4][QStringLiteral("kind")].toString(), QStringLiteral("raster"));
        EXPECT_EQ(array[6][QStringLiteral("kind")].toString(), QStringLiteral("package"));
    }
    EXPECT_TRUE(QJsonDocument::fromJson(RunInfo(Args({"--json"}, paths.mid(0, 1))).out).isObject());
}

TEST_F(Catalogue, ARasterWithoutCoordinateSystemHasNullCrs) {
    const QString plain = fixtures.MakeGeoTiff(QStringLiteral("plain.tif"), RasterRecipe{});
    const QJsonObject object =
        QJsonDocument::fromJson(RunInfo({QStringLiteral("--json"), plain}).out).object();
    ASSERT_TRUE(object.contains(QStringLiteral("crs")));
    EXPECT_TRUE(object[QStringLiteral("crs")].isNull());
    RasterRecipe located;
    located.epsg = 4326;
    const QString withCrs = fixtures.MakeGeoTiff(QStringLiteral("crs.tif"), located);
    const CliRun run = RunInfo({QStringLiteral("--json"), withCrs});
    EXPECT_EQ(
        QJsonDocument::fromJson(run.out)[QStringLiteral("crs")][QStringLiteral("epsg")].toInt(),
        4326);
}

TEST_F(Catalogue, ListsFromAFileOrStdinNewlineOrNulSeparated) {
    const QStringList paths = Mixed().mid(0, 4);
    QByteArray lines;
    QByteArray nuls;
    for (const QString& path : paths) {
        lines += path.toUtf8() + '\n';
        nuls += path.toUtf8() + '\0';
    }
    const CliRun fromFile = RunInfo(
        Args({"--jsonl", "--files-from"}, {fixtures.WriteFile(QStringLiteral("list"), lines)}));
    const CliRun fromStdin = RunInfo(Args({"--jsonl", "-0", "--files-from", "-"}), nuls);
    ASSERT_EQ(fromFile.out.count('\n'), 4);
    EXPECT_EQ(fromStdin.out, fromFile.out);
    EXPECT_EQ(PathOf(fromFile.out.split('\n')[2]), paths[2].toUtf8());
    // Paths given come before the listed ones.
    const CliRun both = RunInfo(Args({"--jsonl", "-0", "--files-from", "-"}, {paths[3]}), nuls);
    EXPECT_EQ(PathOf(both.out.split('\n')[0]), paths[3].toUtf8());
    EXPECT_EQ(both.out.count('\n'), 5);

    // As find writes it.
    QProcess shell;
    shell.start(
        QStringLiteral("/bin/sh"),
        {QStringLiteral("-c"),
         QStringLiteral("find \"$1\" -name '*.tif' -print0 | \"$2\" --jsonl -0 --files-from -"),
         QStringLiteral("sh"), fixtures.Path({}), QStringLiteral(TARNVIEW_INFO_PATH)});
    ASSERT_TRUE(shell.waitForFinished(60000));
    EXPECT_EQ(shell.exitCode(), 0);
    EXPECT_EQ(shell.readAllStandardOutput().count("\"kind\":\"raster\""), 9);

    const CliRun missingList =
        RunInfo(Args({"--jsonl", "--files-from"}, {fixtures.Path(QStringLiteral("nolist"))}));
    EXPECT_EQ(missingList.exitCode, 1);
    EXPECT_TRUE(missingList.out.isEmpty());
    EXPECT_TRUE(missingList.err.contains("cannot read the list")) << missingList.err.toStdString();
}

TEST_F(Catalogue, APathThatIsNotUtf8IsPrintedAsTheSystemGivesIt) {
    const QByteArray odd = fixtures.Utf8Path(QStringLiteral("x.tif")).replace("x.tif", "\xff.tif");
    const QByteArray list = odd + '\n' + odd.chopped(4) + "-gone.tif\n";
    const CliRun text = RunInfo(Args({"--files-from", "-"}), list);
    EXPECT_TRUE(text.out.startsWith("==> " + odd + " <==\n")) << text.out.toStdString();
    const CliRun json = RunInfo(Args({"--jsonl", "--files-from", "-"}), list);
    EXPECT_TRUE(json.out.startsWith("{\"path\":\"" + odd + "\",")) << json.out.toStdString();
    EXPECT_EQ(json.out.count('\n'), 2);
}

TEST_F(Catalogue, RecursiveWalkInNameOrder) {
    Mixed();
    const CliRun run =
        RunInfo(Args({"--json", "--compact", "-r", "--jobs", "2"}, {fixtures.Path({})}));
    EXPECT_EQ(run.exitCode, 0) << run.out.toStdString();  // the missing file is not in the folder
    const QJsonArray array = QJsonDocument::fromJson(run.out).array();
    QStringList names;
    for (const auto& object : array)
        names.append(object[QStringLiteral("path")].toString().section(u'/', -1));
    EXPECT_EQ(names, (QStringList{"p.qvrmp", "r1.tif", "r2.tif", "r3.tif", "r4.tif", "r5.tif",
                                  "r6.tif", "r7.tif", "r8.tif", "r9.tif"}));
}

TEST_F(Catalogue, UsageErrorsExitTwo) {
    const QString path = Mixed().first();
    for (const QStringList& arguments :
         {Args({"-0"}, {path}), Args({"--json", "--jsonl"}, {path}), Args({"--jobs", "0"}, {path}),
          Args({"--jobs", "x"}, {path}), Args({"--jobs", "-2"}, {path}), Args({"--jobs"}),
          Args({"--crlf"}, {path, path}), Args({"--compact", "--jsonl"}, {path}),
          Args({"--thumbnail", "t.png"}, {path, path}), Args({"-r"})}) {
        const CliRun run = RunInfo(arguments);
        EXPECT_EQ(run.exitCode, 2) << arguments.join(u' ').toStdString();
        EXPECT_TRUE(run.out.isEmpty());
        EXPECT_TRUE(run.err.startsWith("tarnview-info: ")) << run.err.toStdString();
    }
}

TEST_F(Catalogue, AWalkedFolderFindsSideFilesAsGdalAloneDoes) {
    const QString raster = fixtures.MakeGeoTiff(QStringLiteral("r.tif"), RasterRecipe{});
    fixtures.WriteFile(
        QStringLiteral("r.tif.aux.xml"),
        "<PAMDataset><Metadata><MDI key=\"SIDE\">found</MDI></Metadata></PAMDataset>");
    const CliRun walked = RunInfo(Args({"--jsonl", "-r"}, {fixtures.Path({})}));
    const CliRun alone = RunInfo(Args({"--jsonl"}, {raster}));
    ASSERT_EQ(walked.out.count('\n'), 2);  // the raster and its side file, each reported
    EXPECT_EQ(walked.out.split('\n')[0], alone.out.chopped(1));
    EXPECT_TRUE(alone.out.contains("\"SIDE\":\"found\"")) << alone.out.toStdString();
    EXPECT_TRUE(alone.out.contains("r.tif.aux.xml\"")) << alone.out.toStdString();
}

TEST_F(Catalogue, ADriverThatCrashesIsNamedAndWhatWasReportedIsKept) {
    const QStringList paths = Mixed().mid(0, 2);
    const QString crash = fixtures.Path(QStringLiteral("crash.bin"));
    QFile file(crash);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("CRASH and more bytes for the header");
    file.close();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("GDAL_DRIVER_PATH"),
                       QStringLiteral(TARNVIEW_MISBEHAVING_DRIVER_DIR));
    const CliRun run =
        RunInfo(Args({"--jsonl", "--jobs", "1"}, paths + QStringList{crash}), {}, environment);
    EXPECT_TRUE(run.crashed);
    EXPECT_EQ(run.out.count('\n'), 2);  // both reports before the crash, whole
    EXPECT_EQ(PathOf(run.out.split('\n')[1]), paths[1].toUtf8());
    EXPECT_TRUE(run.err.contains("tarnview-info: crashed while reading " + crash.toUtf8() + "\n"))
        << run.err.toStdString();
}
