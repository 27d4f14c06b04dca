// tarnview-info: the report of a raster or package in a terminal, as JSON for scripts, or the
// thumbnail of a package as a PNG; the reports of many files at once as a catalogue.
#include <unistd.h>

#include <QByteArray>
#include <QCommandLineParser>
#include <QJsonDocument>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "catalog_run.h"
#include "files_in_flight.h"
#include "front_end.h"
#include "gdal_setup.h"
#include "json_report.h"
#include "path_list.h"
#include "report.h"
#include "terminal_text.h"
#include "text_helpers.h"
#include "thumbnail_export.h"

namespace {

constexpr char kProgram[] = "tarnview-info";
constexpr int kMaxThumbnailSide = 4096;  // --size beyond this is no thumbnail

const std::string kUsage =
    "Usage: tarnview-info [--crlf | --json [--compact]] PATH\n"
    "       tarnview-info [--json [--compact] | --jsonl] [-r] [--jobs N]\n"
    "                     [--files-from LIST [-0]] PATH...\n"
    "       tarnview-info --thumbnail OUT.png [--size N] PATH\n"
    "       tarnview-info --thumbnail-view OUT.png [--size N] PATH\n"
    "       tarnview-info --help | --version\n"
    "\n"
    "Prints the report of a raster (anything GDAL opens) or a .qvrmp package.\n"
    "  --crlf     keep the report's CR LF line ends, byte for byte as the dialog shows it\n"
    "  --json     print the report's facts as one JSON object (pretty-printed)\n"
    "  --compact  with --json: the object on one line\n"
    "  --jsonl    one compact JSON object a line per file, each with \"path\"\n"
    "  -r         walk folders: files in name order, hidden ones and linked folders left out\n"
    "  --files-from LIST  also read paths from LIST, one a line (\"-\": stdin)\n"
    "  -0         with --files-from: the paths are NUL-separated (find -print0)\n"
    "  --jobs N   gather N files at once (default: one per processor), output in input order\n"
    "  With several files the text reports get a header \"==> PATH <==\" and --json prints\n"
    "  one array. Exit 1 when any file could not be reported.\n"
    "  --thumbnail OUT.png       write a package's 512-pixel-wide thumbnail as RGBA PNG,\n"
    "                            transparent where the package has no data\n"
    "  --thumbnail-view OUT.png  write the thumbnail as the preview window shows it (opaque)\n"
    "  --size N   scale the thumbnail until its longer side is N pixels (1 to " +
    std::to_string(kMaxThumbnailSide) +
    ")\n"
    "  --help     show this help\n"
    "  --version  show the version\n";

struct Options {
    bool crlf = false;
    bool json = false;
    bool compact = false;
    std::optional<QByteArray> thumbnailOut;  // as the system gave it
    ThumbnailKind thumbnailKind = ThumbnailKind::kBuffer;
    int thumbnailSize = 0;  // the picture's longer side; 0: the thumbnail as read
    QString path;
    // The catalogue of many files.
    bool catalogue = false;  // any catalogue option or several paths
    bool inList = false;     // several paths, -r or a list: headers, a JSON array
    bool jsonl = false;
    bool recursive = false;
    std::optional<QByteArray> filesFrom;  // as the system gave it
    bool nulSeparated = false;
    int jobs = 1;
    QStringList paths;
    std::vector<QByteArray> pathBytes;  // the paths as the system gave them
};

using Parsed = ParsedArguments<Options>;

Parsed Parse(const CommandLine& line) {
    const QStringList& arguments = line.arguments;
    QCommandLineParser parser;
    PrepareParser(parser);
    const QCommandLineOption help(QStringLiteral("help"));
    const QCommandLineOption version(QStringLiteral("version"));
    const QCommandLineOption crlf(QStringLiteral("crlf"));
    const QCommandLineOption json(QStringLiteral("json"));
    const QCommandLineOption compact(QStringLiteral("compact"));
    const QCommandLineOption thumbnail(QStringLiteral("thumbnail"), {}, QStringLiteral("OUT"));
    const QCommandLineOption thumbnailView(QStringLiteral("thumbnail-view"), {},
                                           QStringLiteral("OUT"));
    const QCommandLineOption size(QStringLiteral("size"), {}, QStringLiteral("N"));
    const QCommandLineOption jsonl(QStringLiteral("jsonl"));
    const QCommandLineOption recursive(QStringLiteral("r"));
    const QCommandLineOption filesFrom(QStringLiteral("files-from"), {}, QStringLiteral("LIST"));
    const QCommandLineOption nul(QStringLiteral("0"));
    const QCommandLineOption jobs(QStringLiteral("jobs"), {}, QStringLiteral("N"));
    parser.addOptions({help, version, crlf, json, compact, thumbnail, thumbnailView, size, jsonl,
                       recursive, filesFrom, nul, jobs});
    if (!parser.parse(arguments))
        return UsageError<Options>(ParserErrorText(parser, arguments,
                                                   thumbnail.names() + thumbnailView.names() +
                                                       size.names() + filesFrom.names() +
                                                       jobs.names()));
    // Help and version answer a line whose options are all known, whatever else it holds.
    if (parser.isSet(help))
        return {Request::kHelp, {}, {}};
    if (parser.isSet(version))
        return {Request::kVersion, {}, {}};

    Options options;
    options.crlf = parser.isSet(crlf);
    options.json = parser.isSet(json);
    options.compact = parser.isSet(compact);
    const QStringList buffers = parser.values(thumbnail);
    const QStringList views = parser.values(thumbnailView);
    if (buffers.size() + views.size() > 1)
        return UsageError<Options>(QStringLiteral("one thumbnail only"));
    if (!buffers.isEmpty()) {
        options.thumbnailOut = OptionValueBytes(line, thumbnail, buffers.first());
    } else if (!views.isEmpty()) {
        options.thumbnailOut = OptionValueBytes(line, thumbnailView, views.first());
        options.thumbnailKind = ThumbnailKind::kView;
    }
    if (parser.isSet(size)) {
        const QString value = parser.values(size).last();
        const std::optional<int> number = WholeNumber(value, 1, kMaxThumbnailSide);
        if (!number)
            return UsageError<Options>(
                RangeError(QStringLiteral("size"), 1, kMaxThumbnailSide, value));
        options.thumbnailSize = *number;
        if (!options.thumbnailOut)
            return UsageError<Options>(QStringLiteral("--size goes with a thumbnail"));
    }
    options.jsonl = parser.isSet(jsonl);
    options.recursive = parser.isSet(recursive);
    options.nulSeparated = parser.isSet(nul);
    if (parser.isSet(filesFrom))
        options.filesFrom = OptionValueBytes(line, filesFrom, parser.values(filesFrom).last());
    options.jobs = std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
    if (parser.isSet(jobs)) {
        const QString value = parser.values(jobs).last();
        const std::optional<int> number = WholeNumber(value, 1, kMaxCatalogJobs);
        if (!number)
            return UsageError<Options>(
                RangeError(QStringLiteral("jobs"), 1, kMaxCatalogJobs, value));
        options.jobs = *number;
    }
    options.paths = parser.positionalArguments();
    options.pathBytes = PositionalBytes(line, options.paths);
    if (options.paths.isEmpty() && !options.filesFrom)
        return UsageError<Options>(QStringLiteral("no path given"));
    options.inList = options.paths.size() > 1 || options.recursive || options.filesFrom;
    options.catalogue = options.inList || options.jsonl;
    if (!options.paths.isEmpty())
        options.path = options.paths.first();
    if (options.nulSeparated && !options.filesFrom)
        return UsageError<Options>(QStringLiteral("-0 goes with --files-from"));
    if (options.json && options.jsonl)
        return UsageError<Options>(QStringLiteral("--json and --jsonl exclude each other"));
    if (options.thumbnailOut && options.catalogue)
        return UsageError<Options>(QStringLiteral("a thumbnail takes one path only"));
    if (options.crlf && options.catalogue)
        return UsageError<Options>(QStringLiteral("--crlf takes one path only"));
    if (options.compact && !options.json)
        return UsageError<Options>(QStringLiteral("--compact needs --json"));
    if (options.crlf && options.json)
        return UsageError<Options>(QStringLiteral("--crlf and --json exclude each other"));
    if (options.thumbnailOut && (options.crlf || options.json))
        return UsageError<Options>(QStringLiteral("a thumbnail takes no report options"));
    return {Request::kRun, std::move(options), {}};
}

bool Write(std::FILE* stream, const QByteArray& bytes) {
    return WriteText(stream, std::string_view(bytes.constData(), bytes.size()));
}

int PrintText(const FileFacts& facts, bool crlf) {
    const Report report = RenderReport(facts);
    Write(report.failed ? stderr : stdout, TerminalText(report.text, crlf));
    return report.failed ? kExitFailure : kExitSuccess;
}

int PrintJson(const FileFacts& facts, bool compact) {
    const QJsonDocument document(RenderJsonReport(facts));
    Write(stdout, document.toJson(compact ? QJsonDocument::Compact : QJsonDocument::Indented));
    if (compact)
        Write(stdout, "\n");
    return facts.Failed() ? kExitFailure : kExitSuccess;
}

int WriteThumbnail(const Options& options) {
    const ThumbnailExportResult result =
        IsPackagePath(options.path)
            ? ExportThumbnail(options.pathBytes.front(), *options.thumbnailOut,
                              options.thumbnailKind, options.thumbnailSize)
            : ThumbnailExportResult{QStringLiteral("%1 is not a .qvrmp package").arg(options.path),
                                    {}};
    if (!result.warning.isEmpty())
        Write(stderr, QByteArray(kProgram) + ": warning: " + WideToUtf8(result.warning) + "\n");
    if (result.error.isEmpty())
        return kExitSuccess;
    Write(stderr, QByteArray(kProgram) + ": " + WideToUtf8(result.error) + "\n");
    return kExitFailure;
}

CatalogFormat FormatOf(const Options& options) {
    if (options.jsonl)
        return CatalogFormat::kJsonLines;
    if (options.json)
        return options.compact ? CatalogFormat::kJsonCompact : CatalogFormat::kJson;
    return CatalogFormat::kText;
}

int RunCatalogue(const Options& options) {
    std::vector<QByteArray> given = options.pathBytes;
    if (options.filesFrom) {
        const PathListResult list = ReadPathList(*options.filesFrom, options.nulSeparated);
        if (!list.error.isEmpty()) {
            Write(stderr, QByteArray(kProgram) + ": " + list.error + "\n");
            return kExitFailure;
        }
        given.insert(given.end(), list.paths.begin(), list.paths.end());
    }
    CatalogRequest request;
    request.entries = ExpandPaths(given, options.recursive);
    request.format = FormatOf(options);
    request.inList = options.inList;
    request.jobs = options.jobs;
    CatalogStreams streams;
    // Each piece goes out at once, so that what was reported survives a crash of a later file.
    streams.output = [](std::string_view text) {
        WriteText(stdout, text);
        std::fflush(stdout);
    };
    streams.notice = [](std::string_view text) {
        WriteText(stderr, std::string(kProgram) + ": ");
        WriteText(stderr, text);
    };
    NameFilesInFlightOnCrash(kProgram);
    if (::isatty(STDERR_FILENO) != 0) {
        streams.progress = [](std::string_view text) {
            WriteText(stderr, text);
            std::fflush(stderr);
        };
    }
    const CatalogOutcome outcome = RunCatalog(request, streams);
    return outcome.failed == 0 ? kExitSuccess : kExitFailure;
}

int Run(const Parsed& parsed) {
    if (const std::optional<int> answered =
            AnswerWithoutRunning(parsed.request, kProgram, kUsage, parsed.error))
        return *answered;
    const Options& options = parsed.options;
    InitGdal();
    if (options.thumbnailOut)
        return WriteThumbnail(options);
    if (options.catalogue)
        return RunCatalogue(options);
    const FileFacts facts = GatherFileFactsAt(options.pathBytes.front());
    return options.json ? PrintJson(facts, options.compact) : PrintText(facts, options.crlf);
}

}  // namespace

int main(int argc, char** argv) {
    return FinishOutput(kProgram, Run(Parse(ReadCommandLine(argc, argv))));
}
