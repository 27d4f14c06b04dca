// tarnview-info: the report of a raster or package in a terminal.
#include <cstdio>
#include <cstring>

#include <QByteArray>
#include <QString>

#include "gdal_setup.h"
#include "report.h"
#include "text_helpers.h"

namespace {

constexpr int kExitReport = 0;
constexpr int kExitFileError = 1;
constexpr int kExitUsage = 2;

const char kUsage[] =
    "Usage: tarnview-info [--crlf] PATH\n"
    "       tarnview-info --help | --version\n"
    "\n"
    "Prints the report of a raster (anything GDAL opens) or a .qvrmp package.\n"
    "  --crlf     keep the report's CR LF line ends, byte for byte as the dialog shows it\n"
    "  --help     show this help\n"
    "  --version  show the version\n";

void Write(std::FILE* stream, const QByteArray& bytes) {
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stream);
}

}  // namespace

int main(int argc, char** argv) {
    bool crlf = false;
    const char* path = nullptr;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "--help") == 0) {
            std::fputs(kUsage, stdout);
            return kExitReport;
        }
        if (std::strcmp(arg, "--version") == 0) {
            std::puts("tarnview-info 2.0.0.1");
            return kExitReport;
        }
        if (std::strcmp(arg, "--crlf") == 0) {
            crlf = true;
        } else if (std::strcmp(arg, "--") == 0 && i + 1 == argc - 1 && path == nullptr) {
            path = argv[++i];
        } else if (arg[0] == '-' && arg[1] == '-') {
            std::fprintf(stderr, "tarnview-info: unknown option %s\n%s", arg, kUsage);
            return kExitUsage;
        } else if (path == nullptr) {
            path = arg;
        } else {
            std::fprintf(stderr, "tarnview-info: one path only\n%s", kUsage);
            return kExitUsage;
        }
    }
    if (path == nullptr) {
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }

    InitGdal();
    const Report report = BuildReport(QString::fromUtf8(path));
    QString text = report.text;
    if (!crlf) {
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        if (!text.endsWith(u'\n'))
            text += u'\n';
    }
    Write(report.failed ? stderr : stdout, WideToUtf8(text));
    return report.failed ? kExitFileError : kExitReport;
}
