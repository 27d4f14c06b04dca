// tarnview-info: the report of a raster or package in a terminal, as JSON for scripts, or the
// thumbnail of a package as a PNG.
#include <QByteArray>
#include <QCommandLineParser>
#include <QJsonDocument>
#include <QString>
#include <QStringList>

#include <optional>
#include <string>

#include "front_end.h"
#include "gdal_setup.h"
#include "json_report.h"
#include "report.h"
#include "text_helpers.h"
#include "thumbnail_export.h"

namespace {

constexpr char kProgram[] = "tarnview-info";
constexpr int kMaxThumbnailSide = 4096;  // --size beyond this is no thumbnail

const std::string kUsage =
    "Usage: tarnview-info [--crlf | --json [--compact]] PATH\n"
    "       tarnview-info --thumbnail OUT.png [--size N] PATH\n"
    "       tarnview-info --thumbnail-view OUT.png [--size N] PATH\n"
    "       tarnview-info --help | --version\n"
    "\n"
    "Prints the report of a raster (anything GDAL opens) or a .qvrmp package.\n"
    "  --crlf     keep the report's CR LF line ends, byte for byte as the dialog shows it\n"
    "  --json     print the report's facts as one JSON object (pretty-printed)\n"
    "  --compact  with --json: the object on one line\n"
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
    std::optional<QString> thumbnailOut;
    ThumbnailKind thumbnailKind = ThumbnailKind::kBuffer;
    int thumbnailSize = 0;  // the picture's longer side; 0: the thumbnail as read
    QString path;
};

using Parsed = ParsedArguments<Options>;

Parsed Parse(const QStringList& arguments) {
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
    parser.addOptions({help, version, crlf, json, compact, thumbnail, thumbnailView, size});
    if (!parser.parse(arguments))
        return UsageError<Options>(ParserErrorText(
            parser, arguments, thumbnail.names() + thumbnailView.names() + size.names()));
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
        options.thumbnailOut = buffers.first();
    } else if (!views.isEmpty()) {
        options.thumbnailOut = views.first();
        options.thumbnailKind = ThumbnailKind::kView;
    }
    if (parser.isSet(size)) {
        const QString value = parser.values(size).last();
        bool ok = false;
        options.thumbnailSize = value.toInt(&ok);
        if (!ok || !value.front().isDigit() || options.thumbnailSize < 1 ||
            options.thumbnailSize > kMaxThumbnailSide)
            return UsageError<Options>(
                QStringLiteral("--size takes a whole number from 1 to %1, not \"%2\"")
                    .arg(kMaxThumbnailSide)
                    .arg(value));
        if (!options.thumbnailOut)
            return UsageError<Options>(QStringLiteral("--size goes with a thumbnail"));
    }
    const QStringList paths = parser.positionalArguments();
    if (paths.isEmpty())
        return UsageError<Options>(QStringLiteral("no path given"));
    if (paths.size() > 1)
        return UsageError<Options>(QStringLiteral("one path only"));
    options.path = paths.first();
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
    QString text = report.text;
    if (!crlf) {
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        if (!text.endsWith(u'\n'))
            text += u'\n';
    }
    Write(report.failed ? stderr : stdout, WideToUtf8(text));
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
            ? ExportThumbnail(options.path, *options.thumbnailOut, options.thumbnailKind,
                              options.thumbnailSize)
            : ThumbnailExportResult{QStringLiteral("%1 is not a .qvrmp package").arg(options.path),
                                    {}};
    if (!result.warning.isEmpty())
        Write(stderr, QByteArray(kProgram) + ": warning: " + WideToUtf8(result.warning) + "\n");
    if (result.error.isEmpty())
        return kExitSuccess;
    Write(stderr, QByteArray(kProgram) + ": " + WideToUtf8(result.error) + "\n");
    return kExitFailure;
}

int Run(const Parsed& parsed) {
    if (const std::optional<int> answered =
            AnswerWithoutRunning(parsed.request, kProgram, kUsage, parsed.error))
        return *answered;
    const Options& options = parsed.options;
    InitGdal();
    if (options.thumbnailOut)
        return WriteThumbnail(options);
    const FileFacts facts = GatherFileFacts(options.path);
    return options.json ? PrintJson(facts, options.compact) : PrintText(facts, options.crlf);
}

}  // namespace

int main(int argc, char** argv) {
    return FinishOutput(kProgram, Run(Parse(ArgumentList(argc, argv))));
}
