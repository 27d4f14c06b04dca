// tarnview-pack: makes a QVRMP package from any raster GDAL opens.
#include <unistd.h>

#include <cpl_conv.h>
#include <gdal.h>

#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "front_end.h"
#include "gdal_setup.h"
#include "interrupt_flag.h"
#include "pack_command.h"

namespace {

constexpr char kProgram[] = "tarnview-pack";
constexpr int kMaxQuality = 100;
constexpr int kMaxThreads = 64;
constexpr int kRgbBands = 3;
constexpr int kRgbaBands = 4;

const std::string kUsage =
    "Usage: tarnview-pack [--quality Q | --lossless] [--force] [--threads N] [--no-aux]\n"
    "                     [--bands R,G,B[,A]] [--scale MIN,MAX] INPUT OUTPUT.qvrmp\n"
    "       tarnview-pack --help | --version\n"
    "\n"
    "Makes a QVRMP package (a tiled WebP pyramid) from any raster GDAL opens.\n"
    "  --quality Q  WebP quality 0 to " +
    std::to_string(kMaxQuality) + " (default " + std::to_string(kDefaultQuality) +
    ")\n"
    "  --lossless   lossless WebP instead\n"
    "  --force      replace OUTPUT if it exists\n"
    "  --threads N  encode on N threads (default: one per processor); the file is the same\n"
    "  --no-aux     leave out OUTPUT.aux.xml, which holds the input's coordinate system\n"
    "  --bands R,G,B[,A]  input bands (from 1) for red, green, blue and alpha (default: by\n"
    "               their colour interpretation)\n"
    "  --scale MIN,MAX  stretch MIN..MAX to 0..255 on every colour band (default: the common\n"
    "               range of the colour bands, for data other than bytes)\n"
    "  --help       show this help\n"
    "  --version    show the version\n";

// "R,G,B" or "R,G,B,A": band numbers from 1.
std::optional<std::vector<int>> BandList(const QString& text) {
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != kRgbBands && parts.size() != kRgbaBands)
        return std::nullopt;
    std::vector<int> bands;
    for (const QString& part : parts) {
        const std::optional<int> band = WholeNumber(part, 1, std::numeric_limits<int>::max());
        if (!band)
            return std::nullopt;
        bands.push_back(*band);
    }
    return bands;
}

// "MIN,MAX": two finite numbers, MIN below MAX.
std::optional<ValueRange> ScaleRange(const QString& text) {
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 2)
        return std::nullopt;
    bool minimumOk = false;
    bool maximumOk = false;
    const ValueRange range{parts[0].trimmed().toDouble(&minimumOk),
                           parts[1].trimmed().toDouble(&maximumOk)};
    if (!minimumOk || !maximumOk || !std::isfinite(range.minimum) ||
        !std::isfinite(range.maximum) || !(range.minimum < range.maximum))
        return std::nullopt;
    return range;
}

using Parsed = ParsedArguments<PackOptions>;

Parsed Parse(const CommandLine& line) {
    const QStringList& arguments = line.arguments;
    QCommandLineParser parser;
    PrepareParser(parser);
    const QCommandLineOption help(QStringLiteral("help"));
    const QCommandLineOption version(QStringLiteral("version"));
    const QCommandLineOption lossless(QStringLiteral("lossless"));
    const QCommandLineOption force(QStringLiteral("force"));
    const QCommandLineOption noAux(QStringLiteral("no-aux"));
    const QCommandLineOption quality(QStringLiteral("quality"), {}, QStringLiteral("Q"));
    const QCommandLineOption threads(QStringLiteral("threads"), {}, QStringLiteral("N"));
    const QCommandLineOption bands(QStringLiteral("bands"), {}, QStringLiteral("R,G,B[,A]"));
    const QCommandLineOption scale(QStringLiteral("scale"), {}, QStringLiteral("MIN,MAX"));
    parser.addOptions({help, version, lossless, force, noAux, quality, threads, bands, scale});
    if (!parser.parse(arguments))
        return UsageError<PackOptions>(ParserErrorText(
            parser, arguments, quality.names() + threads.names() + bands.names() + scale.names()));
    // Help and version answer a line whose options are all known, whatever else it holds.
    if (parser.isSet(help))
        return {Request::kHelp, {}, {}};
    if (parser.isSet(version))
        return {Request::kVersion, {}, {}};

    PackOptions options;
    options.lossless = parser.isSet(lossless);
    options.force = parser.isSet(force);
    options.writeAux = !parser.isSet(noAux);
    if (parser.isSet(quality)) {
        const QString value = parser.values(quality).last();
        const std::optional<int> number = WholeNumber(value, 0, kMaxQuality);
        if (!number)
            return UsageError<PackOptions>(
                RangeError(QStringLiteral("quality"), 0, kMaxQuality, value));
        options.quality = *number;
    }
    if (parser.isSet(threads)) {
        const QString value = parser.values(threads).last();
        const std::optional<int> number = WholeNumber(value, 1, kMaxThreads);
        if (!number)
            return UsageError<PackOptions>(
                RangeError(QStringLiteral("threads"), 1, kMaxThreads, value));
        options.threads = *number;
    }
    if (parser.isSet(bands)) {
        const QString value = parser.values(bands).last();
        const std::optional<std::vector<int>> list = BandList(value);
        if (!list)
            return UsageError<PackOptions>(
                QStringLiteral("--bands takes R,G,B or R,G,B,A band numbers from 1, not \"%1\"")
                    .arg(value));
        options.bands = *list;
    }
    if (parser.isSet(scale)) {
        const QString value = parser.values(scale).last();
        const std::optional<ValueRange> range = ScaleRange(value);
        if (!range)
            return UsageError<PackOptions>(
                QStringLiteral("--scale takes MIN,MAX, two numbers with MIN below MAX, not \"%1\"")
                    .arg(value));
        options.scale = *range;
    }
    if (parser.isSet(quality) && options.lossless)
        return UsageError<PackOptions>(
            QStringLiteral("--quality and --lossless exclude each other"));
    const QStringList paths = parser.positionalArguments();
    if (paths.size() != 2)
        return UsageError<PackOptions>(paths.size() < 2
                                           ? QStringLiteral("INPUT and OUTPUT are needed")
                                           : QStringLiteral("only INPUT and OUTPUT are expected"));
    const std::vector<QByteArray> bytes = PositionalBytes(line, paths);
    options.input = bytes[0].toStdString();
    options.output = bytes[1].toStdString();
    return {Request::kRun, std::move(options), {}};
}

// Every failure, an interruption included, exits with kExitFailure.
int ExitCodeOf(const PackResult& result) {
    return result ? kExitSuccess : kExitFailure;
}

int Run(const Parsed& parsed) {
    if (const std::optional<int> answered =
            AnswerWithoutRunning(parsed.request, kProgram, kUsage, parsed.error))
        return *answered;

    InitGdal();
    if (CPLGetConfigOption("GDAL_CACHEMAX", nullptr) == nullptr) {
        GDALSetCacheMax64(kPackReadCacheBytes);
    }
    InstallInterruptHandlers();
    PackEnvironment environment;
    environment.writeError = [](const std::string& text) {
        WriteText(stderr, text);
        std::fflush(stderr);
    };
    environment.terminal = ::isatty(STDERR_FILENO) != 0;
    environment.interrupted = InterruptRequested;
    const PackResult result = RunPack(parsed.options, environment);
    WriteText(stderr, result ? result->summary + "\n"
                             : std::string(kProgram) + ": " + result.message() + "\n");
    return ExitCodeOf(result);
}

}  // namespace

int main(int argc, char** argv) {
    return FinishOutput(kProgram, Run(Parse(ReadCommandLine(argc, argv))));
}
