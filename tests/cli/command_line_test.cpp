// The two programs' command lines as a user types them, parsed in process: the usage errors in
// our own words, help and version before path checks, "--" ending the options, and bytes that are
// not UTF-8 kept as they are. One run of each program checks what reaches the terminal.
#include <gtest/gtest.h>

#include <QProcess>

#include <string>
#include <vector>

#include "info_options.h"
#include "pack_command_line.h"

namespace {

// argv as main gets it, the program's name first.
struct Arguments {
    explicit Arguments(std::vector<std::string> given) : words(std::move(given)) {
        words.insert(words.begin(), "program");
        for (const std::string& word : words)
            pointers.push_back(word.c_str());
    }
    int Count() const { return static_cast<int>(pointers.size()); }
    std::vector<std::string> words;
    std::vector<const char*> pointers;
};

ParsedCommandLine<PackOptions> Pack(std::vector<std::string> words) {
    const Arguments arguments(std::move(words));
    return ParsePackOptions(arguments.Count(), arguments.pointers.data());
}

ParsedCommandLine<InfoOptions> Info(std::vector<std::string> words) {
    const Arguments arguments(std::move(words));
    return ParseInfoOptions(arguments.Count(), arguments.pointers.data(), 3);
}

struct ProgramRun {
    int exitCode = -1;
    QString err;
};

ProgramRun Start(const QString& program, const QStringList& arguments,
                 const QString& stdoutFile = QString()) {
    QProcess process;
    if (!stdoutFile.isEmpty())
        process.setStandardOutputFile(stdoutFile);
    process.start(program, arguments);
    EXPECT_TRUE(process.waitForFinished(60000));
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardError())};
}

}  // namespace

TEST(CommandLine, UsageErrorsSayWhatIsWrong) {
    const auto notPackage = [](const std::string& name) {
        return "OUTPUT must end in \".qvrmp\" (the ending packages are known by), not \"" + name +
               '"';
    };
    const struct {
        bool pack;
        std::vector<std::string> arguments;
        std::string message;
    } cases[] = {
        {true, {}, "INPUT and OUTPUT are needed"},
        {true, {"a", "b", "c"}, "only INPUT and OUTPUT are expected"},
        {true, {"--bogus", "a", "b"}, "unknown option --bogus"},
        {true, {"-f", "a", "b"}, "unknown option -f"},
        {true, {"--force=yes", "a", "b"}, "unknown option --force=yes"},
        {true, {"a", "b", "--quality"}, "--quality needs a value"},
        {true,
         {"--quality", "101", "a", "b"},
         "--quality takes a whole number from 0 to 100, not \"101\""},
        {true,
         {"--quality=8x", "a", "b"},
         "--quality takes a whole number from 0 to 100, not \"8x\""},
        {true, {"--quality=", "a", "b"}, "--quality takes a whole number from 0 to 100, not \"\""},
        {true,
         {"--quality=-0", "a", "b"},
         "--quality takes a whole number from 0 to 100, not \"-0\""},
        {true,
         {"--threads", "0", "a", "b"},
         "--threads takes a whole number from 1 to 64, not \"0\""},
        {true,
         {"--quality", "90", "--lossless", "a", "b"},
         "--quality and --lossless exclude each other"},
        {true,
         {"--bands", "1,2", "a", "b"},
         "--bands takes R,G,B or R,G,B,A band numbers from 1, not \"1,2\""},
        {true,
         {"--scale", "5,1", "a", "b"},
         "--scale takes MIN,MAX, two numbers with MIN below MAX, not \"5,1\""},
        {true,
         {"--bands", "1,,3", "a", "b"},
         "--bands takes R,G,B or R,G,B,A band numbers from 1, not \"1,,3\""},
        {true,
         {"--bands", "0,1,2,3,4", "a", "b"},
         "--bands takes R,G,B or R,G,B,A band numbers from 1, not \"0,1,2,3,4\""},
        {true,
         {"--scale", "0,inf", "a", "b"},
         "--scale takes MIN,MAX, two numbers with MIN below MAX, not \"0,inf\""},
        {true,
         {"--scale", "5", "a", "b"},
         "--scale takes MIN,MAX, two numbers with MIN below MAX, not \"5\""},
        {true, {"--bogus", "--help"}, "unknown option --bogus"},
        {true, {"in.tif", "x.png"}, notPackage("x.png")},
        {true, {"in.tif", "x.QVRMP"}, notPackage("x.QVRMP")},
        {false, {}, "no path given"},
        {false, {"-json", "x"}, "unknown option -json"},
        {false, {"--size", "5", "x"}, "--size goes with a thumbnail"},
        {false, {"--jobs", "257", "x"}, "--jobs takes a whole number from 1 to 256, not \"257\""},
        {false, {"--thumbnail", "a", "--thumbnail-view", "b", "x"}, "one thumbnail only"},
        {false, {"-0", "x"}, "-0 goes with --files-from"},
        {false, {"--json", "--jsonl", "x"}, "--json and --jsonl exclude each other"},
        {false, {"--crlf", "x", "y"}, "--crlf takes one path only"},
        {false, {"--compact", "x"}, "--compact needs --json"},
        {false, {"--stac", "--crlf", "x"}, "--stac takes no --crlf or thumbnail"},
        {false, {"--thumbnail", "o.png", "--json", "x"}, "a thumbnail takes no report options"},
    };
    for (const auto& c : cases) {
        const auto verdict = [](const auto& parsed) {
            return std::pair{parsed.request, parsed.error};
        };
        const auto [request, error] =
            c.pack ? verdict(Pack(c.arguments)) : verdict(Info(c.arguments));
        EXPECT_EQ(request, Request::kUsageError) << c.message;
        EXPECT_EQ(error, c.message);
    }
}

TEST(CommandLine, OptionsReachTheProgramAndBytesStayAsGiven) {
    const auto pack = Pack({"--quality=7", "--quality", "9", "--no-aux", "--bands", "3,2,1",
                            "--scale", " 0, 4000", "--", "--in\xff.tif", "out.qvrmp"});
    ASSERT_EQ(pack.request, Request::kRun) << pack.error;
    EXPECT_EQ(pack.options.quality, 9);  // the last one wins
    EXPECT_FALSE(pack.options.writeAux);
    EXPECT_EQ(pack.options.bands, (std::vector<int>{3, 2, 1}));
    EXPECT_EQ(pack.options.scale->maximum, 4000);
    EXPECT_EQ(pack.options.input, "--in\xff.tif");

    const auto info = Info({"--jsonl", "-r", "--files-from", "l\xfe", "-0", "a", "b"});
    ASSERT_EQ(info.request, Request::kRun) << info.error;
    EXPECT_TRUE(info.options.catalogue && info.options.inList && info.options.nulSeparated);
    EXPECT_EQ(info.options.jobs, 3);
    EXPECT_EQ(*info.options.filesFrom, "l\xfe");
    EXPECT_EQ(info.options.paths, (std::vector<std::string>{"a", "b"}));
    // One path's Item still makes a collection.
    const auto stac = Info({"--stac", "a"});
    EXPECT_TRUE(stac.options.stac && stac.options.catalogue && !stac.options.inList);

    EXPECT_EQ(Pack({"a", "-h"}).request, Request::kHelp);
    EXPECT_EQ(Info({"--version", "a", "b"}).request, Request::kVersion);
}

TEST(CommandLine, TerminalSeesOneLineAndAPointerToHelpOrTheHelpWithExitCodes) {
    const ProgramRun refused = Start(QStringLiteral(TARNVIEW_PACK_PATH), {"--bogus"});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_EQ(refused.err, "tarnview-pack: unknown option --bogus\nTry 'tarnview-pack --help'.\n");
    QProcess help;
    help.start(QStringLiteral(TARNVIEW_INFO_PATH), {"-h"});
    ASSERT_TRUE(help.waitForFinished(60000));
    EXPECT_EQ(help.exitCode(), 0);
    const QByteArray text = help.readAllStandardOutput();
    EXPECT_TRUE(text.contains("Exit status:") && text.contains("Examples:")) << text.data();
}

TEST(CommandLine, OutputThatCannotBeWrittenIsAFailure) {
    const QString full = QStringLiteral("/dev/full");
    for (const QString& program :
         {QStringLiteral(TARNVIEW_INFO_PATH), QStringLiteral(TARNVIEW_PACK_PATH)}) {
        const ProgramRun run = Start(program, {QStringLiteral("--version")}, full);
        EXPECT_EQ(run.exitCode, 1) << program.toStdString();
        EXPECT_TRUE(run.err.contains(QStringLiteral("cannot write the output: ")))
            << run.err.toStdString();
    }
    const ProgramRun report =
        Start(QStringLiteral(TARNVIEW_INFO_PATH), {QStringLiteral(TARNVIEW_SAMPLE_PATH)}, full);
    EXPECT_EQ(report.exitCode, 1);
}
