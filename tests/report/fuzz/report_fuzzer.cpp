// libFuzzer target: arbitrary bytes as a file, through the whole report: facts, the text and JSON.
// The input is a package in the package fuzzer's form, or a TIFF or PNG raster as it is
// (report_input.h). Besides the sanitizers' checks it stops on a package report that is neither a
// report nor the open-failure text, a preview allowed for anything but a package that opened, or
// JSON that does not parse back.
#include <cstdint>
#include <cstdlib>
#include <string>

#include <QJsonDocument>

#include "fuzz_folder.h"
#include "json_report.h"
#include "report.h"
#include "report_input.h"

namespace {

void Check(bool condition) {
    if (!condition)
        std::abort();
}

void CheckPackageReport(const Report& report) {
    if (report.failed) {
        Check(!report.previewAllowed);
        Check(report.text.startsWith(QStringLiteral("打开压缩包失败:")));
        Check(report.text.size() > QStringLiteral("打开压缩包失败:").size());
    } else {
        Check(report.previewAllowed);
        Check(report.text.startsWith(QStringLiteral("压缩包尺寸:\r\n")));
        Check(report.text.endsWith(QStringLiteral("]\r\n")));
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    InitGdalForReportInputs();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const ReportFile file = ReportFileFromFuzzInput(data, size);
    const std::string path = WriteFuzzFile(file.name, file.bytes.data(), file.bytes.size());
    if (path.empty())
        return 0;

    const FileFacts facts = GatherFileFacts(QString::fromStdString(path));
    const Report report = RenderReport(facts);
    Check(report.failed == facts.Failed());
    Check(!report.text.isEmpty());
    if (IsPackagePath(facts.path))
        CheckPackageReport(report);
    else
        Check(!report.previewAllowed);
    const QByteArray json = QJsonDocument(RenderJsonReport(facts)).toJson();
    Check(QJsonDocument::fromJson(json).isObject());
    return 0;
}
