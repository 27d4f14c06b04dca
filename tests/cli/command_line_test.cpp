// The two programs' command lines as a user types them: the usage errors in our own words, help
// and version before path checks, and output that cannot be written.
#include <gtest/gtest.h>

#include <QProcess>

namespace {

struct ProgramRun {
    int exitCode = -1;
    QString firstErrorLine;
};

ProgramRun Start(const QString& program, const QStringList& arguments,
                 const QString& stdoutFile = QString()) {
    QProcess process;
    if (!stdoutFile.isEmpty())
        process.setStandardOutputFile(stdoutFile);
    process.start(program, arguments);
    EXPECT_TRUE(process.waitForFinished(60000));
    const QString err = QString::fromUtf8(process.readAllStandardError());
    return {process.exitCode(), err.section(u'\n', 0, 0)};
}

ProgramRun Pack(const QStringList& arguments) {
    return Start(QStringLiteral(TARNVIEW_PACK_PATH), arguments);
}

}  // namespace

TEST(CommandLine, PackUsageErrorsSayWhatIsWrongAndExit2) {
    const struct {
        QStringList arguments;
        const char* message;
    } cases[] = {
        {{}, "INPUT and OUTPUT are needed"},
        {{"a", "b", "c"}, "only INPUT and OUTPUT are expected"},
        {{"--bogus", "a", "b"}, "unknown option --bogus"},
        {{"-f", "a", "b"}, "unknown option -f"},
        {{"--force=yes", "a", "b"}, "unknown option --force=yes"},
        {{"a", "b", "--quality"}, "--quality needs a value"},
        {{"--quality", "101", "a", "b"},
         "--quality takes a whole number from 0 to 100, not \"101\""},
        {{"--quality=8x", "a", "b"}, "--quality takes a whole number from 0 to 100, not \"8x\""},
        {{"--quality=", "a", "b"}, "--quality takes a whole number from 0 to 100, not \"\""},
        {{"--quality=-0", "a", "b"}, "--quality takes a whole number from 0 to 100, not \"-0\""},
        {{"--threads", "0", "a", "b"}, "--threads takes a whole number from 1 to 64, not \"0\""},
        {{"--quality", "90", "--lossless", "a", "b"},
         "--quality and --lossless exclude each other"},
        {{"--bogus", "--help"}, "unknown option --bogus"},
    };
    for (const auto& c : cases) {
        const ProgramRun run = Pack(c.arguments);
        EXPECT_EQ(run.exitCode, 2) << c.arguments.join(u' ').toStdString();
        EXPECT_EQ(run.firstErrorLine,
                  QStringLiteral("tarnview-pack: ") + QString::fromUtf8(c.message));
    }
}

TEST(CommandLine, HelpAndVersionComeBeforeThePathsAndDashDashEndsTheOptions) {
    EXPECT_EQ(Pack({"a", "--help"}).exitCode, 0);
    EXPECT_EQ(Pack({"--version", "a", "b", "c"}).exitCode, 0);
    // After "--" an option name is a path: here an input that does not exist.
    const ProgramRun run = Pack({"--", "--force", "out.qvrmp"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.firstErrorLine.startsWith(QStringLiteral("tarnview-pack: cannot open --force")))
        << run.firstErrorLine.toStdString();
}

TEST(CommandLine, OutputThatCannotBeWrittenIsAFailure) {
    const QString full = QStringLiteral("/dev/full");
    for (const QString& program :
         {QStringLiteral(TARNVIEW_INFO_PATH), QStringLiteral(TARNVIEW_PACK_PATH)}) {
        const ProgramRun run = Start(program, {QStringLiteral("--version")}, full);
        EXPECT_EQ(run.exitCode, 1) << program.toStdString();
        EXPECT_TRUE(run.firstErrorLine.contains(QStringLiteral("cannot write the output: ")))
            << run.firstErrorLine.toStdString();
    }
    const ProgramRun report =
        Start(QStringLiteral(TARNVIEW_INFO_PATH), {QStringLiteral(TARNVIEW_SAMPLE_PATH)}, full);
    EXPECT_EQ(report.exitCode, 1);
}
