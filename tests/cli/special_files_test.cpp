// A FIFO or a device where a raster or package is expected is refused at once, never waited on.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QProcess>
#include <QTemporaryDir>

namespace {

constexpr int kPatienceMs = 10000;  // a refusal takes milliseconds; a hang takes for ever

// The exit code, or -1 when the program had to be killed.
int ExitCodeWithin(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(kPatienceMs)) {
        process.kill();
        process.waitForFinished();
        return -1;
    }
    return process.exitCode();
}

}  // namespace

TEST(SpecialFiles, AreRefusedWithoutWaiting) {
    QTemporaryDir dir;
    const QString info = QStringLiteral(TARNVIEW_INFO_PATH);
    const QString pack = QStringLiteral(TARNVIEW_PACK_PATH);
    for (const QString& name : {QStringLiteral("x.qvrmp"), QStringLiteral("x.tif")}) {
        const QString fifo = dir.filePath(name);
        ASSERT_EQ(::mkfifo(fifo.toUtf8().constData(), 0600), 0);
        EXPECT_EQ(ExitCodeWithin(info, {fifo}), 1) << name.toStdString();
        EXPECT_EQ(ExitCodeWithin(info, {QStringLiteral("--json"), fifo}), 1);
    }
    const QString fifoPackage = dir.filePath(QStringLiteral("x.qvrmp"));
    const QString png = dir.filePath(QStringLiteral("t.png"));
    EXPECT_EQ(ExitCodeWithin(info, {QStringLiteral("--thumbnail"), png, fifoPackage}), 1);
    const QString out = dir.filePath(QStringLiteral("out.qvrmp"));
    EXPECT_EQ(ExitCodeWithin(pack, {dir.filePath(QStringLiteral("x.tif")), out}), 1);
    EXPECT_EQ(ExitCodeWithin(info, {QStringLiteral("/dev/zero")}), 1);  // a device never ends
    EXPECT_FALSE(QFile::exists(png));
    EXPECT_FALSE(QFile::exists(out));
}
