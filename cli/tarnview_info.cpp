// tarnview-info: the report of a raster or package in a terminal, as JSON for scripts, or the
// thumbnail of a package as a PNG.
#include <cstdio>
#include <cstring>

#include <QByteArray>
#include <QJsonDocument>
#include <QString>

#include "gdal_setup.h"
#include "json_report.h"
#include "report.h"
#include "text_helpers.h"
#include "tarnview_version.h"
#include "thumbnail_export.h"

namespace {

constexpr int kExitReport = 0;
constexpr int kExitFileError = 1;
constexpr int kExitUsage = 2;

const char kUsage[] =
    "Usage: tarnview-info [--crlf | --json [--compact]] PATH\n"
    "       tarnview-info --thumbnail OUT.png PATH\n"
    "       tarnview-info --thumbnail-view OUT.png PATH\n"
    "       tarnview-info --help | --version\n"
    "\n"
    "Prints the report of a raster (anything GDAL opens) or a .qvrmp package.\n"
    "  --crlf     keep the report's CR LF line ends, byte for byte as the dialog shows it\n"
    "  --json     print the report's facts as one JSON object (pretty-printed)\n"
    "  --compact  with --json: the object on one line\n"
    "  --thumbnail OUT.png       write a package's 512-pixel-wide thumbnail as RGBA PNG,\n"
    "                            transparent where the package has no data\n"
    "  --thumbnail-view OUT.png  write the thumbnail as the preview window shows it\n"
    "  --help     show this help\n"
    "  --version  show the version\n";

struct Options {
    bool crlf = false;
    bool json = false;
    bool compact = false;
    const char* thumbnailOut = nullptr;
    ThumbnailKind thumbnailKind = ThumbnailKind::kBuffer;
    const char* path = nullptr;
};

void Write(std::FILE* stream, const QByteArray& bytes) {
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stream);
}

int UsageError(const char* message, const char* detail = "") {
    std::fprintf(stderr, "tarnview-info: %s%s\n%s", message, detail, kUsage);
    return kExitUsage;
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
    return report.failed ? kExitFileError : kExitReport;
}

int PrintJson(const FileFacts& facts, bool compact) {
    const QJsonDocument document(RenderJsonReport(facts));
    Write(stdout, document.toJson(compact ? QJsonDocument::Compact : QJsonDocument::Indented));
    if (compact)
        Write(stdout, "\n");
    return facts.Failed() ? kExitFileError : kExitReport;
}

int WriteThumbnail(const Options& options) {
    const QString path = QString::fromUtf8(options.path);
    const QString error =
        IsPackagePath(path)
            ? ExportThumbnail(path, QString::fromUtf8(options.thumbnailOut), options.thumbnailKind)
            : QStringLiteral("%1 is not a .qvrmp package").arg(path);
    if (error.isEmpty())
        return kExitReport;
    Write(stderr, "tarnview-info: " + WideToUtf8(error) + "\n");
    return kExitFileError;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (!optionsEnded && std::strcmp(arg, "--help") == 0) {
            std::fputs(kUsage, stdout);
            return kExitReport;
        }
        if (!optionsEnded && std::strcmp(arg, "--version") == 0) {
            std::printf("tarnview-info %s\n", kTarnviewVersion);
            return kExitReport;
        }
        if (!optionsEnded && std::strcmp(arg, "--") == 0) {
            optionsEnded = true;
        } else if (!optionsEnded && std::strcmp(arg, "--crlf") == 0) {
            options.crlf = true;
        } else if (!optionsEnded && std::strcmp(arg, "--json") == 0) {
            options.json = true;
        } else if (!optionsEnded && std::strcmp(arg, "--compact") == 0) {
            options.compact = true;
        } else if (!optionsEnded && (std::strcmp(arg, "--thumbnail") == 0 ||
                                     std::strcmp(arg, "--thumbnail-view") == 0)) {
            if (i + 1 >= argc)
                return UsageError(arg, " needs an output file");
            if (options.thumbnailOut != nullptr)
                return UsageError("one thumbnail only");
            options.thumbnailKind = std::strcmp(arg, "--thumbnail") == 0 ? ThumbnailKind::kBuffer
                                                                         : ThumbnailKind::kView;
            options.thumbnailOut = argv[++i];
        } else if (!optionsEnded && std::strncmp(arg, "--", 2) == 0) {
            return UsageError("unknown option ", arg);
        } else if (options.path == nullptr) {
            options.path = arg;
        } else {
            return UsageError("one path only");
        }
    }
    if (options.path == nullptr)
        return UsageError("no path given");
    if (options.compact && !options.json)
        return UsageError("--compact needs --json");
    if (options.crlf && options.json)
        return UsageError("--crlf and --json exclude each other");
    if (options.thumbnailOut != nullptr && (options.crlf || options.json))
        return UsageError("a thumbnail takes no report options");

    InitGdal();
    if (options.thumbnailOut != nullptr)
        return WriteThumbnail(options);
    const FileFacts facts = GatherFileFacts(QString::fromUtf8(options.path));
    return options.json ? PrintJson(facts, options.compact) : PrintText(facts, options.crlf);
}
