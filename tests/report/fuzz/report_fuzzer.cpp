// libFuzzer target: arbitrary bytes as a ".qvrmp" file, through the whole report: facts, the text
// and JSON. Besides the sanitizers' checks it stops on a report that is neither a package report
// nor the open-failure text, or a preview allowed for a failure.
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include <QJsonDocument>

#include "../../package/fuzz/fuzz_input.h"
#include "json_report.h"
#include "report.h"

namespace {

void Check(bool condition) {
    if (!condition)
        std::abort();
}

const QString& PackagePath() {
    static const QString path =
        QStringLiteral("/tmp/tarnview-report-fuzz-%1.qvrmp").arg(::getpid());
    static const bool removedAtExit =
        std::atexit([] { ::unlink(PackagePath().toUtf8().constData()); }) == 0;
    (void)removedAtExit;
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> file = PackageFromFuzzInput(data, size);
    const int descriptor =
        ::open(PackagePath().toUtf8().constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (descriptor < 0)
        return 0;
    const bool written =
        ::write(descriptor, file.data(), file.size()) == static_cast<ssize_t>(file.size());
    ::close(descriptor);
    if (!written)
        return 0;

    const FileFacts facts = GatherFileFacts(PackagePath());
    const Report report = RenderReport(facts);
    if (report.failed) {
        Check(!report.previewAllowed);
        Check(report.text.startsWith(QStringLiteral("打开压缩包失败:")));
        Check(report.text.size() > QStringLiteral("打开压缩包失败:").size());
    } else {
        Check(report.previewAllowed);
        Check(report.text.startsWith(QStringLiteral("压缩包尺寸:\r\n")));
        Check(report.text.endsWith(QStringLiteral("]\r\n")));
    }
    const QByteArray json = QJsonDocument(RenderJsonReport(facts)).toJson();
    Check(QJsonDocument::fromJson(json).isObject());
    return 0;
}
